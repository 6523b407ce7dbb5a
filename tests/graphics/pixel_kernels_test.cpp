// Blend kernels against the mixing formula, and the families against each other.
#include "graphics/pixel_kernels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "graphics/map_spans.h"
#include "platform/bitmap.h"

using platform::Bitmap;
using platform::PixelFormat;

namespace {

constexpr uint8_t kFormat32 = static_cast<uint8_t>(PixelFormat::Bit32);
constexpr uint8_t kFormat24 = static_cast<uint8_t>(PixelFormat::Bit24);
constexpr uint8_t kFormat15 = static_cast<uint8_t>(PixelFormat::Bit15);

uint8_t Mix(int t, int s, int a) {
    if (a == 0) return static_cast<uint8_t>(s);
    if (a == 255) return static_cast<uint8_t>(t);
    return static_cast<uint8_t>((t * a + s * (255 - a)) >> 8);
}

void Randomise(Bitmap& b, std::mt19937& rng) {
    for (int y = 0; y < b.Height(); ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int i = 0; i < b.BytesPerLine(); ++i) row[i] = static_cast<uint8_t>(rng());
    }
}

// Maps that hit the shortcuts as often as the mixing.
void RandomMap(Bitmap& map, std::mt19937& rng) {
    for (int y = 0; y < map.Height(); ++y) {
        uint8_t* row = map.ScanLine(y);
        for (int x = 0; x < map.Width(); ++x) {
            const unsigned r = rng() % 4;
            row[x] = r == 0 ? 0 : r == 1 ? 255 : static_cast<uint8_t>(rng());
        }
    }
}

// Runs of opaque, transparent and mixed pixels of every length up to 100, as pictures have.
void RunMap(Bitmap& map, std::mt19937& rng) {
    for (int y = 0; y < map.Height(); ++y) {
        uint8_t* row = map.ScanLine(y);
        for (int x = 0; x < map.Width();) {
            // Shown, hidden, random, or one value between (a translucent window).
            const int run = 1 + static_cast<int>(rng() % 100), kind = static_cast<int>(rng() % 4);
            const uint8_t one = static_cast<uint8_t>(1 + rng() % 254);
            for (int k = 0; k < run && x < map.Width(); ++k, ++x)
                row[x] = kind == 0   ? 0
                         : kind == 1 ? 255
                         : kind == 2 ? static_cast<uint8_t>(rng())
                                     : one;
        }
    }
}

struct Case {
    int bits;
    uint8_t format;
    int bytes;
};

const Case kCases[] = {{32, kFormat32, 4}, {24, kFormat24, 3}, {15, kFormat15, 2}};
const TPixelFamily kFamilies[] = {TPixelFamily::Plain, TPixelFamily::Sse2, TPixelFamily::Avx2,
                                  TPixelFamily::Avx512};

// A family this processor cannot run is left out (its kernels would fall back to another).
bool Runs(TPixelFamily family) {
    if (family == TPixelFamily::Avx2) return CpuHasAvx2();
    if (family == TPixelFamily::Avx512) return CpuHasAvx512();
    return true;
}

// The expected colour channels of target pixel (col, row) after a blend, from the formula.
void ExpectFormula(const Case& c, TPixelFamily family, const Bitmap& before, const Bitmap& after,
                   const Bitmap& source, const Bitmap& map, int x, int y, int sx, int sy, int w,
                   int h, bool mirrored) {
    for (int i = 0; i < h; ++i) {
        for (int j = 0; j < w; ++j) {
            const int tx = mirrored ? x + w - 1 - j : x + j;
            const int a = map.ScanLine(sy + i)[sx + j];
            const uint8_t* t = before.ScanLine(y + i) + tx * c.bytes;
            const uint8_t* s = source.ScanLine(sy + i) + (sx + j) * c.bytes;
            const uint8_t* o = after.ScanLine(y + i) + tx * c.bytes;
            if (c.bits == 15) {
                const int tv = t[0] | (t[1] << 8), sv = s[0] | (s[1] << 8), ov = o[0] | (o[1] << 8);
                for (int shift = 0; shift <= 10; shift += 5)
                    ASSERT_EQ((ov >> shift) & 31, Mix((tv >> shift) & 31, (sv >> shift) & 31, a))
                        << "pixel " << j << "," << i;
                continue;
            }
            const bool lastOf24 = c.bits == 24 && family != TPixelFamily::Plain && j == w - 1;
            for (int ch = 0; ch < 3; ++ch) {
                const int expected =
                    lastOf24 ? static_cast<uint8_t>(s[ch] + (((t[ch] - s[ch]) * a) >> 8))
                             : Mix(t[ch], s[ch], a);
                ASSERT_EQ(o[ch], expected) << "pixel " << j << "," << i << " channel " << ch;
            }
            if (c.bits == 32 && family == TPixelFamily::Plain) {
                ASSERT_EQ(o[3], t[3]);
            }
        }
    }
}

}  // namespace

