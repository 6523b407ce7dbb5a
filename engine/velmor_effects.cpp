// The effect dispatcher: which layer an effect number runs on and what is left behind.
// The animated frames come with the transitions; until then each effect shows its last frame.
#include "engine/velmor.h"

namespace {
constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0;
}  // namespace

void TVelmor::RunEffect(int number) {
    TSprite& bg = *m_Background;
    const int w = m_Data.Width, h = m_Data.Height;
    switch (number) {
        case 1:
        case 2:
        case 5:
        case 6:
        case 9:
        case 11:
            if (m_Display) m_Screen->Present(*m_Display);
            return;
        case 3:
        case 7:
        case 12:
            // Every way out ends with the screen covered in the colour it went to.
            m_Screen->Fill(kWhite);
            bg.Fill(kWhite);
            break;
        case 4:
        case 8:
        case 10:
            m_Screen->Fill(kBlack);
            bg.Fill(kBlack);
            break;
        case 13:
        case 14:
        case 15:
        case 16:
        case 17:
        case 18:
        case 19:
        case 20: {
            // Final anchors of the pan: an axis that does not move keeps its anchor.
            static const int kDx[] = {-1, 1, 0, 0, -1, -1, 1, 1};
            static const int kDy[] = {0, 0, -1, 1, -1, 1, -1, 1};
            const int dx = kDx[number - 13], dy = kDy[number - 13];
            int ah = bg.AnchorH(), av = bg.AnchorV(), x = bg.PositionX(), y = bg.PositionY();
            if (dx != 0) {
                ah = dx;
                x = dx < 0 ? 0 : w;
            }
            if (dy != 0) {
                av = dy;
                y = dy < 0 ? 0 : h;
            }
            bg.SetAnchor(ah, av, x, y);
            break;
        }
        default:
            return;
    }
    if (!m_Display) return;
    if (number <= 12)
        m_Screen->Present(*m_Display);
    else
        bg.Present(*m_Display);
}

void TVelmor::CrossFadeToBackground(int /*durationMs*/) {
    m_Background->DrawTo(*m_Screen);
    if (m_Display) m_Screen->Present(*m_Display);
}
