// The scene: the layers and their placement from the project, the text geometry derived from
// the message window, composing the layers into the screen layer and showing it.
#include <algorithm>

#include "engine/velmor.h"
#include "graphics/message_text.h"
#include "graphics/sprite_effects.h"
#include "resources/yxstringlib.h"

std::unique_ptr<TSprite> TVelmor::NewLayer() {
    return std::make_unique<TSprite>(m_PixelFormat, true, m_Witch, m_DllRes, m_Manager);
}

void TVelmor::BuildLayers() {
    const int w = m_Data.Width, h = m_Data.Height;
    m_Screen = NewLayer();
    m_Background = NewLayer();
    m_Face = NewLayer();
    const int count = std::clamp(m_Data.Count, 0, 8);
    for (int i = 0; i < count; ++i) m_MiniFaces.push_back(NewLayer());
    m_MessageWindow = NewLayer();

    m_Screen->CreateBlank(w, h, 0xFFFFFF);
    m_Background->CreateBlank(w, h, 0xFFFFFF);
    m_Screen->SetVisible(true);
    m_Background->SetVisible(true);

    // The project's window shows as soon as it loads; the library's frame stays hidden until a
    // script shows the window.
    if (!m_Data.MessageWindowImage.empty()) {
        if (m_MessageWindow->Load(m_Data.MessageWindowImage)) m_MessageWindow->SetVisible(true);
    } else {
        m_MessageWindow->LoadResourcePng("IDP_WINDOW_MESSAGE");
    }

    m_Screen->SetBasePoint(7, 0, 0);
    m_Background->SetBasePoint(5, w / 2, h / 2);
    m_Face->SetBasePoint(m_Data.FaceBasePoint, m_Data.FacePoint.x, m_Data.FacePoint.y);
    for (int i = 0; i < count; ++i) {
        m_MiniFaces[i]->SetBasePoint(m_Data.MiniFaceBasePoint[i], m_Data.MiniFacePoint[i].x,
                                     m_Data.MiniFacePoint[i].y);
        m_MiniFaces[i]->SetMirrored(m_Data.Reverse[i]);
    }
    m_MessageWindow->SetBasePoint(m_Data.MessageWindowBasePoint, m_Data.MessageWindowPoint.x,
                                  m_Data.MessageWindowPoint.y);
    m_Screen->SetFontName(m_State.FontName);
}

void TVelmor::DeriveGeometry() {
    const TSprite& mw = *m_MessageWindow;
    const int border = m_Data.BorderSize;
    m_TextArea = {mw.Left() + border, mw.Top() + border, mw.Right() - border, m_Data.Height};
    static const int kShadow[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                      {0, 1},   {1, -1}, {1, 0},  {1, 1}};
    for (int i = 0; i < 8; ++i) {
        const int dx = kShadow[i][0], dy = kShadow[i][1];
        m_ShadowRects[i] = {m_TextArea.Left + dx, m_TextArea.Top + dy, m_TextArea.Right + dx,
                            m_TextArea.Bottom + dy};
    }
    const int rowHeight = (mw.Bottom() - border - m_TextArea.Top) / 4;
    for (int i = 0; i < 4; ++i)
        m_ChoiceRows[i] = {m_TextArea.Left, m_TextArea.Top + rowHeight * i, m_TextArea.Right,
                           m_TextArea.Top + rowHeight * (i + 1)};
    m_MessageDraw = true;
    m_ShadowDraw = m_Data.MessageShadowDraw;
    // A non-positive percentage has no meaning; keep the default size rather than divide by it.
    m_FontHeight = m_Data.Height / (m_Data.FontHeightPercent > 0 ? m_Data.FontHeightPercent : 32);
    if (m_FontHeight < 1) m_FontHeight = 1;
    m_Screen->SetFontHeight(m_FontHeight);
}

int TVelmor::LinePitch() const {
    return m_FontHeight + m_Data.LineBetweenHeight;
}

void TVelmor::ComposeFrame() {
    TSprite& screen = *m_Screen;
    if (m_Background->Visible())
        m_Background->DrawTo(screen);
    else
        screen.Fill(m_Background->FillColour());
    if (m_Face->Visible()) m_Face->DrawTo(screen);
    if (m_WindowHidden) return;
    for (auto& mini : m_MiniFaces)
        if (mini->Visible()) mini->DrawTo(screen);
    if (m_MessageWindow->Visible()) m_MessageWindow->DrawTo(screen);
    if (ModeObject().ShowsMessage() && m_MessageWindow->Visible()) {
        if (m_State.MessageAnimation)
            StartReveal();
        else
            DrawMessage();
    }
    if (ModeObject().ShowsChoices()) DrawChoices();
}

void TVelmor::PresentFrame() {
    if (!m_Redraw || m_Skip) {
        if (m_Display) m_Screen->Present(*m_Display);
        return;
    }
    m_Busy = true;
    if (m_Crossfade) {
        RunCrossFade(1000);
        m_Crossfade = false;
    } else {
        RunCrossFade(200);
    }
    m_Redraw = false;
    m_Busy = false;
}

void TVelmor::RunCrossFade(uint32_t durationMs) {
    m_LastCrossFadeMs = durationMs;
    if (m_Display) speffectCrossFade(*m_Screen, *m_Display, durationMs, m_DllRes);
}
