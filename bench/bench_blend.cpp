// Blending a full screen through a transparency map: each kernel family beside pixman's OVER
// with an a8 mask on the same data, beside a reference AVX2 kernel (the formula on every
// pixel, no shortcuts) and beside memcpy of the same bytes; warm (the same frame again) and
// cold (a new frame each time, from a ring of frames larger than the last-level cache). Prints
// the ratios of the medians at the end. The "opaque" map makes every kernel a copy of the
// source rows, so its row compares with memcpy, not with a blend. Also one message line with
// its outline (nine outputs), plain and smooth, the text share of a composed frame.
//   build/bin/bench_blend --benchmark_repetitions=5 --benchmark_min_time=0.2
#include <benchmark/benchmark.h>

#include "bench/median_times.h"
#include <pixman.h>

#include <immintrin.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graphics/image.h"
#include "graphics/pixel_kernels.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/sjis.h"

namespace {

struct Screen {
    int w, h;
    std::string name;
};
const Screen kScreens[] = {{800, 600, "800x600"}, {1920, 1080, "1920x1080"}};
const char* const kMaps[] = {"opaque", "transparent", "character", "random", "window"};

// Transparency map values (255 - alpha). The character has a transparent surround (40%), an
// opaque body (40%) and soft edges between them (20%), in runs as a standing figure has. The
// window is a translucent message window: one value a row, darker towards the bottom.
void FillMap(platform::Bitmap& map, const std::string& kind) {
    std::mt19937 rng(5);
    for (int y = 0; y < map.Height(); ++y) {
        uint8_t* row = map.ScanLine(y);
        const int w = map.Width();
        for (int x = 0; x < w; ++x) {
            if (kind == "opaque")
                row[x] = 0;
            else if (kind == "transparent")
                row[x] = 255;
            else if (kind == "random")
                row[x] = static_cast<uint8_t>(rng());
            else if (kind == "window")
                row[x] = static_cast<uint8_t>(60 - 30 * y / map.Height());
            else {
                const int edge = w / 10;  // soft band width on each side of the body
                const int bodyLeft = w * 3 / 10 + (y % 7), bodyRight = bodyLeft + w * 4 / 10;
                if (x < bodyLeft - edge || x >= bodyRight + edge)
                    row[x] = 255;
                else if (x >= bodyLeft && x < bodyRight)
                    row[x] = 0;
                else
                    row[x] = static_cast<uint8_t>(rng());
            }
        }
    }
}

struct Data {
    platform::Bitmap target, source, map;
    std::vector<uint8_t> alpha;  // pixman's a8 mask, rows of the map's stride
};

Data& DataFor(const Screen& s, const std::string& kind) {
    static std::map<std::string, Data> cache;
    Data& d = cache[s.name + kind];
    if (d.target.Empty()) {
        d.target.SetFormat(s.w, s.h, 32);
        d.source.SetFormat(s.w, s.h, 32);
        d.map.SetFormat(s.w, s.h, 8);
        std::mt19937 rng(9);
        for (int y = 0; y < s.h; ++y) {
            uint8_t* t = d.target.ScanLine(y);
            uint8_t* src = d.source.ScanLine(y);
            for (int i = 0; i < s.w * 4; ++i) {
                t[i] = static_cast<uint8_t>(rng());
                src[i] = (i & 3) == 3 ? 0xFF : static_cast<uint8_t>(rng());
            }
        }
        FillMap(d.map, kind);
        d.alpha.resize(static_cast<size_t>(d.map.BytesPerLine()) * s.h);
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x)
                d.alpha[static_cast<size_t>(y) * d.map.BytesPerLine() + x] =
                    static_cast<uint8_t>(255 - d.map.ScanLine(y)[x]);
    }
    return d;
}