TEST(PixelKernels, EveryFamilyFollowsTheFormulaOnRandomPictures) {
    std::mt19937 rng(7);
    for (const Case& c : kCases) {
        for (TPixelFamily family : kFamilies) {
            if (!Runs(family)) continue;
            const TBlendKernels kernels = BlendKernelsFor(c.format, family);
            for (bool mirrored : {false, true}) {
                for (int w : {1, 3, 7, 8, 16, 17, 33, 40}) {
                    Bitmap target, source, map;
                    target.SetFormat(50, 6, c.bits);
                    source.SetFormat(45, 5, c.bits);
                    map.SetFormat(45, 5, 8);
                    Randomise(target, rng);
                    Randomise(source, rng);
                    RandomMap(map, rng);
                    const Bitmap before = target;
                    const int x = 3, y = 1, sx = 2, sy = 0, h = 4;
                    (mirrored ? kernels.mirrored : kernels.plain)(target, x, y, source, sx, sy, w,
                                                                  h, map);
                    SCOPED_TRACE(testing::Message()
                                 << "bits " << c.bits << " family " << static_cast<int>(family)
                                 << " mirrored " << mirrored << " width " << w);
                    ExpectFormula(c, family, before, target, source, map, x, y, sx, sy, w, h,
                                  mirrored);
                    // Nothing outside the rectangle moves.
                    for (int row = 0; row < target.Height(); ++row)
                        for (int col = 0; col < target.Width(); ++col) {
                            if (row >= y && row < y + h && col >= x && col < x + w) continue;
                            ASSERT_EQ(target.Pixel(col, row), before.Pixel(col, row))
                                << col << "," << row;
                        }
                }
            }
        }
    }
}

TEST(PixelKernels, VectorFamiliesAgreeBitForBitOnColourChannels) {
    if (!CpuHasAvx2()) GTEST_SKIP() << "no AVX2 here";
    std::mt19937 rng(11);
    for (const Case& c : kCases) {
        for (int variant = 0; variant < 4; ++variant) {
            const bool mirrored = variant & 1;
            Bitmap source, map, a, b;
            source.SetFormat(301, 9, c.bits);
            map.SetFormat(301, 9, 8);
            a.SetFormat(301, 9, c.bits);
            Randomise(source, rng);
            if (variant & 2)
                RunMap(map, rng);
            else
                RandomMap(map, rng);
            Randomise(a, rng);
            b = a;
            Bitmap plain = a;
            const TBlendKernels sse = BlendKernelsFor(c.format, TPixelFamily::Sse2);
            const TBlendKernels avx = BlendKernelsFor(c.format, TPixelFamily::Avx2);
            const TBlendKernels pl = BlendKernelsFor(c.format, TPixelFamily::Plain);
            const TBlendKernels wide = BlendKernelsFor(c.format, TPixelFamily::Avx512);
            Bitmap widest = a;
            (mirrored ? sse.mirrored : sse.plain)(a, 0, 0, source, 0, 0, 301, 9, map);
            (mirrored ? avx.mirrored : avx.plain)(b, 0, 0, source, 0, 0, 301, 9, map);
            (mirrored ? pl.mirrored : pl.plain)(plain, 0, 0, source, 0, 0, 301, 9, map);
            if (CpuHasAvx512())
                (mirrored ? wide.mirrored : wide.plain)(widest, 0, 0, source, 0, 0, 301, 9, map);
            for (int y = 0; y < 9; ++y) {
                ASSERT_EQ(0, std::memcmp(a.ScanLine(y), b.ScanLine(y),
                                         static_cast<size_t>(301 * c.bytes)));
                if (CpuHasAvx512()) {
                    ASSERT_EQ(0, std::memcmp(a.ScanLine(y), widest.ScanLine(y),
                                             static_cast<size_t>(301 * c.bytes)))
                        << "AVX-512, " << c.bits << " bits, mirrored " << mirrored << ", row " << y;
                }
                // The plain family differs only in the fourth byte and the last 24-bit pixel.
                // (the last pixel of the source row, which mirrored lands in column 0).
                const int odd = c.bits == 24 ? (mirrored ? 0 : 300) : -1;
                for (int x = 0; x < 301; ++x)
                    for (int ch = 0; ch < (c.bits == 15 ? 2 : 3); ++ch)
                        if (x != odd) {
                            ASSERT_EQ(a.ScanLine(y)[x * c.bytes + ch],
                                      plain.ScanLine(y)[x * c.bytes + ch])
                                << c.bits << " " << mirrored << " " << x;
                        }
            }
        }
    }
}

