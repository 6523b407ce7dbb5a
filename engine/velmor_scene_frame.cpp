// Composing the layers into the screen layer and showing it.
#include "engine/velmor.h"
#include "engine/velmor_busy_scope.h"

#include <algorithm>
#include <array>
#include <span>

namespace {

// The layers under the message. Where every one allows it they are drawn band by band, so a
// band of the screen is still in the cache when the next layer is drawn over it: the same
// pixels, with the screen read from memory once instead of once a layer.
void DrawLayers(TVelmorScene& scene, TSprite& screen, bool windowHidden) {
    // Background, character, at most eight small faces and the window.
    std::array<TSprite*, 11> layers{};
    size_t count = 0;
    auto add = [&](TSprite& layer) {
        if (layer.Visible() && count < layers.size()) layers[count++] = &layer;
    };
    if (scene.Background().Visible())
        add(scene.Background());
    else
        screen.Fill(scene.Background().FillColour());
    add(scene.Face());
    if (!windowHidden) {
        for (int i = 0; i < scene.MiniFaceCount(); ++i) add(scene.MiniFace(i));
        add(scene.MessageWindow());
    }
    const auto drawn = std::span(layers).first(count);
    if (!std::all_of(drawn.begin(), drawn.end(),
                     [&](const TSprite* layer) { return layer->DrawsByRows(screen); })) {
        for (TSprite* layer : drawn) layer->DrawTo(screen);
        return;
    }
    // About 256 KiB of screen a band: it and the layers' rows over it fit a core's cache.
    const int band = std::max(8, (256 << 10) / std::max(1, screen.Width() * 4));
    for (int y = 0; y < screen.Height(); y += band)
        for (TSprite* layer : drawn) layer->DrawRowsTo(screen, y, y + band);
}

}  // namespace

void TVelmor::ComposeFrame(TReveal reveal) {
    TVelmorScene& scene = *m_Scene;
    TSprite& screen = scene.Screen();
    m_FramePending = m_RevealHeld = false;
    scene.Composed();
    DrawLayers(scene, screen, m_Flow.WindowHidden);
    if (m_Flow.WindowHidden) return;
    TSprite& window = scene.MessageWindow();
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
