// The decoder's own rules: bitmap formats, the two forms of transparency, what it refuses and
// with which message, and where it leaves the stream.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdlib>
#include <string>

#include "graphics/gldpng.h"
#include "png_test_support.h"
#include "resources/engine_error.h"
#include "resources/memory_stream.h"

namespace {

using namespace pngtest;

std::string ErrorOf(const Bytes& data) {
    TGLDPNG png;
    try {
        png.LoadFromMemory(data.data(), data.size());
    } catch (const EEngineError& e) {
        return e.what();
    }
    return "";
}

// A 3 x 2 indexed picture using entries 0..5 with the given tRNS.
Bytes IndexedWithTrns(const Bytes& trns) {
    Bytes plte;
    for (int i = 0; i < 6; ++i)
        plte.insert(plte.end(), {uint8_t(10 * i), uint8_t(20 * i), uint8_t(30 * i)});
    return Png({Ihdr(3, 2, 8, 3), Chunk("PLTE", plte), Chunk("tRNS", trns),
                Idat(Rows({0, 5, 1, 2, 5, 3}, 3))});
}

TEST(PngDecoderTest, GreyscaleDepthsGetGreyPalettes) {
    // 2-bit grey: four levels 0, 85, 170, 255 (one row of four pixels in one byte).
    TGLDPNG png;
    Bytes grey2 = Png({Ihdr(4, 1, 2, 0), Idat(Rows({0x1B}, 1))});
    png.LoadFromMemory(grey2.data(), grey2.size());
    EXPECT_EQ(png.Image().BitsPerPixel(), 4);
    EXPECT_EQ(png.Image().PaletteSize(), 4);
    EXPECT_EQ(png.Image().Pixel(0, 0), 0x000000u);
    EXPECT_EQ(png.Image().Pixel(1, 0), 0x555555u);
    EXPECT_EQ(png.Image().Pixel(2, 0), 0xAAAAAAu);
    EXPECT_EQ(png.Image().Pixel(3, 0), 0xFFFFFFu);
    EXPECT_FALSE(png.HasAlpha());

    // 1-bit grey stays 1-bit; 16-bit grey keeps the high byte in 8 bits.
    Bytes grey1 = Png({Ihdr(9, 1, 1, 0), Idat(Rows({0x80, 0x80}, 2))});
    png.LoadFromMemory(grey1.data(), grey1.size());
    EXPECT_EQ(png.Image().BitsPerPixel(), 1);
    EXPECT_EQ(png.Image().Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(png.Image().Pixel(1, 0), 0u);
    EXPECT_EQ(png.Image().Pixel(8, 0), 0xFFFFFFu);
    Bytes grey16 = Png({Ihdr(2, 1, 16, 0), Idat(Rows({0x12, 0xFF, 0xAB, 0x01}, 4))});
    png.LoadFromMemory(grey16.data(), grey16.size());
    EXPECT_EQ(png.Image().BitsPerPixel(), 8);
    EXPECT_EQ(png.Image().Pixel(0, 0), 0x121212u);
    EXPECT_EQ(png.Image().Pixel(1, 0), 0xABABABu);
}

TEST(PngDecoderTest, TruecolourKeepsHighBytesAndAlphaAlwaysMakesAMap) {
    TGLDPNG png;
    Bytes rgb16 = Png({Ihdr(1, 1, 16, 2), Idat(Rows({0x11, 0xEE, 0x22, 0xDD, 0x33, 0xCC}, 6))});
    png.LoadFromMemory(rgb16.data(), rgb16.size());
    EXPECT_EQ(png.Image().BitsPerPixel(), 24);
    EXPECT_EQ(png.Image().Pixel(0, 0), 0x332211u);
    const uint8_t* row = png.Image().ScanLine(0);
    EXPECT_EQ(row[0], 0x33);  // blue first
    EXPECT_FALSE(png.HasAlpha());
    EXPECT_FALSE(png.AlphaBitmapAssignTo(nullptr));

    Bytes opaque = Png({Ihdr(2, 1, 8, 6), Idat(Rows({1, 2, 3, 255, 4, 5, 6, 255}, 8))});
    png.LoadFromMemory(opaque.data(), opaque.size());
    EXPECT_TRUE(png.HasAlpha());
    ASSERT_EQ(png.AlphaBitmap().BitsPerPixel(), 8);
    EXPECT_EQ(png.AlphaBitmap().ScanLine(0)[0], 0);
    EXPECT_EQ(png.AlphaBitmap().ScanLine(0)[1], 0);

    Bytes soft = Png({Ihdr(2, 1, 16, 4), Idat(Rows({9, 9, 0x40, 0xFF, 7, 7, 0, 0}, 8))});
    png.LoadFromMemory(soft.data(), soft.size());
    platform::Bitmap copy;
    ASSERT_TRUE(png.AlphaBitmapAssignTo(&copy));
    EXPECT_EQ(copy.ScanLine(0)[0], 255 - 0x40);
    EXPECT_EQ(copy.ScanLine(0)[1], 255);
    EXPECT_EQ(png.Image().Pixel(0, 0), 0x090909u);

    // A later picture without alpha leaves no stale map behind.
    png.LoadFromMemory(rgb16.data(), rgb16.size());
    EXPECT_FALSE(png.HasAlpha());
    EXPECT_TRUE(png.AlphaBitmap().Empty());
}

TEST(PngDecoderTest, PaletteTransparencyIsAColourOrAMap) {
    TGLDPNG png;
    Bytes one = IndexedWithTrns({255, 255, 255, 255, 255, 0});
    png.LoadFromMemory(one.data(), one.size());
    EXPECT_TRUE(png.Transparent());
    EXPECT_EQ(png.TransparentIndex(), 5);
    EXPECT_EQ(png.TransparentColor(), 50u | (100u << 8) | (150u << 16));
    EXPECT_TRUE(png.Image().Transparent());
    EXPECT_EQ(png.Image().TransparentColour(), png.TransparentColor());
    EXPECT_FALSE(png.HasAlpha());
    EXPECT_TRUE(png.AlphaBitmap().Empty());

    Bytes half = IndexedWithTrns({255, 255, 255, 255, 255, 128});
    png.LoadFromMemory(half.data(), half.size());
    EXPECT_FALSE(png.Transparent());
    EXPECT_FALSE(png.Image().Transparent());
    ASSERT_TRUE(png.HasAlpha());
    EXPECT_EQ(png.AlphaBitmap().ScanLine(0)[1], 127);
    EXPECT_EQ(png.AlphaBitmap().ScanLine(1)[1], 127);
    EXPECT_EQ(png.AlphaBitmap().ScanLine(0)[0], 0);

    // Two clear entries are not one transparent colour.
    Bytes two = IndexedWithTrns({0, 255, 255, 255, 255, 0});
    png.LoadFromMemory(two.data(), two.size());
    EXPECT_FALSE(png.Transparent());
    ASSERT_TRUE(png.HasAlpha());
    EXPECT_EQ(png.AlphaBitmap().ScanLine(0)[0], 255);
    EXPECT_EQ(png.AlphaBitmap().ScanLine(0)[2], 0);
}

TEST(PngDecoderTest, TrnsColourOfGreyAndTruecolour) {
    TGLDPNG png;
    // 2-bit grey level 2 stands for grey 170, the colour its pixels get.
    Bytes grey = Png({Ihdr(4, 1, 2, 0), Chunk("tRNS", {0, 2}), Idat(Rows({0x1B}, 1))});
    png.LoadFromMemory(grey.data(), grey.size());
    EXPECT_TRUE(png.Transparent());
    EXPECT_EQ(png.TransparentColor(), 0xAAAAAAu);
    EXPECT_FALSE(png.HasAlpha());

    Bytes rgb16 = Png({Ihdr(1, 1, 16, 2), Chunk("tRNS", {0x11, 0, 0x22, 0, 0x33, 0}),
                       Idat(Rows({0x11, 0, 0x22, 0, 0x33, 0}, 6))});
    png.LoadFromMemory(rgb16.data(), rgb16.size());
    EXPECT_TRUE(png.Transparent());
    EXPECT_EQ(png.TransparentColor(), 0x332211u);
    EXPECT_EQ(png.Image().TransparentColour(), 0x332211u);

    // A value the depth cannot hold matches nothing.
    Bytes tooBig =
        Png({Ihdr(1, 1, 8, 2), Chunk("tRNS", {1, 0, 0, 0, 0, 0}), Idat(Rows({0, 0, 0}, 3))});
    png.LoadFromMemory(tooBig.data(), tooBig.size());
    EXPECT_FALSE(png.Transparent());
}

TEST(PngDecoderTest, ImageDataAcrossChunks) {
    Bytes raw = Rows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 6);
    Bytes z = Compress(raw);
    Bytes first(z.begin(), z.begin() + 5), second(z.begin() + 5, z.end());
    TGLDPNG png;
    Bytes split =
        Png({Ihdr(2, 2, 8, 2), Chunk("IDAT", first), Chunk("IDAT", {}), Chunk("IDAT", second)});
    png.LoadFromMemory(split.data(), split.size());
    EXPECT_EQ(png.Image().Pixel(1, 1), 0x0C0B0Au);

    Bytes interrupted = Png({Ihdr(2, 2, 8, 2), Chunk("IDAT", first), Chunk("tEXt", {'a', 0, 'b'}),
                             Chunk("IDAT", second)});
    EXPECT_EQ(ErrorOf(interrupted), "Read Image (PNG): Read Error");

    // Image data that ends early fails, but the rows before it are there.
    Bytes full = Compress(Rows(Bytes(300, 0x7F), 30));
    Bytes shortData =
        Png({Ihdr(10, 10, 8, 2), Chunk("IDAT", Bytes(full.begin(), full.end() - 6))}, false);
    platform::Bitmap target;
    png.SetImage(&target);
    EXPECT_THROW(png.LoadFromMemory(shortData.data(), shortData.size()), EEngineError);
    EXPECT_EQ(target.Width(), 10);
    png.SetImage(nullptr);

    // Later IDAT chunks after a complete picture are skipped.
    Bytes extra = Png({Ihdr(2, 2, 8, 2), Idat(raw), Chunk("IDAT", {1, 2, 3})});
    EXPECT_EQ(ErrorOf(extra), "");
}

// Stores rows of raw samples with the filter types cycling 0..4 down the rows.
Bytes FilterRows(const Bytes& raw, size_t rowBytes, size_t bpp) {
    Bytes out;
    const size_t rows = raw.size() / rowBytes;
    for (size_t y = 0; y < rows; ++y) {
        const int type = int(y % 5);
        out.push_back(uint8_t(type));
        for (size_t x = 0; x < rowBytes; ++x) {
            auto at = [&](size_t yy, size_t xx) { return int(raw[yy * rowBytes + xx]); };
            int a = x >= bpp ? at(y, x - bpp) : 0;
            int b = y > 0 ? at(y - 1, x) : 0;
            int c = (x >= bpp && y > 0) ? at(y - 1, x - bpp) : 0;
            int pred = 0;
            if (type == 1) pred = a;
            if (type == 2) pred = b;
            if (type == 3) pred = (a + b) / 2;
            if (type == 4) {
                int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            }
            out.push_back(uint8_t(at(y, x) - pred));
        }
    }
    return out;
}

TEST(PngDecoderTest, EveryFilterAndAdam7DecodeLikeUnfilteredRows) {
    // Per pixel layout: {colour type, depth, bytes per pixel}; the filters' left neighbour
    // distance differs for each, and the vector paths cover three and four bytes.
    const int kinds[][3] = {{0, 8, 1},  {4, 8, 2},  {2, 8, 3}, {6, 8, 4},
                            {4, 16, 4}, {2, 16, 6}, {6, 16, 8}};
    const int w = 13, h = 11;
    const int pass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    for (const auto& k : kinds) {
        const size_t bpp = size_t(k[2]), rowBytes = bpp * w;
        Bytes raw(rowBytes * h);
        for (size_t i = 0; i < raw.size(); ++i) raw[i] = uint8_t((i * 2654435761u) >> 13);
        Bytes adam7;
        for (const auto& p : pass) {
            // Each pass is filtered on its own, its rows cycling through the filter types too.
            Bytes block;
            size_t passRowBytes = 0;
            for (int y = p[1]; y < h; y += p[3]) {
                size_t before = block.size();
                for (int x = p[0]; x < w; x += p[2])
                    block.insert(block.end(), raw.begin() + long(y * rowBytes + x * bpp),
                                 raw.begin() + long(y * rowBytes + (x + 1) * bpp));
                passRowBytes = block.size() - before;
            }
            Bytes filtered = FilterRows(block, passRowBytes, bpp);
            adam7.insert(adam7.end(), filtered.begin(), filtered.end());
        }
        const uint8_t type = uint8_t(k[0]), depth = uint8_t(k[1]);
        TGLDPNG plain, filtered, laced;
        Bytes a = Png({Ihdr(w, h, depth, type), Idat(Rows(raw, rowBytes))});
        Bytes b = Png({Ihdr(w, h, depth, type), Idat(FilterRows(raw, rowBytes, bpp))});
        Bytes c = Png({Ihdr(w, h, depth, type, 1), Idat(adam7)});
        plain.LoadFromMemory(a.data(), a.size());
        filtered.LoadFromMemory(b.data(), b.size());
        laced.LoadFromMemory(c.data(), c.size());
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(filtered.Image().Pixel(x, y), plain.Image().Pixel(x, y))
                    << k[0] << "/" << k[1] << " " << x << "," << y;
                ASSERT_EQ(laced.Image().Pixel(x, y), plain.Image().Pixel(x, y))
                    << k[0] << "/" << k[1] << " " << x << "," << y;
                if (type & 4) {
                    ASSERT_EQ(filtered.AlphaBitmap().ScanLine(y)[x],
                              plain.AlphaBitmap().ScanLine(y)[x]);
                    ASSERT_EQ(laced.AlphaBitmap().ScanLine(y)[x],
                              plain.AlphaBitmap().ScanLine(y)[x]);
                }
            }
        }
    }
    // And the unfiltered rows mean what they say: RGBA bytes become blue-first pixels and 255 -
    // alpha.
    TGLDPNG png;
    Bytes one = Png({Ihdr(2, 1, 8, 6), Idat(Rows({1, 2, 3, 40, 5, 6, 7, 250}, 8))});
    png.LoadFromMemory(one.data(), one.size());
    EXPECT_EQ(png.Image().Pixel(1, 0), 0x070605u);
    EXPECT_EQ(png.AlphaBitmap().ScanLine(0)[0], 215);
    EXPECT_EQ(png.AlphaBitmap().ScanLine(0)[1], 5);

    Bytes badFilter = Png({Ihdr(1, 1, 8, 0), Idat({5, 0})});
    EXPECT_EQ(ErrorOf(badFilter), "Read Image (PNG): Read Error");
}

