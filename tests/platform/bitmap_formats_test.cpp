// Bitmap depths, palettes, format switching and the BMP reader on files made here.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/bitmap.h"

using platform::Bitmap;
using platform::PixelFormat;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A BMP file with a 40-byte header; rows are given in file order, already padded.
Bytes MakeBmp(int width, int height, int bits, uint32_t compression,
              const std::vector<uint32_t>& palette, const Bytes& pixels,
              const std::vector<uint32_t>& masks = {}) {
    const size_t header = 14 + 40 + masks.size() * 4 + palette.size() * 4;
    Bytes b(header, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<uint32_t>(header + pixels.size()));
    Put32(b, 10, static_cast<uint32_t>(header));
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<uint32_t>(width));
    Put32(b, 22, static_cast<uint32_t>(height));
    Put16(b, 26, 1);
    Put16(b, 28, static_cast<uint32_t>(bits));
    Put32(b, 30, compression);
    Put32(b, 34, static_cast<uint32_t>(pixels.size()));
    Put32(b, 46, static_cast<uint32_t>(palette.size()));
    size_t at = 54;
    for (uint32_t m : masks) Put32(b, (at += 4) - 4, m);
    for (uint32_t c : palette) {  // given as 0x00RRGGBB, stored B, G, R, 0
        Put32(b, at, c);
        at += 4;
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

}  // namespace

TEST(BitmapFormats, EveryDepthHasRowsPalettesAndPixels) {
    struct Expect {
        int bits;
        PixelFormat format;
        int stride;  // for width 5
    } cases[] = {{1, PixelFormat::Bit1, 4},    {4, PixelFormat::Bit4, 4},
                 {8, PixelFormat::Bit8, 8},    {15, PixelFormat::Bit15, 12},
                 {16, PixelFormat::Bit16, 12}, {24, PixelFormat::Bit24, 16},
                 {32, PixelFormat::Bit32, 20}};
    for (const Expect& e : cases) {
        Bitmap b;
        b.SetFormat(5, 3, e.bits);
        EXPECT_EQ(b.BitsPerPixel(), e.bits);
        EXPECT_EQ(b.GetPixelFormat(), e.format);
        EXPECT_EQ(b.BytesPerLine(), e.stride) << e.bits;
        ASSERT_NE(b.ScanLine(2), nullptr);
        EXPECT_EQ(b.ScanLine(3), nullptr);
        EXPECT_EQ(b.Pixel(4, 2), 0u);
    }
    Bitmap four;
    four.SetFormat(3, 1, 4);
    EXPECT_EQ(four.PaletteSize(), 16);
    four.SetPixel(1, 0, 0xFFFFFF);
    EXPECT_EQ(four.ScanLine(0)[0], 0x0F);  // high nibble first
    EXPECT_EQ(four.Pixel(1, 0), 0xFFFFFFu);
    const uint32_t palette[2] = {0x0000FF, 0x00FF00};
    four.SetPalette(palette, 2);
    EXPECT_EQ(four.Pixel(0, 0), 0x0000FFu);

    Bitmap b15;
    b15.SetFormat(1, 1, 15);
    b15.ScanLine(0)[0] = 0x1F;  // blue 31
    b15.ScanLine(0)[1] = 0x7C;  // red 31
    EXPECT_EQ(b15.Pixel(0, 0), 0xFF00FFu);
}

TEST(BitmapFormats, SwitchingKeepsTheColoursEachDepthCanHold) {
    Bitmap b;
    b.SetFormat(4, 2, 32);
    b.SetPixel(0, 0, 0x0000FF);
    b.SetPixel(1, 0, 0x123456);
    b.SetPixel(3, 1, 0xFFFFFF);
    b.SetPixelFormat(PixelFormat::Bit24);
    EXPECT_EQ(b.BitsPerPixel(), 24);
    EXPECT_EQ(b.Pixel(1, 0), 0x123456u);
    EXPECT_EQ(b.ScanLine(0)[3], 0x12);  // B, G, R in memory
    b.SetPixelFormat(PixelFormat::Bit15);
    EXPECT_EQ(b.Pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(b.Pixel(1, 0), 0x103152u);  // 5 bits a channel, widened back
    b.SetPixelFormat(PixelFormat::Bit16);
    EXPECT_EQ(b.BitsPerPixel(), 16);
    b.SetPixelFormat(PixelFormat::Bit4);
    EXPECT_EQ(b.BitsPerPixel(), 4);
    EXPECT_EQ(b.Pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(b.Pixel(3, 1), 0xFFFFFFu);
    b.SetPixelFormat(PixelFormat::Bit8);
    EXPECT_EQ(b.Pixel(3, 1), 0xFFFFFFu);
    b.SetPixelFormat(PixelFormat::Device);
    EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Bit32);
    EXPECT_EQ(b.Pixel(0, 0), 0x0000FFu);
    b.SetPixelFormat(PixelFormat::Custom);  // not a target: nothing happens
    EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Bit32);

    b.SetTransparentColour(0x0000FF);
    const Bitmap copy = b;
    EXPECT_TRUE(copy.Transparent());
    EXPECT_EQ(copy.TransparentColour(), 0x0000FFu);
}

