// The message on the screen layer: drawn whole, or revealed piece by piece on the tick.
#include <algorithm>

#include "engine/velmor.h"
#include "graphics/message_text.h"
#include "platform/clock.h"

namespace {

// A deadline of 0 means "none"; a wrapped sum that lands on it waits one more millisecond.
uint32_t StepDeadline(int32_t ms) {
    const uint32_t d =
        platform::Clock::Current().TickCount() + static_cast<uint32_t>(ms < 0 ? 0 : ms);
    return d == 0 ? 1 : d;
}

}  // namespace

void TVelmor::DrawMessage() {
    const bool smooth = m_State.AntiAliasText;
    const uint32_t shadow = static_cast<uint32_t>(m_Data.MessageShadowColor);
    if (m_ShadowDraw)
        for (const TRect& rect : m_ShadowRects)
            TMessageText::DrawWrappedText(*m_Screen, rect, m_Message, LinePitch(), shadow, smooth);
    TMessageText::DrawWrappedText(*m_Screen, m_TextArea, m_Message, LinePitch(),
                                  static_cast<uint32_t>(m_Data.MessageColor), smooth);
}

void TVelmor::StartReveal() {
    m_Animating = true;
    m_Total = static_cast<int32_t>(m_Message.size());
    m_Revealed = 1;
    m_TextPen = {m_TextArea.Left, m_TextArea.Top};
    for (int k = 0; k < 8; ++k) m_ShadowPens[k] = {m_ShadowRects[k].Left, m_ShadowRects[k].Top};
}

bool TVelmor::RevealStep() {
    if (m_WindowHidden) return false;
    if (m_Skip && (m_State.NoReadTextSkip || m_ParagraphRead)) {
        DrawMessage();
        m_Animating = false;
        PresentFrame();
        return true;
    }
    m_WaitDeadline = StepDeadline(m_State.MessageAnimationSpeed);
    const int n = TMessageText::PieceLength(m_Message, m_Revealed - 1);
    if (n <= 0) {
        // Nothing left (the message changed under the reveal): the reveal is over.
        m_Animating = false;
        PresentFrame();
        return true;
    }
    const std::string piece =
        m_Message.substr(static_cast<size_t>(m_Revealed - 1), static_cast<size_t>(n));
    const bool smooth = m_State.AntiAliasText;
    const uint32_t shadow = static_cast<uint32_t>(m_Data.MessageShadowColor);
    if (m_ShadowDraw)
        for (int k = 0; k < 8; ++k)
            TMessageText::DrawTextPiece(*m_Screen, m_ShadowRects[k], m_ShadowPens[k], LinePitch(),
                                        shadow, piece, smooth);
    if (!TMessageText::DrawTextPiece(*m_Screen, m_TextArea, m_TextPen, LinePitch(),
                                     static_cast<uint32_t>(m_Data.MessageColor), piece, smooth))
        return true;
    m_Revealed += n;
    if (m_Revealed > m_Total) m_Animating = false;
    PresentFrame();
    return true;
}

void TVelmor::DrawChoices() {
    std::string captions[4];
    const int count = std::min<int>(m_ChoiceCount, 4);
    for (int i = 0; i < count; ++i) captions[i] = m_Selectors[i].Caption;
    TMessageText::DrawChoices(*m_Screen, m_ChoiceRows, captions, count, m_Highlighted, LinePitch(),
                              static_cast<uint32_t>(m_Data.MessageColor),
                              static_cast<uint32_t>(m_Data.MessageSelectColor),
                              m_State.AntiAliasText);
}
