// The image object: clipping of BlendDraw, masked drawing, filters, line patterns, smooth text.
#include "graphics/image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/bitmap.h"
#include "platform/canvas.h"

using platform::Bitmap;

namespace {

constexpr uint8_t k32 = static_cast<uint8_t>(platform::PixelFormat::Bit32);

// Every source column has its own colour so placement can be read back.
Bitmap Columns(int w, int h) {
    Bitmap b;
    b.SetFormat(w, h, 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, static_cast<uint32_t>(x + 1) | (static_cast<uint32_t>(y) << 16));
    return b;
}

Bitmap Map(int w, int h, uint8_t value) {
    Bitmap m;
    m.SetFormat(w, h, 8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m.ScanLine(y)[x] = value;
    return m;
}

uint32_t SourceColumn(uint32_t pixel) {
    return (pixel & 0xFFFF) - 1;
}

}  // namespace

TEST(ImageBlendDraw, ClipsAtEveryEdgePlainAndMirrored) {
    for (bool vector : {false, true}) {
        TyxImage image(k32, vector);
        for (bool mirrored : {false, true}) {
            SCOPED_TRACE(testing::Message() << "vector " << vector << " mirrored " << mirrored);
            // 850 wide at x = -100 on an 800-wide target: columns 0..749.
            Bitmap target;
            target.SetFormat(800, 4, 32);
            target.Fill(0xABCDEF);
            Bitmap source = Columns(850, 2);
            image.BlendDraw(target, -100, 1, source, Map(850, 2, 0), 850, 2, mirrored);
            EXPECT_EQ(SourceColumn(target.Pixel(0, 1)), mirrored ? 749u : 100u);
            EXPECT_EQ(SourceColumn(target.Pixel(749, 1)), mirrored ? 0u : 849u);
            EXPECT_EQ(target.Pixel(750, 1), 0xABCDEFu);
            EXPECT_EQ(target.Pixel(10, 0), 0xABCDEFu);
            EXPECT_EQ(target.Pixel(10, 3), 0xABCDEFu);

            // Cut at the right edge.
            target.Fill(0xABCDEF);
            image.BlendDraw(target, 700, 0, source, Map(850, 2, 0), 850, 2, mirrored);
            EXPECT_EQ(target.Pixel(699, 0), 0xABCDEFu);
            EXPECT_EQ(SourceColumn(target.Pixel(700, 0)), mirrored ? 849u : 0u);
            EXPECT_EQ(SourceColumn(target.Pixel(799, 0)), mirrored ? 750u : 99u);

            // Cut at both edges: every column still shows what the whole flipped picture puts
            // there.
            Bitmap wide = Columns(1000, 1);
            target.Fill(0);
            image.BlendDraw(target, -100, 0, wide, Map(1000, 1, 0), 1000, 1, mirrored);
            for (int x : {0, 1, 400, 799})
                EXPECT_EQ(SourceColumn(target.Pixel(x, 0)), mirrored ? 899u - x : 100u + x);
        }
    }
}

TEST(ImageBlendDraw, TallPicturesAndPicturesOutside) {
    TyxImage image(k32, true);
    Bitmap target;
    target.SetFormat(20, 100, 32);
    Bitmap tall = Columns(20, 250);
    image.BlendDraw(target, 0, -200, tall, Map(20, 250, 0), 20, 250, false);
    EXPECT_EQ(target.Pixel(0, 0) >> 16, 200u);
    EXPECT_EQ(target.Pixel(0, 49) >> 16, 249u);
    EXPECT_EQ(target.Pixel(0, 50), 0u);  // no source row past the last one

    const Bitmap before = target;
    for (auto [x, y] : {std::pair{-20, 0}, {20, 0}, {0, -250}, {0, 100}, {-10000, -10000}})
        image.BlendDraw(target, x, y, tall, Map(20, 250, 0), 20, 250, true);
    for (int y = 0; y < 100; ++y) ASSERT_EQ(target.Pixel(5, y), before.Pixel(5, y));
}

TEST(ImageBlendDraw, MixesThroughTheMap) {
    TyxImage image(k32, false);
    Bitmap target, source;
    target.SetFormat(2, 1, 32);
    source.SetFormat(2, 1, 32);
    target.Fill(0x204060);
    source.Fill(0xF0C080);
    image.BlendDraw(target, 0, 0, source, Map(2, 1, 64), 2, 1, false);
    const uint32_t p = target.Pixel(1, 0);
    EXPECT_EQ(p & 0xFF, static_cast<uint32_t>((0x60 * 64 + 0x80 * 191) >> 8));
    EXPECT_EQ((p >> 8) & 0xFF, static_cast<uint32_t>((0x40 * 64 + 0xC0 * 191) >> 8));
    EXPECT_EQ(p >> 16, static_cast<uint32_t>((0x20 * 64 + 0xF0 * 191) >> 8));
}

TEST(ImageMaskDraw, AndsTheMaskThenOrsThePictureAndFlips) {
    TyxImage image(k32, true);
    Bitmap picture, mask, target;
    picture.SetFormat(3, 1, 32);
    mask.SetFormat(3, 1, 32);
    picture.SetPixel(0, 0, 0x0000FF);  // opaque red
    picture.SetPixel(1, 0, 0);         // transparent: black picture, white mask
    picture.SetPixel(2, 0, 0x00FF00);
    mask.SetPixel(1, 0, 0xFFFFFF);
    for (bool mirrored : {false, true}) {
        target.SetFormat(5, 1, 32);
        target.Fill(0x123456);
        if (mirrored)
            image.MaskDrawMirrored(target.GetCanvas(), 1, 0, picture, mask);
        else
            image.MaskDraw(target.GetCanvas(), 1, 0, picture, mask);
        EXPECT_EQ(target.Pixel(0, 0), 0x123456u);
        EXPECT_EQ(target.Pixel(mirrored ? 3 : 1, 0), 0x0000FFu);
        EXPECT_EQ(target.Pixel(2, 0), 0x123456u);
        EXPECT_EQ(target.Pixel(mirrored ? 1 : 3, 0), 0x00FF00u);
        EXPECT_EQ(target.Pixel(4, 0), 0x123456u);
        EXPECT_EQ(target.GetCanvas().GetCopyMode(), platform::CopyMode::Copy);
    }
}

TEST(ImageFilters, LevelRounding) {
    EXPECT_EQ(TyxImage::Level(3.2), 4);
    EXPECT_EQ(TyxImage::Level(254.9), 254);
    EXPECT_EQ(TyxImage::Level(255.0), 255);
    EXPECT_EQ(TyxImage::Level(1.0), 2);
    EXPECT_EQ(TyxImage::Level(2.0), 2);
    EXPECT_EQ(TyxImage::Level(0.9), 0);
    EXPECT_EQ(TyxImage::Level(-3.0), 0);
}

namespace {

// A 24-bit picture holding every byte value 0..255 once per channel.
Bitmap Ramp() {
    Bitmap b;
    b.SetFormat(256, 1, 24);
    uint8_t* row = b.ScanLine(0);
    for (int x = 0; x < 256; ++x)
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<uint8_t>(x);
    return b;
}

}  // namespace

TEST(ImageFilters, TablesFollowTheirFormulas) {
    TyxImage image(k32, true);
    const Bitmap ramp = Ramp();
    for (int amount : {0, 300, -256}) {
        Bitmap b = ramp;
        image.Brightness(b, amount);
        EXPECT_EQ(0, std::memcmp(b.ScanLine(0), ramp.ScanLine(0), 768));
    }
    Bitmap b = ramp;
    image.Brightness(b, -40);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(b.ScanLine(0)[3 * i], std::max(i - 40, 0));

    b = ramp;
    image.Gamma(b, 2.2);
    image.Contrast(b, 1.0);
    EXPECT_EQ(0, std::memcmp(b.ScanLine(0), ramp.ScanLine(0), 768));
    image.Gamma(b, 0.75);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(b.ScanLine(0)[3 * i + 1],
                  TyxImage::Level(255.0 * std::pow(i / 255.0, 0.75 / 2.2)));
    EXPECT_EQ(b.ScanLine(0)[3 * 128], TyxImage::Level(255.0 * std::pow(128 / 255.0, 0.75 / 2.2)));

    for (double factor : {2.0, 0.5}) {
        b = ramp;
        image.Contrast(b, factor);
        const double offset = std::trunc(128 - 128 * factor);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(b.ScanLine(0)[3 * i + 2],
                      std::clamp(static_cast<int>(std::trunc(factor * i + offset)), 0, 255));
    }
}

TEST(ImageFilters, SepiaAndFormatSwitching) {
    TyxImage image(k32, true);
    Bitmap b;
    b.SetFormat(2, 1, 32);
    b.SetPixel(0, 0, 0x3080C0);  // red C0, green 80, blue 30
    b.SetPixel(1, 0, 0xFFFFFF);
    image.Sepia(b);
    EXPECT_EQ(b.GetPixelFormat(), platform::PixelFormat::Bit32);
    const int grey = (77 * 0xC0 + 150 * 0x80 + 29 * 0x30 + 128) >> 8;
    const uint32_t p = b.Pixel(0, 0);
    EXPECT_EQ(p & 0xFF, TyxImage::Level(255.0 * std::pow(grey / 255.0, 0.75)));
    EXPECT_EQ((p >> 8) & 0xFF, static_cast<uint32_t>(grey));
    EXPECT_EQ(p >> 16, TyxImage::Level(255.0 * std::pow(grey / 255.0, 1.33)));
    EXPECT_EQ(b.Pixel(1, 0), 0xFFFFFFu);

    int changes = 0;
    b.SetOnChange([&] { ++changes; });
    image.Brightness(b, 10);
    EXPECT_EQ(changes, 1);
}

TEST(ImageLines, DiagonalStepsCoverThePicture) {
    TyxImage image(k32, true);
    Bitmap b;
    b.SetFormat(37, 23, 32);
    b.Fill(0xFFFFFF);
    b.GetCanvas().SetPenColour(0);
    image.DiagonalLines(b, 0, 8);
    int covered = 0;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) covered += b.Pixel(x, y) == 0;
    EXPECT_GT(covered, 0);
    EXPECT_LT(covered, 37 * 23 / 4);
    for (int step = 1; step < 8; ++step) image.DiagonalLines(b, step, 8);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(b.Pixel(x, y), 0u) << x << "," << y;

