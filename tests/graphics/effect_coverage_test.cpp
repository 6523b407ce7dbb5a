// What the wipes and dissolves cover step by step: nothing is left uncovered after the last
// step, and a dissolve shows each pixel from one picture or the other, never a blend.
#include "graphics/image.h"
#include "graphics/sprite_effects.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "tests/graphics/effect_support.h"

namespace {

int CountOf(const platform::Bitmap& b, uint32_t colour) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) n += b.Pixel(x, y) == colour;
    return n;
}

std::string ErrorOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const EEngineError& e) {
        return e.Text();
    }
    return "(none)";
}

}  // namespace

TEST_F(EffectTest, WavesCoverMoreEachStepUntilNothingIsLeft) {
    surface->keepPictures = true;
    for (bool white : {false, true}) {
        const uint32_t pen = white ? 0xFFFFFFu : 0u;
        auto sprite = Layer();
        surface->pictures.clear();
        speffectWaveOut(*sprite, *surface, white, 80);
        ASSERT_EQ(surface->pictures.size(), 8u);
        int last = 0;
        for (const auto& picture : surface->pictures) {
            const int covered = CountOf(picture, pen);
            EXPECT_GT(covered, last);
            last = covered;
        }
        EXPECT_EQ(last, kW * kH);

        // In: the lines withdraw until the whole picture shows.
        sprite = Layer();
        surface->pictures.clear();
        speffectWaveIn(*sprite, *surface, white, 80);
        ASSERT_EQ(surface->pictures.size(), 8u);
        EXPECT_GT(CountOf(surface->pictures[0], pen), kW * kH / 2);
        EXPECT_EQ(CountOf(surface->pictures.back(), pen), 0);
        for (int y = 0; y < kH; y += 7)
            for (int x = 0; x < kW; x += 5) EXPECT_EQ(surface->shown.Pixel(x, y), Colour(x, y));
    }
}

// Each wave step, drawn from the one before, shows what the whole redraw of it showed, in
// every layout, with a wide pen and with a keyed picture.
TEST_F(EffectTest, WaveStepsEqualTheWholeRedraw) {
    using F = platform::PixelFormat;
    struct Case {
        F format;
        int pen, width, height;
        bool keyed;
    } const cases[] = {{F::Bit32, 1, 64, 48, false}, {F::Bit24, 1, 37, 21, false},
                       {F::Bit16, 1, 30, 50, false}, {F::Bit15, 1, 9, 3, false},
                       {F::Bit8, 1, 20, 20, false},  {F::Bit32, 3, 40, 30, false},
                       {F::Bit32, 1, 40, 30, true},  {F::Bit24, 1, 1, 17, false}};
    surface->keepPictures = true;
    for (const Case& c : cases)
        for (bool in : {false, true}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(c.format)) + (in ? " in" : " out"));
            auto sprite = Layer(c.width, c.height);
            sprite->Image().SetPixelFormat(c.format);
            if (c.keyed) sprite->Image().SetTransparentColour(Colour(3, 4));
            sprite->Image().GetCanvas().SetPenWidth(c.pen);
            const platform::Bitmap copy = sprite->Image();
            platform::Bitmap reference = copy;
            reference.GetCanvas().SetPenWidth(c.pen);
            reference.GetCanvas().SetPenColour(in ? 0u : 0xFFFFFFu);
            surface->pictures.clear();
            surface->shown.Fill(0x808080);
            TFakeSurface expected(clock, kW, kH);
            in ? speffectWaveIn(*sprite, *surface, false, 80)
               : speffectWaveOut(*sprite, *surface, true, 80);
            ASSERT_EQ(surface->pictures.size(), 8u);
            for (int i = 0; i < 8; ++i) {
                in ? sprite->ImageObject().DiagonalLinesOver(reference, copy, i, 8)
                   : sprite->ImageObject().DiagonalLines(reference, i, 8);
                expected.Present(reference, 0, 0);
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x)
                        ASSERT_EQ(surface->pictures[static_cast<size_t>(i)].Pixel(x, y),
                                  expected.shown.Pixel(x, y))
                            << "step " << i << " at " << x << "," << y;
            }
        }
}