TEST(BitmapBmp, ReadsEveryDepth) {
    // 3 × 2 pictures, bottom row first in the file.
    {
        const Bytes rows = {0b10100000, 0, 0, 0, 0b01000000, 0, 0, 0};
        Bitmap b;
        const Bytes file = MakeBmp(3, 2, 1, 0, {0x000000, 0xFFFFFF}, rows);
        ASSERT_TRUE(b.LoadFromBmp(file.data(), file.size()));
        EXPECT_EQ(b.BitsPerPixel(), 1);
        EXPECT_EQ(b.Pixel(0, 1), 0xFFFFFFu);
        EXPECT_EQ(b.Pixel(1, 1), 0u);
        EXPECT_EQ(b.Pixel(1, 0), 0xFFFFFFu);
    }
    {
        const Bytes rows = {0x12, 0x30, 0, 0, 0x00, 0x20, 0, 0};
        const Bytes file = MakeBmp(3, 2, 4, 0, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, rows);
        Bitmap b;
        ASSERT_TRUE(b.LoadFromBmp(file.data(), file.size()));
        EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Bit4);
        EXPECT_EQ(b.Pixel(0, 1), 0x0000FFu);  // red, as 0x00BBGGRR
        EXPECT_EQ(b.Pixel(1, 1), 0x00FF00u);
        EXPECT_EQ(b.Pixel(2, 1), 0xFF0000u);
        EXPECT_EQ(b.Pixel(2, 0), 0x00FF00u);
    }
    {
        const Bytes rows = {1, 0, 7, 0, 0, 1, 1, 0};  // index 7 lies beyond the palette: black
        const Bytes file = MakeBmp(3, 2, 8, 0, {0x000000, 0x808080}, rows);
        Bitmap b;
        ASSERT_TRUE(b.LoadFromBmp(file.data(), file.size()));
        EXPECT_EQ(b.BitsPerPixel(), 8);
        EXPECT_EQ(b.Pixel(0, 1), 0x808080u);
        EXPECT_EQ(b.Pixel(2, 1), 0u);
    }
    {
        Bytes rows(16, 0);  // 16 bits 5-5-5: red, then green
        rows[0] = 0x00;
        rows[1] = 0x7C;
        rows[2] = 0xE0;
        rows[3] = 0x03;
        const Bytes file = MakeBmp(3, 2, 16, 0, {}, rows);
        Bitmap b;
        ASSERT_TRUE(b.LoadFromBmp(file.data(), file.size()));
        EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Bit16);
        EXPECT_EQ(b.Pixel(0, 1), 0x0000FFu);
        EXPECT_EQ(b.Pixel(1, 1), 0x00FF00u);
    }
    {
        Bytes rows(16, 0);  // 16 bits 5-6-5 by bit fields: pure green and pure blue
        rows[0] = 0xE0;
        rows[1] = 0x07;
        rows[2] = 0x1F;
        const Bytes file = MakeBmp(3, 2, 16, 3, {}, rows, {0xF800, 0x07E0, 0x001F});
        Bitmap b;
        ASSERT_TRUE(b.LoadFromBmp(file.data(), file.size()));
        EXPECT_EQ(b.Pixel(0, 1), 0x00FF00u);
        EXPECT_EQ(b.Pixel(1, 1), 0xFF0000u);
    }
    {
        Bytes rows(12 * 2, 0);  // 24 bits, top-down by a negative height
        rows[0] = 0x10;
        rows[1] = 0x20;
        rows[2] = 0x30;
        Bytes file = MakeBmp(3, 2, 24, 0, {}, rows);
        Put32(file, 22, static_cast<uint32_t>(-2));
        Bitmap b;
        ASSERT_TRUE(b.LoadFromBmp(file.data(), file.size()));
        EXPECT_EQ(b.BitsPerPixel(), 24);
        EXPECT_EQ(b.Pixel(0, 0), 0x102030u);
    }
    {
        Bytes rows(24, 0);  // 32 bits, plain and by bit fields
        rows[4] = 0x11;
        rows[5] = 0x22;
        rows[6] = 0x33;
        for (bool fields : {false, true}) {
            const Bytes file = fields ? MakeBmp(3, 2, 32, 3, {}, rows, {0xFF0000, 0xFF00, 0xFF})
                                      : MakeBmp(3, 2, 32, 0, {}, rows);
            Bitmap b;
            ASSERT_TRUE(b.LoadFromBmp(file.data(), file.size()));
            EXPECT_EQ(b.Pixel(1, 1), 0x112233u);
        }
    }
}

