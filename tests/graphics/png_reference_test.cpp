// Every picture of the PNG collections in tests/data/png decodes to what the reference library
// makes of it, and every damaged file is refused with the decoder's error or decodes without harm.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "graphics/gldpng.h"
#include "png_test_support.h"
#include "resources/engine_error.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// VELMOR_TESTDATA_DIR in the environment points at another copy of the pictures, so that CI
// can run this build against a fresh clone of the repository.
fs::path TestData() {
    const char* other = std::getenv("VELMOR_TESTDATA_DIR");
    return fs::path(other && *other ? other : VELMOR_TESTDATA_DIR);
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), {});
}

std::vector<fs::path> PngsIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() == ".png") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The reference: 8-bit RGBA with palette, low-depth grey and tRNS expanded, 16 bits cut to
// their high byte (what the engine keeps), no gamma.
struct Reference {
    bool ok = false;
    int width = 0;
    int height = 0;
    Bytes rgba;
};

struct ReadState {
    const Bytes* data;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t size) {
    auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
    if (state->pos + size > state->data->size()) png_error(png, "end of data");
    std::memcpy(out, state->data->data() + state->pos, size);
    state->pos += size;
}

Reference DecodeWithLibpng(const Bytes& data) {
    Reference ref;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ReadState state{&data, 0};
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Reference{};
    }
    png_set_read_fn(png, &state, ReadFromMemory);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    ref.width = int(png_get_image_width(png, info));
    ref.height = int(png_get_image_height(png, info));
    ref.rgba.assign(size_t(ref.width) * size_t(ref.height) * 4, 0);
    for (int y = 0; y < ref.height; ++y)
        rows.push_back(ref.rgba.data() + size_t(y) * size_t(ref.width) * 4);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    ref.ok = true;
    return ref;
}

// Compares one file; returns a description of the first difference, or "".
std::string CompareWithReference(const fs::path& path, TGLDPNG& png) {
    Bytes data = ReadFile(path);
    Reference ref = DecodeWithLibpng(data);
    if (!ref.ok) return "reference decoder refused it";
    try {
        png.LoadFromMemory(data.data(), data.size());
    } catch (const EEngineError& e) {
        return std::string("decoder raised ") + e.what();
    }
    const platform::Bitmap& image = png.Image();
    if (image.Width() != ref.width || image.Height() != ref.height) return "size differs";
    const platform::Bitmap& map = png.AlphaBitmap();
    if (png.HasAlpha() &&
        (map.Width() != ref.width || map.Height() != ref.height || map.BitsPerPixel() != 8))
        return "map has the wrong shape";
    for (int y = 0; y < ref.height; ++y) {
        for (int x = 0; x < ref.width; ++x) {
            const uint8_t* p = ref.rgba.data() + (size_t(y) * size_t(ref.width) + size_t(x)) * 4;
            const uint32_t expected =
                uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
            const uint32_t colour = image.Pixel(x, y);
            auto where = [&] { return " at " + std::to_string(x) + "," + std::to_string(y); };
            if (colour != expected) return "colour differs" + where();
            const uint8_t alpha = p[3];
            if (png.HasAlpha()) {
                if (map.ScanLine(y)[x] != 255 - alpha) return "map differs" + where();
            } else if (png.Transparent()) {
                // One transparent colour stands for alpha: fully clear pixels must carry it.
                if (alpha != 0 && alpha != 255) return "partial alpha without a map" + where();
                if (alpha == 0 && colour != png.TransparentColor())
                    return "clear pixel not transparent colour" + where();
            } else if (alpha != 255) {
                return "transparency lost" + where();
            }
        }
    }
    return "";
}

TEST(PngReferenceTest, EveryCollectionPictureMatchesTheReference) {
    std::vector<fs::path> files;
    for (const char* folder : {"pngsuite", "pngsuite/interlaced", "testpngs", "testpngs/png-3"})
        for (const fs::path& f : PngsIn(TestData() / folder)) files.push_back(f);
    ASSERT_GT(files.size(), 150u) << "test data missing at " << TestData();
    // The fuzz seeds are meant to be valid pictures too.
    for (const fs::path& f : PngsIn(fs::path(VELMOR_SOURCE_DIR) / "fuzz/corpus/png"))
        files.push_back(f);
    int transparentColours = 0;
    int maps = 0;
    for (const fs::path& f : files) {
        TGLDPNG png;
        EXPECT_EQ(CompareWithReference(f, png), "") << f;
        transparentColours += png.Transparent();
        maps += png.HasAlpha();
    }
    // The collections exercise both forms of transparency.
    EXPECT_GT(transparentColours, 10);
    EXPECT_GT(maps, 10);
}

