// PNG decoding speed: the engine's decoder beside the reference library on the same files,
// photographic and flat-art pictures drawn here at start and encoded with the reference
// library's defaults. The engine checks neither the chunk CRCs nor the stream's Adler-32, so
// the reference runs with both checks off as well as with its defaults (both on); the floors
// are zlib's and libdeflate's inflate alone of the same image data, also unchecked. Prints
// the ratios of the medians per file at the end.
//   build/bin/bench_png --benchmark_repetitions=5 --benchmark_min_time=0.2
#include <benchmark/benchmark.h>

#include "bench/median_times.h"
#include <libdeflate.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "graphics/gldpng.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(int width, int height, int channels, const Bytes& pixels);

struct Picture {
    std::string name;
    Bytes png;
    Bytes idat;      // the image data joined: one zlib stream
    size_t rawSize;  // what it inflates to
};

uint32_t Be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

Bytes JoinedIdat(const Bytes& png) {
    Bytes out;
    for (size_t pos = 8; pos + 12 <= png.size();) {
        const uint32_t length = Be32(&png[pos]);
        if (std::memcmp(&png[pos + 4], "IDAT", 4) == 0)
            out.insert(out.end(), png.begin() + long(pos + 8), png.begin() + long(pos + 8 + length));
        pos += 12 + length;
    }
    return out;
}

Picture Make(std::string name, int w, int h, int channels, const Bytes& pixels) {
    Picture p{std::move(name), Encode(w, h, channels, pixels), {}, 0};
    p.idat = JoinedIdat(p.png);
    p.rawSize = size_t(h) * (size_t(w) * size_t(channels) + 1);
    return p;
}

void WriteToVector(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}
void FlushNothing(png_structp) {}

Bytes Encode(int width, int height, int channels, const Bytes& pixels) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, WriteToVector, FlushNothing);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, pixels.data() + size_t(y) * size_t(width) * size_t(channels));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Smooth light and shade with fine grain, like a photographed or painted background.
Bytes Photographic(int w, int h) {
    Bytes p(size_t(w) * size_t(h) * 3);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> grain(-6, 6);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double u = double(x) / w, v = double(y) / h;
            double base = 0.5 + 0.25 * std::sin(u * 9.0 + std::cos(v * 5.0) * 2.0) +
                          0.2 * std::cos(v * 7.0 - u * 3.0);
            int r = int(255 * std::clamp(base * (0.8 + 0.2 * u), 0.0, 1.0)) + grain(rng);
            int g = int(255 * std::clamp(base * (0.7 + 0.3 * v), 0.0, 1.0)) + grain(rng);
            int b = int(255 * std::clamp(1.0 - base * 0.8, 0.0, 1.0)) + grain(rng);
            uint8_t* o = &p[(size_t(y) * size_t(w) + size_t(x)) * 3];
            o[0] = uint8_t(std::clamp(r, 0, 255));
            o[1] = uint8_t(std::clamp(g, 0, 255));
            o[2] = uint8_t(std::clamp(b, 0, 255));
        }
    }
    return p;
}

// Flat colour areas with hard and lightly shaded edges, like drawn game art; with four
// channels the figures stand on a transparent ground with a soft rim.
Bytes FlatArt(int w, int h, int channels) {
    Bytes p(size_t(w) * size_t(h) * size_t(channels));
    const uint8_t colours[6][3] = {{250, 220, 200}, {40, 40, 60},    {200, 60, 80},
                                   {90, 160, 220},  {240, 240, 240}, {120, 90, 60}};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int area = ((x / (w / 7)) + (y / (h / 5)) * 3) % 6;
            double dx = x - w * 0.5, dy = y - h * 0.45;
            double d = std::sqrt(dx * dx + dy * dy) / (h * 0.35);
            if (d < 1.0) area = (d < 0.4) ? 4 : 2;
            uint8_t* o = &p[(size_t(y) * size_t(w) + size_t(x)) * size_t(channels)];
            int shade = (y % 97 < 3) ? -30 : 0;
            for (int c = 0; c < 3; ++c)
                o[c] = uint8_t(std::clamp(colours[area][c] + shade, 0, 255));
            if (channels == 4)
                o[3] = uint8_t(d < 0.97 ? 255 : d < 1.03 ? int((1.03 - d) / 0.06 * 255) : 0);
        }
    }
    return p;
}

