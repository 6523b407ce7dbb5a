#include "engine/velmor_message.h"

#include "engine/velmor_scene.h"
#include "engine/velmor_system_data.h"
#include "engine/velmor_system_state.h"
#include "graphics/message_text.h"
#include "platform/bitmap.h"

#include <algorithm>
#include <cstdlib>

void TVelmorMessage::Draw() {
    TSprite& screen = m_Scene.Screen();
    const bool smooth = m_State.AntiAliasText;
    const int pitch = m_Scene.LinePitch();
    const uint32_t shadow = static_cast<uint32_t>(m_Data.MessageShadowColor);
    const uint32_t colour = static_cast<uint32_t>(m_Data.MessageColor);
    const bool ring = m_Scene.ShadowDraw();
    // The same message over the same ground draws the same pixels: recomposing a frame whose
    // text did not change is then a copy instead of nine text outputs.
    std::string key = m_Text;
    const TRect* rects = ring ? m_Scene.ShadowRects() : nullptr;
    TRect box{};
    bool any = false;
    const int margin = std::max({std::abs(screen.FontHeight()), pitch, 4});
    auto add = [&](const TRect& r) {
        const size_t lines = TMessageText::BreakLines(screen, m_Text, r.Right - r.Left).size();
        const TRect b{r.Left - margin, r.Top - margin, screen.Image().Width(),
                      r.Top + static_cast<int>(lines) * std::max(pitch, 1) + margin};
        box = any ? TRect{std::min(box.Left, b.Left), std::min(box.Top, b.Top),
                          std::max(box.Right, b.Right), std::max(box.Bottom, b.Bottom)}
                  : b;
        any = true;
        for (int32_t v : {r.Left, r.Top, r.Right, r.Bottom}) key += '|' + std::to_string(v);
    };
    if (ring)
        for (int k = 0; k < 8; ++k) add(rects[k]);
    add(m_Scene.TextArea());
    key += '|' + std::to_string(pitch) + '|' + std::to_string(shadow) + '|' +
           std::to_string(colour) + (smooth ? "|s|" : "|p|") + screen.FontName() + '|' +
           std::to_string(screen.FontHeight()) + '|' + screen.GetCanvas().FontName() + '|' +
           std::to_string(screen.GetCanvas().FontHeight()) + '|' +
           std::to_string(screen.GetCanvas().FontWidth());
    platform::Bitmap& image = screen.Image();
    if (m_Memo.Replay(image, box, key)) return;
    m_Memo.Begin(image, box, key);
    if (ring)
        for (int k = 0; k < 8; ++k)
            TMessageText::DrawWrappedText(screen, rects[k], m_Text, pitch, shadow, smooth);
    TMessageText::DrawWrappedText(screen, m_Scene.TextArea(), m_Text, pitch, colour, smooth);
    m_Memo.Finish(image);
}

void TVelmorMessage::StartReveal() {
    m_Animating = true;
    m_Total = static_cast<int32_t>(m_Text.size());
    m_Revealed = 1;
    m_TextPen = {m_Scene.TextArea().Left, m_Scene.TextArea().Top};
    for (int k = 0; k < 8; ++k)
        m_ShadowPens[k] = {m_Scene.ShadowRect(k).Left, m_Scene.ShadowRect(k).Top};
}

TVelmorMessage::TStep TVelmorMessage::DrawNextPiece(TRect* drawn) {
    const int n = TMessageText::PieceLength(m_Text, m_Revealed - 1);
    if (n <= 0) {
        // Nothing left (the message changed under the reveal): the reveal is over.
        m_Animating = false;
        return TStep::Over;
    }
    TSprite& screen = m_Scene.Screen();
    const int pitch = m_Scene.LinePitch();
    const std::string piece =
        m_Text.substr(static_cast<size_t>(m_Revealed - 1), static_cast<size_t>(n));
    const bool smooth = m_State.AntiAliasText;
    const uint32_t shadow = static_cast<uint32_t>(m_Data.MessageShadowColor);
    if (m_Scene.ShadowDraw())
        for (int k = 0; k < 8; ++k)
            TMessageText::DrawTextPiece(screen, m_Scene.ShadowRect(k), m_ShadowPens[k], pitch,
                                        shadow, piece, smooth, drawn);
    if (!TMessageText::DrawTextPiece(screen, m_Scene.TextArea(), m_TextPen, pitch,
                                     static_cast<uint32_t>(m_Data.MessageColor), piece, smooth,
                                     drawn)) {
        // A piece that cannot be drawn now never can (no screen, an output that fails): the
        // message ends here rather than be tried again on every tick.
        m_Revealed = m_Total + 1;
        m_Animating = false;
        return TStep::Blocked;
    }
    m_Revealed += n;
    if (m_Revealed > m_Total) m_Animating = false;
    return TStep::Drawn;
}

TVelmorMessage::TStep TVelmorMessage::SkipNextPiece() {
    // Only the count matters: DrawRevealed places every piece again from the first.
    const int n = TMessageText::PieceLength(m_Text, m_Revealed - 1);
    if (n <= 0) {
        m_Animating = false;
        return TStep::Over;
    }
    if (m_Scene.Screen().Image().Empty()) {
        m_Revealed = m_Total + 1;
        m_Animating = false;
        return TStep::Blocked;
    }
    m_Revealed += n;
    if (m_Revealed > m_Total) m_Animating = false;
    return TStep::Drawn;
}

void TVelmorMessage::DrawRevealed() {
    const int32_t reached = m_Revealed;
    const bool animating = m_Animating;
    StartReveal();
    while (m_Revealed < reached && DrawNextPiece() == TStep::Drawn) {
    }
    m_Animating = animating && m_Revealed <= m_Total;
}