// The same file with its image data recompressed as one stream holding `extra` bytes more than
// the header promises, which the whole-buffer inflate refuses and the streaming one reads as
// far as the picture goes; empty when the data does not inflate.
Bytes WithLongerStream(const Bytes& data, size_t extra) {
    auto be32 = [&](size_t at) {
        return (uint32_t(data[at]) << 24) | (uint32_t(data[at + 1]) << 16) |
               (uint32_t(data[at + 2]) << 8) | data[at + 3];
    };
    Bytes z, before, after;
    for (size_t pos = 8; pos + 12 <= data.size();) {
        const size_t length = be32(pos);
        if (pos + 12 + length > data.size()) return {};
        const bool idat = std::memcmp(&data[pos + 4], "IDAT", 4) == 0;
        if (idat)
            z.insert(z.end(), data.begin() + long(pos + 8), data.begin() + long(pos + 8 + length));
        else
            (z.empty() ? before : after)
                .insert((z.empty() ? before : after).end(), data.begin() + long(pos),
                        data.begin() + long(pos + 12 + length));
        pos += 12 + length;
    }
    z_stream zs{};
    if (z.empty() || inflateInit(&zs) != Z_OK) return {};
    Bytes raw(1 << 16);
    size_t made = 0;
    zs.next_in = z.data();
    zs.avail_in = uInt(z.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (made == raw.size()) raw.resize(raw.size() * 2);
        zs.next_out = raw.data() + made;
        zs.avail_out = uInt(raw.size() - made);
        rc = inflate(&zs, Z_NO_FLUSH);
        made = raw.size() - zs.avail_out;
    }
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) return {};
    raw.resize(made);
    raw.insert(raw.end(), extra, uint8_t(0x5A));
    Bytes out(data.begin(), data.begin() + 8);
    out.insert(out.end(), before.begin(), before.end());
    const Bytes idat = pngtest::Idat(raw);
    out.insert(out.end(), idat.begin(), idat.end());
    out.insert(out.end(), after.begin(), after.end());
    return out;
}

// Pixels, map and transparency of two decodes; a description of the first difference or "".
std::string Difference(const TGLDPNG& a, const TGLDPNG& b) {
    const platform::Bitmap &ia = a.Image(), &ib = b.Image();
    if (ia.Width() != ib.Width() || ia.Height() != ib.Height() ||
        ia.BitsPerPixel() != ib.BitsPerPixel())
        return "format differs";
    if (a.HasAlpha() != b.HasAlpha() || a.Transparent() != b.Transparent() ||
        a.TransparentColor() != b.TransparentColor() ||
        a.TransparentIndex() != b.TransparentIndex())
        return "transparency differs";
    for (int y = 0; y < ia.Height(); ++y)
        for (int x = 0; x < ia.Width(); ++x) {
            if (ia.Pixel(x, y) != ib.Pixel(x, y)) return "pixel differs at row " + std::to_string(y);
            if (a.HasAlpha() && a.AlphaBitmap().ScanLine(y)[x] != b.AlphaBitmap().ScanLine(y)[x])
                return "map differs at row " + std::to_string(y);
        }
    return "";
}

TEST(PngReferenceTest, StreamsLongerThanDeclaredDecodeLikeExactOnes) {
    std::vector<fs::path> files;
    for (const char* folder : {"pngsuite", "pngsuite/interlaced", "testpngs", "testpngs/png-3"})
        for (const fs::path& f : PngsIn(TestData() / folder)) files.push_back(f);
    int compared = 0;
    for (const fs::path& f : files) {
        const Bytes data = ReadFile(f);
        TGLDPNG exact;
        try {
            exact.LoadFromMemory(data.data(), data.size());
        } catch (const EEngineError&) {
            continue;
        }
        for (size_t extra : {size_t(1), size_t(4000)}) {
            const Bytes longer = WithLongerStream(data, extra);
            if (longer.empty()) continue;
            TGLDPNG streamed;
            ASSERT_NO_THROW(streamed.LoadFromMemory(longer.data(), longer.size())) << f;
            EXPECT_EQ(Difference(exact, streamed), "") << f << " with " << extra << " more";
            ++compared;
        }
    }
    EXPECT_GT(compared, 300);
}

TEST(PngReferenceTest, DamagedFilesAreRefusedOrDecodeSafely) {
    const std::set<std::string> messages = {"PNG LoadStream: Not PNG Format",
                                            "Read Header(PNG): appear two IHDR",
                                            "Read Header(PNG): Error ColorType",
                                            "Read Header(PNG): not support Compression",
                                            "Read Header(PNG): not supprt Filter",
                                            "Read Header(PNG): not interlace type",
                                            "Read Header(PNG): not Use AlphaChannel",
                                            "Read Header(PNG): Error Bitdepth",
                                            "Read Header(PNG): Error BitDepth",
                                            "PNG LoadStream: Error ZLIB",
                                            "Read Image (PNG): Read Error"};
    std::vector<fs::path> files = PngsIn(TestData() / "testpngs/crashers");
    for (const fs::path& f : PngsIn(TestData() / "testpngs/badpal")) files.push_back(f);
    ASSERT_GT(files.size(), 20u);
    for (const fs::path& f : files) {
        Bytes data = ReadFile(f);
        // Exactly the file's bytes on the heap, so any read past them is caught by the sanitizer.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[data.size()]);
        std::memcpy(exact.get(), data.data(), data.size());
        TGLDPNG png;
        try {
            png.LoadFromMemory(exact.get(), data.size());
            const platform::Bitmap& image = png.Image();
            EXPECT_FALSE(image.Empty()) << f;
            if (png.HasAlpha()) {
                EXPECT_EQ(png.AlphaBitmap().Width(), image.Width()) << f;
                EXPECT_EQ(png.AlphaBitmap().Height(), image.Height()) << f;
            }
        } catch (const EEngineError& e) {
            EXPECT_TRUE(messages.count(e.what())) << f << ": " << e.what();
        }
    }
}

}  // namespace