const std::vector<Picture>& Pictures() {
    static const std::vector<Picture> pictures = [] {
        std::vector<Picture> list;
        for (auto [w, h] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
            const std::string size = std::to_string(w) + "x" + std::to_string(h);
            list.push_back(Make("photo_" + size, w, h, 3, Photographic(w, h)));
            list.push_back(Make("flat_" + size, w, h, 3, FlatArt(w, h, 3)));
            list.push_back(Make("character_" + size, w, h, 4, FlatArt(w, h, 4)));
        }
        return list;
    }();
    return pictures;
}

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

// The reference library decoding to the same blue-first byte order into a fresh image; with
// `checks` false it ignores the chunk CRCs and the Adler-32, as the engine's decoder does.
void DecodeWithLibpng(const Bytes& data, bool checks) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ReadState state{&data, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return;
    }
    png_set_read_fn(png, &state, ReadFromMemory);
    if (!checks) {
        png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
        png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    }
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    Bytes image(rowBytes * height);
    for (png_uint_32 y = 0; y < height; ++y)
        png_read_row(png, image.data() + rowBytes * y, nullptr);
    png_read_end(png, nullptr);
    benchmark::DoNotOptimize(image.data());
    png_destroy_read_struct(&png, &info, nullptr);
}

void BM_Velmor(benchmark::State& state, const Picture* picture) {
    for (auto _ : state) {
        TGLDPNG png;
        png.LoadFromMemory(picture->png.data(), picture->png.size());
        benchmark::DoNotOptimize(png.Image().ScanLine(0));
    }
}

void BM_Libpng(benchmark::State& state, const Picture* picture, bool checks) {
    for (auto _ : state) DecodeWithLibpng(picture->png, checks);
}

// zlib's inflate alone into a buffer of the decoded size, the Adler-32 not checked.
void BM_Zlib(benchmark::State& state, const Picture* picture) {
    Bytes out(picture->rawSize);
    for (auto _ : state) {
        z_stream z{};
        inflateInit(&z);
        inflateValidate(&z, 0);
        z.next_in = const_cast<Bytef*>(picture->idat.data());
        z.avail_in = uInt(picture->idat.size());
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
        inflateEnd(&z);
        benchmark::DoNotOptimize(out.data());
    }
}

// libdeflate's inflate alone, the same way (the raw stream behind the two-byte header).
void BM_Libdeflate(benchmark::State& state, const Picture* picture) {
    Bytes out(picture->rawSize);
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        if (libdeflate_deflate_decompress(d, picture->idat.data() + 2, picture->idat.size() - 2,
                                          out.data(), out.size(), nullptr) != LIBDEFLATE_SUCCESS)
            state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    libdeflate_free_decompressor(d);
}

// Console output as usual, then one line per picture: the medians over the repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        m_Times.Add(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        // CPU time: on a shared machine it is the steadier of the two.
        std::printf("\nMedian CPU ms; ratios are velmor / the other\n");
        std::printf("%-22s %7s %9s %9s %7s %10s %10s %10s %10s\n", "picture", "velmor",
                    "libpng-no", "libpng", "zlib", "libdeflate", "/libpng-no", "/libpng",
                    "/zlib");
        for (const Picture& p : Pictures()) {
            const double v = Get("png/velmor/" + p.name), off = Get("png/libpng-nochecks/" + p.name),
                         on = Get("png/libpng/" + p.name), z = Get("png/zlib-inflate/" + p.name),
                         d = Get("png/libdeflate-inflate/" + p.name);
            auto over = [](double a, double b) { return b == 0 ? 0.0 : a / b; };
            std::printf("%-22s %7.2f %9.2f %9.2f %7.2f %10.2f %10.2f %10.2f %10.2f\n",
                        p.name.c_str(), v, off, on, z, d, over(v, off), over(v, on), over(v, z));
        }
    }

private:
    double Get(const std::string& name) const { return m_Times.Get(name); }
    TMedianTimes m_Times;
};

}  // namespace

int main(int argc, char** argv) {
    for (const Picture& p : Pictures()) {
        benchmark::RegisterBenchmark(("png/velmor/" + p.name).c_str(), BM_Velmor, &p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("png/libpng-nochecks/" + p.name).c_str(), BM_Libpng, &p,
                                     false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("png/libpng/" + p.name).c_str(), BM_Libpng, &p, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("png/zlib-inflate/" + p.name).c_str(), BM_Zlib, &p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("png/libdeflate-inflate/" + p.name).c_str(), BM_Libdeflate,
                                     &p)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