    // Over: the last step shows the whole picture, the first only one residue class of it.
    Bitmap picture;
    picture.SetFormat(37, 23, 32);
    picture.Fill(0x00FF00);
    image.DiagonalLinesOver(b, picture, 7, 8);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(b.Pixel(x, y), 0x00FF00u);
    image.DiagonalLinesOver(b, picture, 0, 8);
    int shown = 0;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) shown += b.Pixel(x, y) == 0x00FF00u;
    EXPECT_GT(shown, 0);
    EXPECT_LT(shown, 37 * 23 / 4);
}

TEST(ImageText, SmoothTextWritesARoundedBlockWithGreyEdges) {
    TyxImage image(k32, true);
    Bitmap target;
    target.SetFormat(200, 60, 32);
    target.Fill(0x000000);
    platform::Canvas& canvas = target.GetCanvas();
    canvas.SetFontName("");
    canvas.SetFontHeight(-18);
    canvas.SetFontColour(0xFFFFFF);
    canvas.SetBackgroundTransparent(true);
    const std::string text = "Ag";
    const platform::TextSize size = canvas.TextExtent(text);
    ASSERT_GT(size.width, 0);
    const int w = (size.width + 3) & ~3, h = (size.height + 3) & ~3;
    // A marker colour around the text shows where the block ends.
    target.Fill(0x0000FE);
    ASSERT_TRUE(image.TextOutSmooth(canvas, 10, 5, text, static_cast<int>(text.size())));
    bool grey = false;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) {
            const uint32_t p = target.Pixel(x, y);
            const bool inside = x >= 10 && x < 10 + w && y >= 5 && y < 5 + h;
            if (!inside) {
                ASSERT_EQ(p, 0x0000FEu) << x << "," << y;
            }
            if (inside && p != 0x0000FEu && p != 0xFFFFFFu) grey = true;
        }
    EXPECT_TRUE(grey);
    EXPECT_FALSE(image.TextOutSmooth(canvas, 0, 0, "", 0));
}
