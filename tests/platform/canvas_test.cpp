// The drawing surface: raster operations with patterns, copies, lines, rectangles and text.
#include "platform/canvas.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/bitmap.h"
#include "platform/sjis.h"

using platform::Bitmap;
using platform::Canvas;
using platform::CopyMode;
using platform::Rect;

namespace {

Bitmap Solid(int w, int h, uint32_t colour, int bits = 32) {
    Bitmap b;
    b.SetFormat(w, h, bits);
    b.Fill(colour);
    return b;
}

// A checker pattern: white where x + y is even.
Bitmap Checker() {
    Bitmap p = Solid(8, 8, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if ((x + y) % 2 == 0) p.SetPixel(x, y, 0xFFFFFF);
    return p;
}

}  // namespace

TEST(Canvas, RasterOperationsWithTiledPatterns) {
    for (int bits : {32, 24}) {
        Bitmap target = Solid(20, 10, 0x0F0F0F, bits);
        Canvas& canvas = target.GetCanvas();
        canvas.SetBrushPattern(Checker());
        canvas.SetCopyMode(CopyMode::PatternAnd);
        canvas.Draw(0, 0, target);  // the source only gives the area
        EXPECT_EQ(target.Pixel(0, 0), 0x0F0F0Fu);
        EXPECT_EQ(target.Pixel(1, 0), 0u);
        EXPECT_EQ(target.Pixel(17, 9), 0x0F0F0Fu);  // tiled past the first 8 × 8
        EXPECT_EQ(target.Pixel(16, 9), 0u);

        Bitmap source = Solid(20, 10, 0x00F0F0);
        target.Fill(0x0F0F0F);
        canvas.SetCopyMode(CopyMode::SourceAndPattern);
        canvas.Draw(0, 0, source);
        EXPECT_EQ(target.Pixel(2, 2), 0x00F0F0u);
        EXPECT_EQ(target.Pixel(3, 2), 0u);

        target.Fill(0x0F0F0F);
        canvas.SetCopyMode(CopyMode::And);
        canvas.Draw(0, 0, Solid(3, 3, 0x00FFFF));
        EXPECT_EQ(target.Pixel(1, 1), 0x000F0Fu);
        canvas.SetCopyMode(CopyMode::Or);
        canvas.Draw(0, 0, Solid(3, 3, 0xF00000));
        EXPECT_EQ(target.Pixel(1, 1), 0xF00F0Fu);
        EXPECT_EQ(target.Pixel(3, 3), 0x0F0F0Fu);
    }
}

TEST(Canvas, CopiesStretchesMirrorsAndHonoursTheColourKey) {
    Bitmap source = Solid(2, 1, 0);
    source.SetPixel(0, 0, 0x0000FF);
    source.SetPixel(1, 0, 0x00FF00);
    Bitmap target = Solid(6, 2, 0xFFFFFF);
    Canvas& canvas = target.GetCanvas();
    canvas.StretchDraw(Rect{0, 0, 4, 2}, source);
    EXPECT_EQ(target.Pixel(1, 1), 0x0000FFu);
    EXPECT_EQ(target.Pixel(2, 0), 0x00FF00u);
    EXPECT_EQ(target.Pixel(4, 0), 0xFFFFFFu);

    // Left and right exchanged: the same rectangle, flipped.
    target.Fill(0xFFFFFF);
    canvas.StretchDraw(Rect{2, 0, 0, 1}, source);
    EXPECT_EQ(target.Pixel(0, 0), 0x00FF00u);
    EXPECT_EQ(target.Pixel(1, 0), 0x0000FFu);
    EXPECT_EQ(target.Pixel(2, 0), 0xFFFFFFu);

    source.SetTransparentColour(0x0000FF);
    target.Fill(0xFFFFFF);
    canvas.Draw(4, 1, source);
    EXPECT_EQ(target.Pixel(4, 1), 0xFFFFFFu);
    EXPECT_EQ(target.Pixel(5, 1), 0x00FF00u);

    // Off the edges and onto other depths.
    canvas.Draw(-1, -1, source);
    Bitmap grey = Solid(4, 1, 0, 8);
    grey.GetCanvas().Draw(0, 0, Solid(2, 1, 0xFFFFFF));
    EXPECT_EQ(grey.Pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(grey.BitsPerPixel(), 8);
    Bitmap b15 = Solid(4, 1, 0, 15);
    b15.GetCanvas().Draw(0, 0, Solid(2, 1, 0x0000FF));
    EXPECT_EQ(b15.Pixel(0, 0), 0x0000FFu);
}

TEST(Canvas, LinesLeaveOutTheirEndPointAndRectanglesTheirFarEdges) {
    Bitmap b = Solid(10, 10, 0);
    Canvas& canvas = b.GetCanvas();
    canvas.SetPenColour(0xFFFFFF);
    canvas.MoveTo(5, 0);
    canvas.LineTo(0, 5);
    EXPECT_EQ(b.Pixel(5, 0), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(1, 4), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(0, 5), 0u);
    canvas.LineTo(0, 9);  // continues from the last end point
    EXPECT_EQ(b.Pixel(0, 5), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(0, 9), 0u);
    canvas.MoveTo(20, 0);
    canvas.LineTo(-20, 40);  // far outside: clipped, no fault

    canvas.SetBrushColour(0x00FF00);
    canvas.FillRect(Rect{2, 2, 4, 4});
    EXPECT_EQ(b.Pixel(3, 3), 0x00FF00u);
    EXPECT_NE(b.Pixel(4, 3), 0x00FF00u);
    EXPECT_NE(b.Pixel(3, 4), 0x00FF00u);
}

TEST(Canvas, FontsMapToTheIpaFacesAndMeasureText) {
    EXPECT_EQ(Canvas::HostFace(platform::Utf8ToSjis("ＭＳ Ｐゴシック")), "IPAPGothic");
    EXPECT_EQ(Canvas::HostFace(platform::Utf8ToSjis("ＭＳ ゴシック")), "IPAGothic");
    Bitmap b = Solid(300, 40, 0);
    Canvas& canvas = b.GetCanvas();
    canvas.SetFontName(platform::Utf8ToSjis("ＭＳ ゴシック"));
    canvas.SetFontHeight(-18);
    const std::string kana = platform::Utf8ToSjis("あい");
    // The fixed face: a full-width character is one character height wide.
    EXPECT_EQ(canvas.TextWidth(kana), 36);
    EXPECT_EQ(canvas.TextWidth(kana + kana), 72);
    EXPECT_GE(canvas.TextHeight(kana), 18);
    EXPECT_EQ(canvas.TextWidth(""), 0);
    canvas.SetFontHeight(24);  // positive: the whole cell
    EXPECT_NEAR(canvas.TextHeight(kana), 24, 1);

    canvas.SetFontHeight(-18);
    canvas.SetFontColour(0x00FFFF);
    canvas.SetBackgroundTransparent(true);
    ASSERT_TRUE(canvas.TextOut(10, 5, kana));
    int lit = 0, other = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x) {
            const uint32_t p = b.Pixel(x, y);
            if (p == 0x00FFFFu) {
                ++lit;
                EXPECT_TRUE(x >= 10 && x < 46 && y >= 5 && y < 5 + canvas.TextHeight(kana))
                    << x << "," << y;
            } else if (p != 0) {
                ++other;
            }
        }
    EXPECT_GT(lit, 20);
    EXPECT_EQ(other, 0);  // plain text has no smoothing

    canvas.SetBackgroundTransparent(false);
    canvas.SetBackgroundColour(0x0000FF);
    ASSERT_TRUE(canvas.TextOut(100, 5, kana));
    EXPECT_EQ(b.Pixel(100, 5), 0x0000FFu);
}

TEST(Canvas, KeptGlyphsAndWidthsFollowTheTextAndFont) {
    auto lit = [](const std::string& text, int height) {
        Bitmap b = Solid(120, 60, 0);
        Canvas& canvas = b.GetCanvas();
        canvas.SetFontHeight(height);
        canvas.SetFontColour(0xFFFFFF);
        canvas.SetBackgroundTransparent(true);
        canvas.TextOut(2, 2, text);
        std::vector<uint32_t> pixels;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x) pixels.push_back(b.Pixel(x, y));
        return pixels;
    };
    const std::string a = platform::Utf8ToSjis("あ"), i = platform::Utf8ToSjis("い");
    // One surface drawing two texts and two sizes in turn matches fresh surfaces.
    Bitmap b = Solid(120, 60, 0);
    Canvas& canvas = b.GetCanvas();
    canvas.SetFontColour(0xFFFFFF);
    canvas.SetBackgroundTransparent(true);
    const int narrow = canvas.TextWidth(a);
    for (auto [text, height] : {std::pair{a, -18}, {i, -18}, {i, -30}}) {
        b.Fill(0);
        canvas.SetFontHeight(height);
        canvas.TextOut(2, 2, text);
        std::vector<uint32_t> pixels;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x) pixels.push_back(b.Pixel(x, y));
        EXPECT_EQ(pixels, lit(text, height));
    }
    EXPECT_GT(canvas.TextWidth(a), narrow);
    EXPECT_NE(lit(a, -18), lit(i, -18));
}
