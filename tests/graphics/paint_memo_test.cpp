// A replayed drawing leaves exactly what drawing again leaves, whatever part of each row it
// changed; over another ground it is refused and the picture is left as it was.
#include "graphics/paint_memo.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/bitmap.h"

namespace {

using platform::Bitmap;

void Ground(Bitmap& b, uint32_t seed) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, (x * 2654435761u + y * 40503u) ^ seed);
}

bool Same(const Bitmap& a, const Bitmap& b) {
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
}

TEST(PaintMemo, ReplaysWhatWasDrawnAndRefusesAnotherGround) {
    const TRect box{3, 2, 60, 9};  // 57 columns: more than three blocks of sixteen
    const std::pair<const char*, std::function<void(Bitmap&)>> drawings[] = {
        {"nothing", [](Bitmap&) {}},
        {"first and last column", [](Bitmap& b) {
             for (int y = 2; y < 9; ++y) b.SetPixel(3, y, 1), b.SetPixel(59, y, 2);
         }},
        {"whole rows", [](Bitmap& b) {
             for (int x = 3; x < 60; ++x) b.SetPixel(x, 4, 3);
         }},
        {"scattered, one row untouched", [](Bitmap& b) {
             for (int y = 2; y < 9; ++y)
                 if (y != 5)
                     for (int x = 10 + y; x < 60; x += 13) b.SetPixel(x, y, 0x10000u * y + x);
         }},
        {"a pixel drawn to its own value and one beside", [](Bitmap& b) {
             b.SetPixel(20, 3, b.Pixel(20, 3));
             b.SetPixel(37, 3, 7);
         }},
    };
    for (const auto& [what, draw] : drawings) {
        SCOPED_TRACE(what);
        TPaintMemo memo;
        Bitmap picture;
        picture.SetFormat(64, 12, 32);
        Ground(picture, 1);
        memo.Begin(picture, box, "k");
        draw(picture);
        memo.Finish(picture);
        Bitmap drawn = picture;
        Ground(picture, 1);
        ASSERT_TRUE(memo.Replay(picture, box, "k"));
        EXPECT_TRUE(Same(picture, drawn));
        // Another ground, even one pixel of it, or another key: refused, nothing written.
        Ground(picture, 1);
        picture.SetPixel(58, 8, 0xABCDEF);
        Bitmap before = picture;
        EXPECT_FALSE(memo.Replay(picture, box, "k"));
        EXPECT_TRUE(Same(picture, before));
        Ground(picture, 1);
        EXPECT_FALSE(memo.Replay(picture, box, "other"));
    }
}

}  // namespace