// A map drawn again is drawn through its span index: the same bytes as reading the map, for
// any rectangle, either way round; a map written to is read afresh.
TEST(PixelKernels, DrawsThroughTheSpanIndexGiveTheSameBytes) {
    std::mt19937 rng(23);
    struct Rect {
        int sx, w;
    };
    const Rect rects[] = {{0, 300}, {0, 1}, {5, 77}, {31, 269}, {100, 33}};
    for (TPixelFamily family : {TPixelFamily::Sse2, TPixelFamily::Avx2, TPixelFamily::Avx512}) {
        if (!Runs(family)) continue;
        const TBlendKernels kernels = BlendKernelsFor(kFormat32, family);
        for (int variant = 0; variant < 4; ++variant) {
            Bitmap source, map, target;
            source.SetFormat(300, 7, 32);
            map.SetFormat(300, 7, 8);
            target.SetFormat(310, 9, 32);
            Randomise(source, rng);
            Randomise(target, rng);
            if (variant == 0) RunMap(map, rng);
            if (variant == 1) RandomMap(map, rng);
            if (variant == 2) map.Fill(0);  // one shown run a row
            // A window: one value a row, the extremes 1 and 254 among them, soft ends.
            for (int y = 0; variant == 3 && y < 7; ++y) {
                const uint8_t values[] = {1, 254, 128, 200, 17, 99, 255};
                std::memset(map.ScanLine(y), values[y], 300);
                map.ScanLine(y)[0] = map.ScanLine(y)[299] = static_cast<uint8_t>(rng());
            }
            for (const Rect& r : rects) {
                for (bool mirrored : {false, true}) {
                    SCOPED_TRACE(testing::Message()
                                 << "family " << static_cast<int>(family) << " map " << variant
                                 << " columns " << r.sx << "+" << r.w << " mirrored " << mirrored);
                    const auto kernel = mirrored ? kernels.mirrored : kernels.plain;
                    Bitmap read = target, indexed = target;
                    map.SetDerived(nullptr);
                    kernel(read, 4, 1, source, r.sx, 0, r.w, 7, map);
                    kernel(indexed, 4, 1, source, r.sx, 0, r.w, 7, map);
                    ASSERT_TRUE(std::dynamic_pointer_cast<const TMapSpans>(map.Derived()));
                    for (int y = 0; y < read.Height(); ++y)
                        ASSERT_EQ(0, std::memcmp(read.ScanLine(y), indexed.ScanLine(y),
                                                 static_cast<size_t>(read.BytesPerLine())))
                            << "row " << y;
                }
            }
            // A new value in the middle of a long run shows at once.
            map.ScanLine(3)[150] = 128;
            ASSERT_FALSE(map.Derived());
            for (int pass = 0; pass < 2; ++pass) {
                Bitmap after = target;
                kernels.plain(after, 4, 1, source, 0, 0, 300, 7, map);
                ExpectFormula(kCases[0], family, target, after, source, map, 4, 1, 0, 0, 300, 7,
                              false);
            }
        }
    }
}

