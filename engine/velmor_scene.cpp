#include "engine/velmor_scene.h"

#include <algorithm>

#include "engine/velmor_system_data.h"
#include "graphics/sprite_effects.h"

TVelmorScene::TVelmorScene(const TVelmorSystemData& data, const std::string& fontName,
                           TServices services, TDisplaySurface* display)
    : m_Services(services), m_Display(display), m_LineBetween(data.LineBetweenHeight) {
    Build(data, fontName);
    DeriveGeometry(data);
}

std::unique_ptr<TSprite> TVelmorScene::NewLayer() {
    return std::make_unique<TSprite>(m_Services.pixelFormat, true, m_Services.witch,
                                     m_Services.dllRes, m_Services.manager);
}

void TVelmorScene::Build(const TVelmorSystemData& data, const std::string& fontName) {
    const int w = data.Width, h = data.Height;
    m_Screen = NewLayer();
    m_Background = NewLayer();
    m_Face = NewLayer();
    const int count = std::clamp(data.Count, 0, 8);
    for (int i = 0; i < count; ++i) m_MiniFaces.push_back(NewLayer());
    m_MessageWindow = NewLayer();

    m_Screen->CreateBlank(w, h, 0xFFFFFF);
    m_Background->CreateBlank(w, h, 0xFFFFFF);
    m_Screen->SetVisible(true);
    m_Background->SetVisible(true);

    // The project's window shows as soon as it loads; the library's frame stays hidden until a
    // script shows the window.
    if (!data.MessageWindowImage.empty()) {
        if (m_MessageWindow->Load(data.MessageWindowImage)) m_MessageWindow->SetVisible(true);
    } else {
        m_MessageWindow->LoadResourcePng("IDP_WINDOW_MESSAGE");
    }

    m_Screen->SetBasePoint(7, 0, 0);
    m_Background->SetBasePoint(5, w / 2, h / 2);
    m_Face->SetBasePoint(data.FaceBasePoint, data.FacePoint.x, data.FacePoint.y);
    for (int i = 0; i < count; ++i) {
        m_MiniFaces[i]->SetBasePoint(data.MiniFaceBasePoint[i], data.MiniFacePoint[i].x,
                                     data.MiniFacePoint[i].y);
        m_MiniFaces[i]->SetMirrored(data.Reverse[i]);
    }
    m_MessageWindow->SetBasePoint(data.MessageWindowBasePoint, data.MessageWindowPoint.x,
                                  data.MessageWindowPoint.y);
    m_Screen->SetFontName(fontName);
}

void TVelmorScene::DeriveGeometry(const TVelmorSystemData& data) {
    const TSprite& mw = *m_MessageWindow;
    const int border = data.BorderSize;
    // The text sits inside the part of the window picture that is on the screen: a picture
    // wider than a small game's screen (the library's frame on a 640 x 480 game) would
    // otherwise put the start of every line beyond the left edge.
    const int left = std::max(mw.Left(), 0), right = std::min(mw.Right(), data.Width);
    const int top = std::max(mw.Top(), 0), bottom = std::min(mw.Bottom(), data.Height);
    m_TextArea = {left + border, top + border, right - border, data.Height};
    static const int kShadow[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                      {0, 1},   {1, -1}, {1, 0},  {1, 1}};
    for (int i = 0; i < 8; ++i) {
        const int dx = kShadow[i][0], dy = kShadow[i][1];
        m_ShadowRects[i] = {m_TextArea.Left + dx, m_TextArea.Top + dy, m_TextArea.Right + dx,
                            m_TextArea.Bottom + dy};
    }
    const int rowHeight = (bottom - border - m_TextArea.Top) / 4;
    for (int i = 0; i < 4; ++i)
        m_ChoiceRows[i] = {m_TextArea.Left, m_TextArea.Top + rowHeight * i, m_TextArea.Right,
                           m_TextArea.Top + rowHeight * (i + 1)};
    m_ShadowDraw = data.MessageShadowDraw;
    // A non-positive percentage has no meaning; keep the default size rather than divide by it.
    m_FontHeight = data.Height / (data.FontHeightPercent > 0 ? data.FontHeightPercent : 32);
    if (m_FontHeight < 1) m_FontHeight = 1;
    m_Screen->SetFontHeight(m_FontHeight);
}

int TVelmorScene::LinePitch() const {
    return m_FontHeight + m_LineBetween;
}

void TVelmorScene::HideFaces() {
    m_Face->SetVisible(false);
    for (auto& mini : m_MiniFaces) mini->SetVisible(false);
}

bool TVelmorScene::PresentArea(const TRect& area) {
    if (m_Redraw || !m_WholeShown || !m_Display) return Present(false);
    m_Screen->PresentArea(*m_Display, area);
    return false;
}

bool TVelmorScene::Present(bool skip) {
    m_WholeShown = m_Display != nullptr;
    if (!m_Redraw || skip) {
        if (m_Display) m_Screen->Present(*m_Display);
        return false;
    }
    if (m_Crossfade) {
        RunCrossFade(1000);
        m_Crossfade = false;
    } else {
        RunCrossFade(200);
    }
    m_Redraw = false;
    return true;
}

void TVelmorScene::RunCrossFade(uint32_t durationMs) {
    m_LastCrossFadeMs = durationMs;
    if (m_Display) speffectCrossFade(*m_Screen, *m_Display, durationMs, m_Services.dllRes);
}