TEST(BitmapBmp, ReadsRunLengthPictures) {
    // Palette: 1 red, 2 green (pixels read back as 0x00BBGGRR).
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00};
    // RLE8 4 × 3: a run, an end of line, a literal of three (padded), a delta and the end.
    const Bytes rle8 = {3, 1, 0, 0, 0, 3, 2, 1, 2, 0, 0, 2, 0, 1, 1, 2, 0, 1};
    const Bytes file8 = MakeBmp(4, 3, 8, 1, palette, rle8);
    Bitmap b;
    ASSERT_TRUE(b.LoadFromBmp(file8.data(), file8.size()));
    EXPECT_EQ(b.BitsPerPixel(), 8);
    // The file's first row is the bottom row.
    EXPECT_EQ(b.Pixel(0, 2), 0x0000FFu);
    EXPECT_EQ(b.Pixel(2, 2), 0x0000FFu);
    EXPECT_EQ(b.Pixel(3, 2), 0u);
    EXPECT_EQ(b.Pixel(0, 1), 0x00FF00u);
    EXPECT_EQ(b.Pixel(1, 1), 0x0000FFu);
    EXPECT_EQ(b.Pixel(3, 1), 0u);
    EXPECT_EQ(b.Pixel(3, 0), 0x00FF00u);  // after the delta
    EXPECT_EQ(b.Pixel(0, 0), 0u);

    // RLE4 4 × 1: a run of one, then a literal of three nibbles.
    const Bytes rle4 = {1, 0x10, 0, 3, 0x22, 0x10, 0, 1};
    const Bytes file4 = MakeBmp(4, 1, 4, 2, palette, rle4);
    ASSERT_TRUE(b.LoadFromBmp(file4.data(), file4.size()));
    EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Bit4);
    EXPECT_EQ(b.Pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(b.Pixel(1, 0), 0x00FF00u);
    EXPECT_EQ(b.Pixel(2, 0), 0x00FF00u);
    EXPECT_EQ(b.Pixel(3, 0), 0x0000FFu);
}

TEST(BitmapBmp, CorruptFilesAreRefusedAndLeaveThePicture) {
    Bitmap b;
    b.SetFormat(2, 2, 32);
    b.Fill(0x445566);
    const Bytes good = MakeBmp(3, 2, 24, 0, {}, Bytes(24, 0));
    std::vector<Bytes> bad;
    bad.push_back(Bytes(good.begin(), good.end() - 1));  // truncated pixels
    bad.push_back(Bytes(good.begin(), good.begin() + 20));
    Bytes huge = good;
    Put32(huge, 18, 30000);
    Put32(huge, 22, 30000);
    bad.push_back(huge);
    Bytes depth = good;
    Put16(depth, 28, 7);
    bad.push_back(depth);
    Bytes rleTopDown = MakeBmp(4, 3, 8, 1, {0}, Bytes{0, 1});
    Put32(rleTopDown, 22, static_cast<uint32_t>(-3));
    bad.push_back(rleTopDown);
    Bytes offset = good;
    Put32(offset, 10, 100000);
    bad.push_back(offset);
    for (const Bytes& file : bad) {
        EXPECT_FALSE(b.LoadFromBmp(file.data(), file.size()));
        EXPECT_FALSE(b.LoadFromEncoded(file.data(), file.size()));
        EXPECT_EQ(b.Width(), 2);
        EXPECT_EQ(b.Pixel(1, 1), 0x445566u);
    }
    // A run-length picture whose data stops early keeps what it has.
    const Bytes cut = MakeBmp(4, 3, 8, 1, {0, 0xFFFFFF}, Bytes{4, 1, 0});  // no end marker
    EXPECT_TRUE(b.LoadFromBmp(cut.data(), cut.size()));
    EXPECT_EQ(b.Pixel(3, 2), 0xFFFFFFu);
}
