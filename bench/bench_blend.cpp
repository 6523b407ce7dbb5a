// Blending a full screen through a transparency map: each kernel family beside pixman's OVER
// with an a8 mask on the same data, and beside memcpy of the same bytes. Prints the ratios at
// the end. Also one message line with its outline (nine outputs), plain and smooth, the text
// share of a composed frame.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <map>
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
const char* const kMaps[] = {"opaque", "transparent", "character", "random"};

// Transparency map values (255 - alpha). The character has a transparent surround (40%), an
// opaque body (40%) and soft edges between them (20%), in runs as a standing figure has.
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

void BM_Kernel(benchmark::State& state, TPixelFamily family, const Screen* s, std::string kind) {
    if (family == TPixelFamily::Avx2 && !CpuHasAvx2()) {
        state.SkipWithError("no AVX2");
        return;
    }
    Data& d = DataFor(*s, kind);
    const TBlendKernel kernel =
        BlendKernelsFor(static_cast<uint8_t>(platform::PixelFormat::Bit32), family).plain;
    for (auto _ : state) {
        kernel(d.target, 0, 0, d.source, 0, 0, s->w, s->h, d.map);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * s->w * s->h * 4);
}

void BM_Pixman(benchmark::State& state, const Screen* s, std::string kind) {
    Data& d = DataFor(*s, kind);
    pixman_image_t* dst = pixman_image_create_bits(
        PIXMAN_x8r8g8b8, s->w, s->h, reinterpret_cast<uint32_t*>(d.target.ScanLine(0)),
        d.target.BytesPerLine());
    pixman_image_t* src = pixman_image_create_bits(
        PIXMAN_x8r8g8b8, s->w, s->h, reinterpret_cast<uint32_t*>(d.source.ScanLine(0)),
        d.source.BytesPerLine());
    pixman_image_t* mask = pixman_image_create_bits(
        PIXMAN_a8, s->w, s->h, reinterpret_cast<uint32_t*>(d.alpha.data()), d.map.BytesPerLine());
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, 0, 0, s->w, s->h);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    pixman_image_unref(src);
    pixman_image_unref(dst);
    state.SetBytesProcessed(state.iterations() * s->w * s->h * 4);
}

void BM_Memcpy(benchmark::State& state, const Screen* s) {
    Data& d = DataFor(*s, "opaque");
    const size_t bytes = static_cast<size_t>(d.target.BytesPerLine()) * s->h;
    for (auto _ : state) {
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

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_Times[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf(
            "\nCPU time ratios (pixman / family: above 1 is faster than pixman; family / "
            "memcpy)\n");
        std::printf("%-24s %8s %8s %8s %14s %14s\n", "case", "avx2", "sse2", "plain", "avx2/memcpy",
                    "sse2/memcpy");
        for (const Screen& s : kScreens) {
            const double copy = Get("blend/memcpy/" + s.name);
            for (const char* kind : kMaps) {
                const std::string tail = s.name + "/" + kind;
                const double pixman = Get("blend/pixman/" + tail);
                const double avx = Get("blend/avx2/" + tail), sse = Get("blend/sse2/" + tail),
                             plain = Get("blend/plain/" + tail);
                std::printf("%-24s %8.2f %8.2f %8.2f %14.2f %14.2f\n", tail.c_str(), pixman / avx,
                            pixman / sse, pixman / plain, avx / copy, sse / copy);
            }
        }
    }

private:
    double Get(const std::string& name) const {
        auto it = m_Times.find(name);
        return it == m_Times.end() ? 0.0 : it->second;
    }
    std::map<std::string, double> m_Times;
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
    for (const Screen& s : kScreens) {
        benchmark::RegisterBenchmark(("blend/memcpy/" + s.name).c_str(), BM_Memcpy, &s)
            ->Unit(benchmark::kMicrosecond);
        for (const char* kind : kMaps) {
            const std::string tail = s.name + "/" + kind;
            benchmark::RegisterBenchmark(("blend/avx2/" + tail).c_str(), BM_Kernel,
                                         TPixelFamily::Avx2, &s, kind)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("blend/sse2/" + tail).c_str(), BM_Kernel,
                                         TPixelFamily::Sse2, &s, kind)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("blend/plain/" + tail).c_str(), BM_Kernel,
                                         TPixelFamily::Plain, &s, kind)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("blend/pixman/" + tail).c_str(), BM_Pixman, &s, kind)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