TEST_F(EffectTest, SandMasksAccumulateAndTheLastStepCoversAll) {
    surface->keepPictures = true;
    auto sprite = Layer();
    speffectSandOut(*sprite, *surface, 80, library.get());
    ASSERT_EQ(surface->pictures.size(), 8u);
    EXPECT_EQ(CountOf(surface->pictures[0], 0), 0);  // pattern 0 keeps everything
    int last = 0;
    for (size_t i = 1; i < 8; ++i) {
        const int black = CountOf(surface->pictures[i], 0);
        EXPECT_GT(black, last) << i;
        last = black;
    }
    EXPECT_EQ(last, kW * kH);
    EXPECT_EQ(CountOf(sprite->Image(), 0), kW * kH);  // the mask stays on the picture

    sprite = Layer();
    surface->pictures.clear();
    speffectSandIn(*sprite, *surface, 80, library.get());
    ASSERT_EQ(surface->pictures.size(), 8u);
    EXPECT_EQ(CountOf(surface->pictures[0], 0), kW * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            ASSERT_EQ(surface->shown.Pixel(x, y), Colour(x, y));
            ASSERT_EQ(sprite->Image().Pixel(x, y), Colour(x, y));  // restored afterwards
        }
    // The surface is plain again for whoever draws next.
    EXPECT_FALSE(sprite->Image().GetCanvas().HasBrushPattern());
    EXPECT_EQ(sprite->Image().GetCanvas().GetCopyMode(), platform::CopyMode::Copy);
}

TEST_F(EffectTest, DissolvesTakeEachPixelFromOnePictureAndEndOnTheNewOne) {
    surface->keepPictures = true;
    auto sprite = Layer();
    auto other = Layer();
    other->Fill(0x00FF00);
    speffectCrossFade(*sprite, *surface, *other, 80, library.get());
    ASSERT_EQ(surface->pictures.size(), 9u);
    int last = -1;
    for (const auto& picture : surface->pictures) {
        const int incoming = CountOf(picture, 0x00FF00);
        for (int y = 0; y < kH; y += 3)
            for (int x = 0; x < kW; x += 3) {
                const uint32_t p = picture.Pixel(x, y);
                ASSERT_TRUE(p == 0x00FF00u || p == Colour(x, y)) << x << "," << y;
            }
        EXPECT_GE(incoming, last);
        last = incoming;
    }
    EXPECT_EQ(last, kW * kH);
    EXPECT_EQ(CountOf(sprite->Image(), 0x00FF00), kW * kH);  // the picture became the other

    // From the screen: the surface's own picture dissolves into the sprite's, which stays.
    surface->pictures.clear();
    surface->shown.Fill(0x0000FF);
    auto next = Layer();
    speffectCrossFade(*next, *surface, 200, library.get());
    ASSERT_EQ(surface->pictures.size(), 8u);
    const int halfway = CountOf(surface->pictures[3], 0x0000FF);
    EXPECT_GT(halfway, 0);
    EXPECT_LT(halfway, kW * kH);
    EXPECT_EQ(CountOf(surface->shown, 0x0000FF), 0);
    EXPECT_EQ(surface->shown.Pixel(40, 30), Colour(40, 30));
    EXPECT_EQ(next->Image().Pixel(40, 30), Colour(40, 30));
}

TEST_F(EffectTest, MissingPatternsAndFilters) {
    auto sprite = Layer();
    EXPECT_EQ(ErrorOf([&] { speffectSandIn(*sprite, *surface, 80, nullptr); }),
              SJ("リソースロードエラー\nIDB_SANDSTORM_B0が見つかりません"));
    EXPECT_EQ(ErrorOf([&] { speffectSandOut(*sprite, *surface, 80, nullptr); }),
              SJ("リソースロードエラー\nIDB_SANDSTORM_B0が見つかりません"));
    auto other = Layer();
    EXPECT_EQ(ErrorOf([&] { speffectCrossFade(*sprite, *surface, *other, 80, nullptr); }),
              SJ("メモリ不足エラー\nTSprite::speffectCrossFade"));
    EXPECT_EQ(ErrorOf([&] { speffectCrossFade(*sprite, *surface, 80, nullptr); }),
              SJ("メモリ不足エラー\nTSprite::speffectCrossFade"));
    EXPECT_TRUE(surface->frames.empty());
    EXPECT_EQ(sprite->Image().Pixel(3, 3), Colour(3, 3));

    // Filters change the picture in place and keep its format; other numbers and no picture
    // leave things alone.
    const uint32_t before = sprite->Image().Pixel(20, 20);
    speffectFilter(*sprite, 22);
    EXPECT_EQ(sprite->Image().Pixel(20, 20), before);
    speffectFilter(*sprite, 23);
    const uint32_t sepia = sprite->Image().Pixel(20, 20);
    EXPECT_NE(sepia, before);
    EXPECT_EQ(sprite->Image().GetPixelFormat(), platform::PixelFormat::Bit32);
    speffectFilter(*sprite, 24);
    EXPECT_NE(sprite->Image().Pixel(20, 20), sepia);
    TSprite empty(7, true, nullptr, nullptr, nullptr);
    speffectFilter(empty, 23);
    speffectFadeOut(empty, *surface, true, 80);
    speffectTumble(empty, *surface, true, 80);
    EXPECT_TRUE(empty.Image().Empty());
    EXPECT_TRUE(surface->frames.empty());
}
