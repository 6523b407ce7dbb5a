// The effect dispatcher: which layer an effect number runs on and what is left behind.
#include "engine/velmor.h"
#include "engine/velmor_presenter.h"
#include "engine/velmor_busy_scope.h"
#include "engine/velmor_offscreen_surface.h"
#include "graphics/sprite_effects.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0;

}  // namespace

void TVelmorPresenter::RunEffect(int number) {
    if (number < 1 || number > 23) return;
    FlushFrame();  // an effect starts from the frame the script reached
    // Player input is ignored while an effect runs, whatever way it ends.
    TVelmorBusyScope busy(m_Flow.Busy);
    TVelmorScene& scene = m_Scene;
    TVelmorOffscreenSurface offscreen(m_Clock, m_Data.Width, m_Data.Height);
    TVelmorOffscreenSurface instant(m_InstantTime, m_Data.Width, m_Data.Height);
    const bool atOnce = m_Engine.ChoiceSkip().Running();
    TDisplaySurface& control = atOnce ? instant : scene.Display() ? *scene.Display() : offscreen;
    if (number <= 12) {
        speffectRun(scene.Screen(), control, number, scene.DllRes());
        if (atOnce) ShowEndState(scene.Screen());
        // The next composed frame starts in the colour the screen went to.
        if (number == 3 || number == 7 || number == 12) scene.Background().Fill(kWhite);
        if (number == 4 || number == 8 || number == 10) scene.Background().Fill(kBlack);
    } else if (number <= 22) {
        speffectRun(scene.Background(), control, number, scene.DllRes());
        if (atOnce) ShowEndState(scene.Background());
    } else {
        speffectFilter(scene.Background(), number);
        speffectFilter(scene.Face(), number);
        for (int i = 0; i < scene.MiniFaceCount(); ++i) speffectFilter(scene.MiniFace(i), number);
    }
}

void TVelmorPresenter::CrossFadeToBackground(int durationMs) {
    FlushFrame();
    TVelmorBusyScope busy(m_Flow.Busy);
    TVelmorScene& scene = m_Scene;
    TVelmorOffscreenSurface offscreen(m_Clock, m_Data.Width, m_Data.Height);
    TVelmorOffscreenSurface instant(m_InstantTime, m_Data.Width, m_Data.Height);
    const bool atOnce = m_Engine.ChoiceSkip().Running();
    TDisplaySurface& control = atOnce ? instant : scene.Display() ? *scene.Display() : offscreen;
    speffectCrossFade(scene.Screen(), control, scene.Background(),
                      static_cast<uint32_t>(durationMs < 0 ? 0 : durationMs), scene.DllRes());
    if (atOnce) ShowEndState(scene.Screen());
}

void TVelmorPresenter::ShowEndState(TSprite& layer) {
    if (m_Scene.Display()) m_Scene.Display()->Present(layer.Image(), layer.Left(), layer.Top());
}
