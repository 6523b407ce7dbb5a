// Composing the layers into the screen layer and showing it.
#include "engine/velmor.h"
#include "engine/velmor_busy_scope.h"

void TVelmor::ComposeFrame(TReveal reveal) {
    TVelmorScene& scene = *m_Scene;
    TSprite& screen = scene.Screen();
    m_FramePending = m_RevealHeld = false;
    scene.Composed();
    if (scene.Background().Visible())
        scene.Background().DrawTo(screen);
    else
        screen.Fill(scene.Background().FillColour());
    if (scene.Face().Visible()) scene.Face().DrawTo(screen);
    if (m_Flow.WindowHidden) return;
    for (int i = 0; i < scene.MiniFaceCount(); ++i)
        if (scene.MiniFace(i).Visible()) scene.MiniFace(i).DrawTo(screen);
    TSprite& window = scene.MessageWindow();
    if (window.Visible()) window.DrawTo(screen);
    const TVelmorGameMode& mode = ModeObject();
    if (mode.ShowsMessage() && window.Visible()) {
        if (m_State.MessageAnimation && reveal == TReveal::Keep)
            m_Message->DrawRevealed();
        else if (m_State.MessageAnimation)
            m_Message->StartReveal();
        else
            m_Message->Draw();
    }
    if (mode.ShowsChoices())
        m_Choices.Draw(screen, scene.LinePitch(), static_cast<uint32_t>(m_Data.MessageColor),
                       static_cast<uint32_t>(m_Data.MessageSelectColor), m_State.AntiAliasText);
}

void TVelmor::PresentFrame() {
    m_LastPresent = Now();
    if (!m_Scene->Redraw() || m_Flow.Skip) {
        m_Scene->Present(m_Flow.Skip);
        return;
    }
    TVelmorBusyScope busy(m_Flow.Busy);
    m_Scene->Present(m_Flow.Skip);
}

void TVelmor::SetMessageFont(const std::string& name) {
    m_State.FontName = name;
    m_Scene->Screen().SetFontName(name);
}
