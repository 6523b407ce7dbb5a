// Frame counts and pacing of the transitions on virtual time, what they leave behind, and
// the pans and shakes with their end positions.
#include <functional>
#include <string>

#include "graphics/sprite_effects.h"
#include "tests/graphics/effect_support.h"

namespace {

// Every step is shown once and the next one starts no sooner than duration / 8 later.
void ExpectPaced(const std::vector<TFakeSurface::Frame>& frames, size_t count, uint32_t step) {
    ASSERT_EQ(frames.size(), count);
    for (size_t i = 1; i < frames.size(); ++i) {
        EXPECT_GE(frames[i].time - frames[i - 1].time, step) << "frame " << i;
        // The wait ends at the deadline, not a whole step after it.
        EXPECT_LT(frames[i].time - frames[i - 1].time, step + TFakeSurface::kPresentCost + 10)
            << "frame " << i;
    }
}

}  // namespace

TEST_F(EffectTest, SteppedEffectsShowEightPacedFramesAndLetEventsThrough) {
    struct Case {
        const char* name;
        std::function<void(TSprite&, TDisplaySurface&)> run;
        size_t frames;
    };
    TyxDllRes* lib = library.get();
    auto other = Layer();
    other->Fill(0x00FF00);
    const Case cases[] = {
        {"fade in", [](TSprite& s, TDisplaySurface& c) { speffectFadeIn(s, c, true, 1000); }, 8},
        {"fade out", [](TSprite& s, TDisplaySurface& c) { speffectFadeOut(s, c, false, 1000); }, 8},
        {"wave in", [](TSprite& s, TDisplaySurface& c) { speffectWaveIn(s, c, false, 1000); }, 8},
        {"wave out", [](TSprite& s, TDisplaySurface& c) { speffectWaveOut(s, c, true, 1000); }, 8},
        {"sand in", [lib](TSprite& s, TDisplaySurface& c) { speffectSandIn(s, c, 1000, lib); }, 8},
        {"sand out", [lib](TSprite& s, TDisplaySurface& c) { speffectSandOut(s, c, 1000, lib); },
         8},
        {"cross",
         [&](TSprite& s, TDisplaySurface& c) { speffectCrossFade(s, c, *other, 1000, lib); },
         9},  // the outgoing picture first
        {"cross from screen",
         [lib](TSprite& s, TDisplaySurface& c) { speffectCrossFade(s, c, 200, lib); }, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto sprite = Layer();
        surface->frames.clear();
        surface->pumps = 0;
        const uint32_t start = clock.TickCount();
        c.run(*sprite, *surface);
        const uint32_t step = std::string(c.name) == "cross from screen" ? 25 : 125;
        ASSERT_EQ(surface->frames.size(), c.frames);
        ExpectPaced({surface->frames.end() - 8, surface->frames.end()}, 8, step);
        EXPECT_GE(clock.TickCount() - start, 8 * step);
        EXPECT_GE(surface->pumps, 8);
        EXPECT_EQ(sprite->Image().GetPixelFormat(), platform::PixelFormat::Bit32);
    }
}

TEST_F(EffectTest, GammaShowsAnExtraFrameAndFadesEndInTheirColour) {
    auto sprite = Layer();
    speffectGammaIn(*sprite, *surface, 1000);
    ASSERT_EQ(surface->frames.size(), 9u);  // the washed-out picture at once, then 8 steps
    ExpectPaced({surface->frames.begin() + 1, surface->frames.end()}, 8, 125);
    EXPECT_EQ(sprite->Image().Pixel(5, 7), Colour(5, 7));  // the last step is the picture itself
    EXPECT_EQ(surface->shown.Pixel(5, 7), Colour(5, 7));
    EXPECT_EQ(sprite->Image().GetPixelFormat(), platform::PixelFormat::Bit32);

    surface->frames.clear();
    speffectGammaOut(*sprite, *surface, 1000);
    ASSERT_EQ(surface->frames.size(), 9u);  // 8 steps, then the white picture
    EXPECT_EQ(sprite->FillColour(), 0xFFFFFFu);
    EXPECT_EQ(surface->shown.Pixel(30, 20), 0xFFFFFFu);

    for (bool white : {false, true}) {
        sprite = Layer();
        speffectFadeOut(*sprite, *surface, white, 400);
        EXPECT_EQ(sprite->FillColour(), white ? 0xFFFFFFu : 0u);
        EXPECT_EQ(sprite->Image().Pixel(63, 47), white ? 0xFFFFFFu : 0u);
        EXPECT_EQ(sprite->Image().GetPixelFormat(), platform::PixelFormat::Bit32);
        speffectFadeIn(*Layer(), *surface, white, 400);
        EXPECT_EQ(surface->shown.Pixel(63, 47), Colour(63, 47));
    }
}

TEST_F(EffectTest, PansFrameByFrameToTheEdgeAndAnchorThere) {
    surface = std::make_unique<TFakeSurface>(clock, 800, 600);
    auto wide = Layer(1200, 8);
    speffectScroll(*wide, *surface, 1, 0, 1000);
    ASSERT_EQ(surface->frames.size(), 400u);
    for (size_t i = 0; i < 400; ++i) ASSERT_EQ(surface->frames[i].left, -static_cast<int>(i));
    EXPECT_EQ(surface->frames[1].time - surface->frames[0].time, 3u);  // 1000 / 400 = 2 < cost
    EXPECT_EQ(wide->Left(), -400);
    EXPECT_EQ(wide->AnchorH(), 1);
    EXPECT_EQ(wide->PositionX(), 800);
    EXPECT_EQ(wide->AnchorV(), -1);  // the other axis keeps its anchor
    EXPECT_EQ(wide->Top(), 0);

    // Already at the left edge: nothing to draw, the anchor still moves to the left edge.
    surface->frames.clear();
    auto at = Layer(1200, 8);
    at->SetAnchor(0, -1, 600, 0);
    speffectScroll(*at, *surface, -1, 0, 1000);
    EXPECT_TRUE(surface->frames.empty());
    EXPECT_EQ(at->AnchorH(), -1);
    EXPECT_EQ(at->PositionX(), 0);

    // Diagonal: the longer axis sets the frame count, the shorter one stops at its edge.
    surface->frames.clear();
    auto big = Layer(900, 700);
    big->SetBasePoint(5, 400, 300);  // Left -50, Top -50
    speffectScroll(*big, *surface, -1, 1, 1000);
    ASSERT_EQ(surface->frames.size(), 50u);
    EXPECT_GE(surface->frames[1].time - surface->frames[0].time, 20u);
    EXPECT_EQ(surface->frames.back().left, -1);
    EXPECT_EQ(surface->frames.back().top, -99);
    EXPECT_EQ(big->Left(), 0);
    EXPECT_EQ(big->Bottom(), 600);
    EXPECT_EQ(big->Top(), -100);
}

TEST_F(EffectTest, ShakesInFiveFramesWithoutEventsAndStaysPut) {
    auto sprite = Layer(64, 1024);
    sprite->SetBasePoint(5, 32, 24);
    const int top = sprite->Top(), left = sprite->Left();
    speffectTumble(*sprite, *surface, true, 500);
    ASSERT_EQ(surface->frames.size(), 5u);
    const int expected[] = {-128, 32, -8, 2, 0};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(surface->frames[i].top, top + expected[i]);
        EXPECT_EQ(surface->frames[i].left, left);
        if (i) {
            EXPECT_GE(surface->frames[i].time - surface->frames[i - 1].time, 100u);
        }
    }
    EXPECT_EQ(surface->pumps, 0);
    EXPECT_EQ(sprite->Top(), top);

    surface->frames.clear();
    auto flat = Layer(100, 10);
    speffectTumble(*flat, *surface, false, 500);
    ASSERT_EQ(surface->frames.size(), 5u);
    EXPECT_EQ(surface->frames[0].left, -12);
    EXPECT_EQ(surface->frames[1].left, 3);
    EXPECT_EQ(surface->frames[2].left, 0);  // -3 / 4 is 0 toward zero
    EXPECT_EQ(surface->frames[4].left, 0);
}

TEST_F(EffectTest, EffectNumbersRunWithTheirDurations) {
    auto sprite = Layer();
    uint32_t start = clock.TickCount();
    speffectRun(*sprite, *surface, 21, library.get());
    EXPECT_GE(clock.TickCount() - start, 500u);
    EXPECT_LT(clock.TickCount() - start, 600u);
    start = clock.TickCount();
    speffectRun(*sprite, *surface, 10, library.get());
    EXPECT_GE(clock.TickCount() - start, 1000u);
    EXPECT_EQ(sprite->Image().Pixel(10, 10), 0u);  // sand out leaves the covered picture
    surface->frames.clear();
    for (int n : {0, 23, 26, -1}) speffectRun(*sprite, *surface, n, library.get());
    EXPECT_TRUE(surface->frames.empty());
}