// Frames for the cold case: enough copies of the warm frame that one pass over all of them is
// at least twice the last-level cache, so each frame comes from memory again.
size_t LastLevelCache() {
    std::ifstream in("/sys/devices/system/cpu/cpu0/cache/index3/size");
    size_t kib = 0;
    if (in >> kib) return kib * 1024;
    return size_t(32) << 20;
}

std::vector<Data*> ColdFrames(const Screen& s, const std::string& kind) {
    static std::map<std::string, std::vector<std::unique_ptr<Data>>> cache;
    auto& frames = cache[s.name + kind];
    if (frames.empty()) {
        const Data& warm = DataFor(s, kind);
        const size_t frameBytes = size_t(s.w) * size_t(s.h) * 9;  // target, source, map
        const size_t count = std::max<size_t>(2, 2 * LastLevelCache() / frameBytes + 1);
        for (size_t i = 0; i < count; ++i) frames.push_back(std::make_unique<Data>(warm));
    }
    std::vector<Data*> out;
    for (auto& f : frames) out.push_back(f.get());
    return out;
}

std::vector<Data*> Frames(const Screen& s, const std::string& kind, bool cold) {
    if (cold) return ColdFrames(s, kind);
    return {&DataFor(s, kind)};
}

bool Runs(TPixelFamily family) {
    if (family == TPixelFamily::Avx2) return CpuHasAvx2();
    if (family == TPixelFamily::Avx512) return CpuHasAvx512();
    return true;
}

void BM_Kernel(benchmark::State& state, TPixelFamily family, const Screen* s, std::string kind,
               bool cold) {
    if (!Runs(family)) {
        state.SkipWithError("not on this processor");
        return;
    }
    const std::vector<Data*> frames = Frames(*s, kind, cold);
    const TBlendKernel kernel =
        BlendKernelsFor(static_cast<uint8_t>(platform::PixelFormat::Bit32), family).plain;
    size_t next = 0;
    for (auto _ : state) {
        Data& d = *frames[next];
        next = (next + 1) % frames.size();
        kernel(d.target, 0, 0, d.source, 0, 0, s->w, s->h, d.map);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * s->w * s->h * 4);
}

// The reference AVX2 kernel: (t * a + s * (255 - a)) >> 8 on every pixel of the rectangle,
// without the shortcuts (so not exact at 0 and 255), as a plain vector blend is written.
__attribute__((target("avx2"))) void ReferenceAvx2Row(uint8_t* t, const uint8_t* s,
                                                      const uint8_t* m, int w) {
    const __m256i zero = _mm256_setzero_si256(), c255 = _mm256_set1_epi16(255);
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4,
                                            4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
    int j = 0;
    for (; j + 8 <= w; j += 8) {
        long long a8;
        std::memcpy(&a8, m + j, 8);
        // Both lanes hold the eight map bytes; lane 0 spreads bytes 0..3, lane 1 bytes 4..7.
        const __m256i a = _mm256_shuffle_epi8(
            _mm256_permute4x64_epi64(_mm256_castsi128_si256(_mm_cvtsi64_si128(a8)), 0x00),
            spread);
        const __m256i tv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + 4 * j));
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * j));
        const __m256i alo = _mm256_unpacklo_epi8(a, zero), ahi = _mm256_unpackhi_epi8(a, zero);
        const __m256i lo = _mm256_srli_epi16(
            _mm256_add_epi16(
                _mm256_mullo_epi16(_mm256_unpacklo_epi8(tv, zero), alo),
                _mm256_mullo_epi16(_mm256_unpacklo_epi8(sv, zero), _mm256_sub_epi16(c255, alo))),
            8);
        const __m256i hi = _mm256_srli_epi16(
            _mm256_add_epi16(
                _mm256_mullo_epi16(_mm256_unpackhi_epi8(tv, zero), ahi),
                _mm256_mullo_epi16(_mm256_unpackhi_epi8(sv, zero), _mm256_sub_epi16(c255, ahi))),
            8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(t + 4 * j), _mm256_packus_epi16(lo, hi));
    }
    for (; j < w; ++j)
        for (int c = 0; c < 4; ++c)
            t[4 * j + c] = uint8_t((t[4 * j + c] * m[j] + s[4 * j + c] * (255 - m[j])) >> 8);
}

