// The effect dispatcher: which layer an effect number runs on and what is left behind.
#include "engine/velmor.h"
#include "graphics/sprite_effects.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0;

// Without a window the effects still leave their layers as they would: frames go nowhere.
class TOffscreenSurface : public TDisplaySurface {
public:
    TOffscreenSurface(int width, int height) : m_Width(width), m_Height(height) {}
    int Width() const override { return m_Width; }
    int Height() const override { return m_Height; }
    void Present(const platform::Bitmap&, int, int) override {}

private:
    int m_Width, m_Height;
};

// Player input is ignored while an effect runs, whatever way it ends.
class TBusyScope {
public:
    explicit TBusyScope(TVelmor& engine) : m_Engine(engine), m_Was(engine.Busy()) {
        engine.SetBusy(true);
    }
    ~TBusyScope() { m_Engine.SetBusy(m_Was); }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    TVelmor& m_Engine;
    bool m_Was;
};

}  // namespace

void TVelmor::RunEffect(int number) {
    if (number < 1 || number > 23) return;
    TBusyScope busy(*this);
    TOffscreenSurface offscreen(m_Data.Width, m_Data.Height);
    TDisplaySurface& control = m_Display ? *m_Display : offscreen;
    if (number <= 12) {
        speffectRun(*m_Screen, control, number, m_DllRes);
        // The next composed frame starts in the colour the screen went to.
        if (number == 3 || number == 7 || number == 12) m_Background->Fill(kWhite);
        if (number == 4 || number == 8 || number == 10) m_Background->Fill(kBlack);
    } else if (number <= 22) {
        speffectRun(*m_Background, control, number, m_DllRes);
    } else {
        speffectFilter(*m_Background, number);
        speffectFilter(*m_Face, number);
        for (auto& mini : m_MiniFaces) speffectFilter(*mini, number);
    }
}

void TVelmor::CrossFadeToBackground(int durationMs) {
    TBusyScope busy(*this);
    TOffscreenSurface offscreen(m_Data.Width, m_Data.Height);
    speffectCrossFade(*m_Screen, m_Display ? *m_Display : offscreen, *m_Background,
                      static_cast<uint32_t>(durationMs < 0 ? 0 : durationMs), m_DllRes);
}