TEST(PngDecoderTest, RefusedHeadersAndStreams) {
    auto withHeader = [](const Bytes& ihdr) { return Png({ihdr, Idat(Rows(Bytes(4, 0), 4))}); };
    EXPECT_EQ(ErrorOf({}), "PNG LoadStream: Not PNG Format");
    EXPECT_EQ(ErrorOf({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}),
              "PNG LoadStream: Not PNG Format");
    EXPECT_EQ(ErrorOf(Png({Ihdr(1, 1, 8, 0), Ihdr(1, 1, 8, 0)})),
              "Read Header(PNG): appear two IHDR");
    for (uint8_t type : {1, 5, 7, 13})
        EXPECT_EQ(ErrorOf(withHeader(Ihdr(1, 1, 8, type))), "Read Header(PNG): Error ColorType")
            << int(type);
    EXPECT_EQ(ErrorOf(withHeader(Ihdr(1, 1, 8, 0, 0, 2))),
              "Read Header(PNG): not support Compression");
    EXPECT_EQ(ErrorOf(withHeader(Ihdr(1, 1, 8, 0, 0, 0, 2))),
              "Read Header(PNG): not supprt Filter");
    EXPECT_EQ(ErrorOf(withHeader(Ihdr(1, 1, 8, 0, 2))), "Read Header(PNG): not interlace type");
    EXPECT_EQ(ErrorOf(withHeader(Ihdr(1, 1, 4, 4))), "Read Header(PNG): not Use AlphaChannel");
    EXPECT_EQ(ErrorOf(withHeader(Ihdr(1, 1, 3, 0))), "Read Header(PNG): Error Bitdepth");
    EXPECT_EQ(ErrorOf(withHeader(Ihdr(1, 1, 4, 2))), "Read Header(PNG): Error BitDepth");
    EXPECT_EQ(ErrorOf(withHeader(Ihdr(1, 1, 16, 3))), "Read Header(PNG): Error BitDepth");
    // Colour type 10 is truecolour once taken modulo 8.
    EXPECT_EQ(ErrorOf(withHeader(Ihdr(1, 1, 8, 10))), "");

    // No image data, or a header promising far more pixels than the data could hold.
    EXPECT_EQ(ErrorOf(Png({Ihdr(1, 1, 8, 0)})), "Read Image (PNG): Read Error");
    EXPECT_EQ(ErrorOf(Png({Idat(Rows({0}, 1))})), "Read Image (PNG): Read Error");
    EXPECT_EQ(ErrorOf(withHeader(Ihdr(0, 1, 8, 0))), "Read Image (PNG): Read Error");
    EXPECT_EQ(ErrorOf(withHeader(Ihdr(60000, 60000, 8, 6))), "Read Image (PNG): Read Error");
}

