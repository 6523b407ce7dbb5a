// The engine's effect dispatcher on a display: which layer each effect animates, how long it
// holds the engine busy, and what it leaves for the next frame.
#include <vector>

#include "graphics/display_surface.h"
#include "tests/engine/command_fixture.h"

namespace {

class Screen : public TDisplaySurface {
public:
    Screen(TVelmor& engine, platform::VirtualClock& clock)
        : TDisplaySurface(clock), m_Engine(engine), m_Clock(clock) {}
    int Width() const override { return 160; }
    int Height() const override { return 120; }
    void Present(const platform::Bitmap& frame, int left, int top) override {
        sizes.push_back(frame.Width());
        lefts.push_back(left);
        busy.push_back(m_Engine.Flow().Busy);
        times.push_back(m_Clock.TickCount());
        (void)top;
    }
    std::vector<int> sizes, lefts;
    std::vector<bool> busy;
    std::vector<uint32_t> times;

private:
    TVelmor& m_Engine;
    platform::VirtualClock& m_Clock;
};

}  // namespace

TEST_F(CommandTest, EffectsAnimateTheirLayerWhileTheEngineIsBusy) {
    TVelmor& e = Start("x\n");
    Picture("wide.png", 400, 120);
    Run("*b wide.png");
    Screen screen(e, m_Clock);
    e.Scene().SetDisplay(&screen);

    const uint32_t start = m_Clock.TickCount();
    Run("*out fade");
    EXPECT_GE(m_Clock.TickCount() - start, 1000u);
    ASSERT_GE(screen.sizes.size(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(screen.sizes[i], 160);  // the screen layer
        EXPECT_TRUE(screen.busy[i]);
        if (i) {
            EXPECT_GE(screen.times[i] - screen.times[i - 1], 125u);
        }
    }
    EXPECT_FALSE(e.Flow().Busy);
    EXPECT_EQ(e.Scene().Background().FillColour(), 0u);

    Run("*b wide.png");
    screen.sizes.clear();
    screen.lefts.clear();
    Run("*scroll right");
    // The background layer, one pixel a frame from -120 to the right edge at -240.
    ASSERT_GE(screen.lefts.size(), 120u);
    EXPECT_EQ(screen.sizes[0], 400);
    EXPECT_EQ(screen.lefts[0], -120);
    EXPECT_EQ(screen.lefts[119], -239);
    EXPECT_EQ(e.Scene().Background().Left(), -240);
    EXPECT_FALSE(e.Flow().Busy);
    e.Scene().SetDisplay(nullptr);
}

TEST_F(CommandTest, SepiaTurnsEveryPictureLayerAndContrastIsOnlyParsed) {
    TVelmor& e = Start("x\n", "<MiniFace>\nCount=1\n</MiniFace>\n");
    Picture("bg.png", 160, 120, 0x3366CC);
    Picture("face.png", 40, 60, 0x3366CC);
    Run("*b bg.png");
    Run("*f face.png");
    Run("*m face.png");
    const uint32_t before = e.Scene().Background().Image().Pixel(5, 5);
    Run("*effect contrast up");
    EXPECT_EQ(e.Scene().Background().Image().Pixel(5, 5), before);
    Run("*effect sepia");
    const uint32_t sepia = e.Scene().Background().Image().Pixel(5, 5);
    EXPECT_NE(sepia, before);
    EXPECT_EQ(e.Scene().Face().Image().Pixel(5, 5), sepia);
    EXPECT_EQ(e.Scene().MiniFace(0).Image().Pixel(5, 5), sepia);
    EXPECT_FALSE(e.Flow().Busy);
    EXPECT_TRUE(Records().empty());
}
