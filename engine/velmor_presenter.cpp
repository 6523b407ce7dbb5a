// Composing the layers into the screen layer and showing it.
#include "engine/velmor_presenter.h"

#include "engine/velmor.h"
#include "engine/velmor_busy_scope.h"
#include "graphics/display_surface.h"
#include "platform/clock.h"

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

TVelmorPresenter::TVelmorPresenter(TVelmor& engine)
    : m_Engine(engine),
      m_Scene(engine.Scene()),
      m_Message(engine.Message()),
      m_Choices(engine.Choices()),
      m_Flow(engine.Flow()),
      m_Data(engine.SystemData()),
      m_State(engine.SystemState()),
      m_Clock(*engine.Services().clock) {}

uint32_t TVelmorPresenter::Now() const {
    return m_Clock.TickCount();
}

void TVelmorPresenter::ComposeFrame(TReveal reveal) {
    TVelmorScene& scene = m_Scene;
    TSprite& screen = scene.Screen();
    m_FramePending = m_FrameShown = m_RevealHeld = false;
    scene.Composed();
    DrawLayers(scene, screen, m_Flow.WindowHidden);
    if (m_Flow.WindowHidden) return;
    TSprite& window = scene.MessageWindow();
    const TVelmorGameMode& mode = m_Engine.ModeObject();
    if (mode.ShowsMessage() && window.Visible()) {
        if (m_State.MessageAnimation && reveal == TReveal::Keep)
            m_Message.DrawRevealed();
        else if (m_State.MessageAnimation)
            m_Message.StartReveal();
        else
            m_Message.Draw();
    }
    if (mode.ShowsChoices())
        m_Choices.Draw(screen, scene.LinePitch(), static_cast<uint32_t>(m_Data.MessageColor),
                       static_cast<uint32_t>(m_Data.MessageSelectColor), m_State.AntiAliasText);
}

void TVelmorPresenter::PresentFrame() {
    m_Schedule.Presented(Now());
    if (!m_Scene.Redraw() || m_Flow.Skip) {
        m_Scene.Present(m_Flow.Skip);
        return;
    }
    TVelmorBusyScope busy(m_Flow.Busy);
    m_Scene.Present(m_Flow.Skip);
}

void TVelmorPresenter::SetMessageFont(const std::string& name) {
    m_State.FontName = name;
    m_Scene.Screen().SetFontName(name);
}

bool TVelmorPresenter::ComposeStartsReveal() const {
    return m_State.MessageAnimation && !m_Flow.WindowHidden &&
           m_Engine.ModeObject().ShowsMessage() && m_Scene.MessageWindow().Visible();
}

bool TVelmorPresenter::HoldMessageFrame() {
    using F = TVelmorFrameSchedule::TFate;
    const F fate = m_Schedule.NewFrame(m_Scene.Redraw() && !m_Flow.Skip, m_Flow.Skip,
                                       m_State.MessageAnimation && !m_Flow.Skip, Now());
    if (fate == F::Drawn) {
        ComposeFrame();
        PresentFrame();
        return false;
    }
    // The window shows a frame until the next refresh, even when a held one follows it.
    if (fate == F::Held && m_FrameShown) FlushFrame();
    m_FramePending = true;
    m_FrameShown = m_RevealHeld = false;
    if (fate == F::Shown) ShowHeldFrame();
    return true;
}

void TVelmorPresenter::ShowHeldFrame() {
    if (m_Schedule.ShownFate() == TVelmorFrameSchedule::TFate::Drawn) {
        FlushFrame();
        return;
    }
    m_FrameShown = true;
    m_Schedule.Presented(Now());
    // The reveal runs its course unseen; the frame, when drawn, shows where it got.
    m_RevealHeld = ComposeStartsReveal();
    if (m_RevealHeld) m_Message.StartReveal();
}

void TVelmorPresenter::FlushDueFrame() {
    if (m_FramePending && !m_FrameShown && m_Schedule.Due(m_Flow.Skip, Now())) ShowHeldFrame();
}

void TVelmorPresenter::FrameAtRest() {
    if (m_FramePending && !m_FrameShown) ShowHeldFrame();
}

void TVelmorPresenter::BeforeSceneChange() {
    if (m_FrameShown) FlushFrame();
}

void TVelmorPresenter::FlushFrame() {
    if (!m_FramePending) return;
    const bool shown = m_FrameShown;
    const TVelmorFrameSchedule pacing = m_Schedule;
    // A reveal that went on unseen is drawn to where it reached, not started again.
    ComposeFrame(m_RevealHeld ? TReveal::Keep : TReveal::Restart);
    PresentFrame();
    // Drawn late, a frame the window showed keeps the moment it was shown.
    if (shown) m_Schedule = pacing;
}

bool TVelmorPresenter::ShownFrame(platform::Bitmap& out) {
    // A frame still held back is not on the window yet.
    if (m_FrameShown) FlushFrame();
    // During a moving effect the display holds the moving frame apart: it tells what shows.
    return m_Scene.Display() && m_Scene.Display()->CopyImage(out);
}

void TVelmorPresenter::FadeToMode() {
    m_Flow.WindowHidden = true;
    ComposeFrame();
    RunEffect(10);
    m_Scene.Background().SetVisible(true);
    m_Scene.HideFaces();
    m_Flow.WindowHidden = false;
}