TEST(PngDecoderTest, StreamPositionAndLeadingHeader) {
    Bytes png = Png({Ihdr(1, 1, 8, 0), Idat(Rows({200}, 1))});
    TMemoryStream stream;
    stream.Write("xy", 2);
    stream.Write(png.data(), png.size());
    stream.Write("tail", 4);
    stream.SetPosition(2);
    TGLDPNG picture;
    picture.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), 2 + png.size());
    EXPECT_EQ(picture.Image().Pixel(0, 0), 0xC8C8C8u);

    // A 128-byte file-system header with zero bytes at 0 and 74 is skipped.
    Bytes prefixed(128, 1);
    prefixed[0] = 0;
    prefixed[74] = 0;
    prefixed.insert(prefixed.end(), png.begin(), png.end());
    EXPECT_EQ(ErrorOf(prefixed), "");
    prefixed[74] = 1;
    EXPECT_EQ(ErrorOf(prefixed), "PNG LoadStream: Not PNG Format");

    // External bitmaps receive the picture and the map; a plain copy takes the image only.
    Bytes alpha = Png({Ihdr(1, 1, 8, 4), Idat(Rows({50, 60}, 2))});
    platform::Bitmap image, map, copy;
    picture.SetImage(&image);
    picture.SetABmp(&map);
    picture.LoadFromMemory(alpha.data(), alpha.size());
    EXPECT_EQ(image.Pixel(0, 0), 0x323232u);
    EXPECT_EQ(map.ScanLine(0)[0], 195);
    picture.AssignTo(copy);
    EXPECT_EQ(copy.Pixel(0, 0), 0x323232u);
}

}  // namespace