void BM_ReferenceAvx2(benchmark::State& state, const Screen* s, std::string kind, bool cold) {
    if (!CpuHasAvx2()) {
        state.SkipWithError("no AVX2");
        return;
    }
    const std::vector<Data*> frames = Frames(*s, kind, cold);
    size_t next = 0;
    for (auto _ : state) {
        Data& d = *frames[next];
        next = (next + 1) % frames.size();
        for (int y = 0; y < s->h; ++y)
            ReferenceAvx2Row(d.target.ScanLine(y), d.source.ScanLine(y), d.map.ScanLine(y), s->w);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * s->w * s->h * 4);
}

void BM_Pixman(benchmark::State& state, const Screen* s, std::string kind, bool cold) {
    struct Images {
        pixman_image_t *dst, *src, *mask;
    };
    std::vector<Images> images;
    for (Data* d : Frames(*s, kind, cold))
        images.push_back(
            {pixman_image_create_bits(PIXMAN_x8r8g8b8, s->w, s->h,
                                      reinterpret_cast<uint32_t*>(d->target.ScanLine(0)),
                                      d->target.BytesPerLine()),
             pixman_image_create_bits(PIXMAN_x8r8g8b8, s->w, s->h,
                                      reinterpret_cast<uint32_t*>(d->source.ScanLine(0)),
                                      d->source.BytesPerLine()),
             pixman_image_create_bits(PIXMAN_a8, s->w, s->h,
                                      reinterpret_cast<uint32_t*>(d->alpha.data()),
                                      d->map.BytesPerLine())});
    size_t next = 0;
    for (auto _ : state) {
        const Images& i = images[next];
        next = (next + 1) % images.size();
        pixman_image_composite32(PIXMAN_OP_OVER, i.src, i.mask, i.dst, 0, 0, 0, 0, 0, 0, s->w,
                                 s->h);
        benchmark::ClobberMemory();
    }
    for (const Images& i : images) {
        pixman_image_unref(i.mask);
        pixman_image_unref(i.src);
        pixman_image_unref(i.dst);
    }
    state.SetBytesProcessed(state.iterations() * s->w * s->h * 4);
}