TEST(PixelKernels, EdgeValues) {
    for (TPixelFamily family : kFamilies) {
        if (!Runs(family)) continue;
        Bitmap target, source, map;
        target.SetFormat(3, 1, 32);
        source.SetFormat(3, 1, 32);
        map.SetFormat(3, 1, 8);
        target.Fill(0);
        source.Fill(0xFFFFFF);
        map.ScanLine(0)[0] = 128;
        map.ScanLine(0)[1] = 0;
        map.ScanLine(0)[2] = 255;
        BlendKernelsFor(kFormat32, family).plain(target, 0, 0, source, 0, 0, 3, 1, map);
        EXPECT_EQ(target.Pixel(0, 0), 0x7E7E7Eu);  // (0 × 128 + 255 × 127) >> 8 = 126
        EXPECT_EQ(target.Pixel(1, 0), 0xFFFFFFu);
        EXPECT_EQ(target.Pixel(2, 0), 0u);

        // Mirrored with w = 3: source column 0 lands in target column 2.
        source.SetPixel(0, 0, 0x0000FF);
        source.SetPixel(2, 0, 0x00FF00);
        map.ScanLine(0)[0] = map.ScanLine(0)[1] = map.ScanLine(0)[2] = 0;
        BlendKernelsFor(kFormat32, family).mirrored(target, 0, 0, source, 0, 0, 3, 1, map);
        EXPECT_EQ(target.Pixel(2, 0), 0x0000FFu);
        EXPECT_EQ(target.Pixel(0, 0), 0x00FF00u);
    }
}

TEST(PixelKernels, TransparentPixelAfterAMixedOneKeepsItsBytesIn24Bits) {
    for (TPixelFamily family : kFamilies) {
        if (!Runs(family)) continue;
        Bitmap target, source, map;
        target.SetFormat(3, 1, 24);
        source.SetFormat(3, 1, 24);
        map.SetFormat(3, 1, 8);
        target.Fill(0x102030);
        source.Fill(0xF0E0D0);
        map.ScanLine(0)[0] = 100;
        map.ScanLine(0)[1] = 255;
        map.ScanLine(0)[2] = 255;
        BlendKernelsFor(kFormat24, family).plain(target, 0, 0, source, 0, 0, 3, 1, map);
        EXPECT_EQ(target.Pixel(1, 0), 0x102030u);
    }
}

TEST(PixelKernels, OtherFormatsAreSwitchedForTheCallAndBack) {
    for (TPixelFamily family : {TPixelFamily::Plain, TPixelFamily::Sse2}) {
        Bitmap target, source, map;
        target.SetFormat(4, 2, 4);
        source.SetFormat(4, 2, 4);
        map.SetFormat(4, 2, 8);
        target.Fill(0x000000);
        source.Fill(0xFFFFFF);
        BlendKernelsFor(static_cast<uint8_t>(PixelFormat::Bit4), family)
            .plain(target, 0, 0, source, 0, 0, 4, 2, map);
        EXPECT_EQ(target.GetPixelFormat(), PixelFormat::Bit4);
        EXPECT_EQ(source.GetPixelFormat(), PixelFormat::Bit4);
        EXPECT_EQ(target.Pixel(3, 1), 0xFFFFFFu);
    }
}

TEST(PixelKernels, OutOfBoundsRectanglesAreRefused) {
    Bitmap target, source, map;
    target.SetFormat(4, 4, 32);
    source.SetFormat(4, 4, 32);
    map.SetFormat(4, 4, 8);
    source.Fill(0xFFFFFF);
    const Bitmap before = target;
    BlendKernelsFor(kFormat32, TPixelFamily::Sse2).plain(target, 2, 0, source, 0, 0, 4, 4, map);
    EXPECT_EQ(target.Pixel(3, 0), before.Pixel(3, 0));
}

TEST(PixelKernels, ForcedFamilyOverridesTheProcessorCheck) {
    ForceVectorFamily(TPixelFamily::Sse2);
    EXPECT_EQ(VectorFamily(), TPixelFamily::Sse2);
    ForceVectorFamily(std::nullopt);
    EXPECT_EQ(VectorFamily(), CpuHasAvx512() ? TPixelFamily::Avx512
                              : CpuHasAvx2()  ? TPixelFamily::Avx2
                                              : TPixelFamily::Sse2);
}