namespace {

// A deflate stream of `rows` rows of `rowBytes` zero bytes each, made without holding them.
Bytes ZeroRows(size_t rows, size_t rowBytes) {
    z_stream z{};
    deflateInit(&z, 9);
    Bytes row(rowBytes + 1, 0), out, chunk(1 << 16);
    for (size_t r = 0; r <= rows; ++r) {
        z.next_in = row.data();
        z.avail_in = r < rows ? uInt(row.size()) : 0;
        const int flush = r < rows ? Z_NO_FLUSH : Z_FINISH;
        do {
            z.next_out = chunk.data();
            z.avail_out = uInt(chunk.size());
            deflate(&z, flush);
            out.insert(out.end(), chunk.data(), z.next_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

// Compression bombs: a picture beyond the size limit is refused before anything is
// allocated, and data that inflates past what the header declares is never inflated.
TEST(PngDecoderTest, BombsAllocateNoMoreThanTheDeclaredPicture) {
    // 8200 x 8200 truecolour: 200 MB of rows, which 200 KB of deflate data could hold.
    const Bytes beyond = Png({Ihdr(8200, 8200, 8, 2), Chunk("IDAT", Bytes(200000, 0x55))});
    const long before = PeakKilobytes();
    EXPECT_EQ(ErrorOf(beyond), "Read Image (PNG): Read Error");
    // 64 x 64 declared, 100 MB of rows supplied.
    const Bytes overfull = Png({Ihdr(64, 64, 8, 6), Chunk("IDAT", ZeroRows(400, 256000))});
    TGLDPNG png;
    png.LoadFromMemory(overfull.data(), overfull.size());
    EXPECT_EQ(png.Image().Width(), 64);
    EXPECT_LT(PeakKilobytes() - before, 48 * 1024);
}