void BM_Memcpy(benchmark::State& state, const Screen* s, bool cold) {
    const std::vector<Data*> frames = Frames(*s, "opaque", cold);
    const size_t bytes = static_cast<size_t>(frames[0]->target.BytesPerLine()) * s->h;
    size_t next = 0;
    for (auto _ : state) {
        Data& d = *frames[next];
        next = (next + 1) % frames.size();
        std::memcpy(d.target.ScanLine(0), d.source.ScanLine(0), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void BM_TextLine(benchmark::State& state, bool smooth) {
    platform::Bitmap screen;
    screen.SetFormat(800, 600, 32);
    screen.Fill(0x806040);
    platform::Canvas& canvas = screen.GetCanvas();
    canvas.SetFontName(platform::Utf8ToSjis("ＭＳ Ｐゴシック"));
    canvas.SetFontHeight(-18);
    canvas.SetBackgroundTransparent(true);
    const std::string line =
        platform::Utf8ToSjis("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。");
    TyxImage image(static_cast<uint8_t>(platform::PixelFormat::Bit32), true);
    const int offsets[9][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1},
                               {1, -1},  {1, 0},  {1, 1},  {0, 0}};
    for (auto _ : state) {
        for (int k = 0; k < 9; ++k) {
            canvas.SetFontColour(k == 8 ? 0xFFFFFF : 0);
            const int x = 40 + offsets[k][0], y = 480 + offsets[k][1];
            if (smooth)
                image.TextOutSmooth(canvas, x, y, line, static_cast<int>(line.size()));
            else
                canvas.TextOut(x, y, line);
        }
    }
}

// Console output as usual, then the ratios of the medians over the repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        m_Times.Add(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf(
            "\nMedian CPU time ratios: pixman / kernel (above 1 is faster than pixman), kernel / "
            "memcpy of the frame, kernel / reference AVX2 kernel (below 1 is faster)\n");
        std::printf("%-30s %7s %7s %7s %7s %7s %11s %11s %9s %9s\n", "case", "avx512", "avx2",
                    "sse2", "plain", "ref", "512/memcpy", "avx2/memcpy", "512/ref", "avx2/ref");
        for (const char* heat : {"warm", "cold"}) {
            for (const Screen& s : kScreens) {
                const double copy = Get(std::string("blend/memcpy/") + heat + "/" + s.name);
                for (const char* kind : kMaps) {
                    const std::string tail = std::string(heat) + "/" + s.name + "/" + kind;
                    const double pixman = Get("blend/pixman/" + tail);
                    if (pixman == 0) continue;
                    const double wide = Get("blend/avx512/" + tail),
                                 avx = Get("blend/avx2/" + tail), sse = Get("blend/sse2/" + tail),
                                 plain = Get("blend/plain/" + tail),
                                 ref = Get("blend/reference-avx2/" + tail);
                    auto over = [](double a, double b) { return b == 0 ? 0.0 : a / b; };
                    std::printf("%-30s %7.2f %7.2f %7.2f %7.2f %7.2f %11.2f %11.2f %9.2f %9.2f\n",
                                (tail + (std::string(kind) == "opaque" ? " (copy)" : "")).c_str(),
                                over(pixman, wide), over(pixman, avx), over(pixman, sse),
                                over(pixman, plain), over(pixman, ref), over(wide, copy),
                                over(avx, copy), over(wide, ref), over(avx, ref));
                }
            }
        }
    }

private:
    double Get(const std::string& name) const { return m_Times.Get(name); }
    TMedianTimes m_Times;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);  // fonts need it
    benchmark::RegisterBenchmark("text/plain/line-with-outline", BM_TextLine, false)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("text/smooth/line-with-outline", BM_TextLine, true)
        ->Unit(benchmark::kMicrosecond);
    // The cold case for the maps that matter for the frame: the copy and the character.
    for (const bool cold : {false, true}) {
        const std::string heat = cold ? "cold/" : "warm/";
        for (const Screen& s : kScreens) {
            benchmark::RegisterBenchmark(("blend/memcpy/" + heat + s.name).c_str(), BM_Memcpy, &s,
                                         cold)
                ->Unit(benchmark::kMicrosecond);
            for (const char* kind : kMaps) {
                const std::string k = kind;
                if (cold && k != "opaque" && k != "character") continue;
                const std::string tail = heat + s.name + "/" + kind;
                const std::pair<const char*, TPixelFamily> families[] = {
                    {"avx512", TPixelFamily::Avx512},
                    {"avx2", TPixelFamily::Avx2},
                    {"sse2", TPixelFamily::Sse2},
                    {"plain", TPixelFamily::Plain}};
                for (const auto& [name, family] : families)
                    benchmark::RegisterBenchmark(("blend/" + std::string(name) + "/" + tail).c_str(),
                                                 BM_Kernel, family, &s, k, cold)
                        ->Unit(benchmark::kMicrosecond);
                benchmark::RegisterBenchmark(("blend/reference-avx2/" + tail).c_str(),
                                             BM_ReferenceAvx2, &s, k, cold)
                    ->Unit(benchmark::kMicrosecond);
                benchmark::RegisterBenchmark(("blend/pixman/" + tail).c_str(), BM_Pixman, &s, k,
                                             cold)
                    ->Unit(benchmark::kMicrosecond);
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
