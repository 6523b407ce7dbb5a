#include "engine/velmor_message.h"

#include "engine/velmor_scene.h"
#include "engine/velmor_system_data.h"
#include "engine/velmor_system_state.h"
#include "graphics/message_text.h"

void TVelmorMessage::Draw() {
    TSprite& screen = m_Scene.Screen();
    const bool smooth = m_State.AntiAliasText;
    const int pitch = m_Scene.LinePitch();
    const uint32_t shadow = static_cast<uint32_t>(m_Data.MessageShadowColor);
    if (m_Scene.ShadowDraw())
        for (int k = 0; k < 8; ++k)
            TMessageText::DrawWrappedText(screen, m_Scene.ShadowRect(k), m_Text, pitch, shadow,
                                          smooth);
    TMessageText::DrawWrappedText(screen, m_Scene.TextArea(), m_Text, pitch,
                                  static_cast<uint32_t>(m_Data.MessageColor), smooth);
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
