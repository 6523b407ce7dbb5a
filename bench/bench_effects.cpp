// The moving screen effects through the real window control at 800 x 600 on the real clock:
// scrolls in each direction (a picture half as large again as the screen along the way),
// an edge-to-edge scroll (twice the screen's width, 800 frames in a second), the two shakes
// and the two waves. Each iteration is one whole effect; "core_pct" is the process's CPU over
// the effect's wall time, as a share of one core. The target is at most 10 %.
//   QT_QPA_PLATFORM=offscreen build/bin/bench_effects --benchmark_repetitions=3
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "graphics/sprite.h"
#include "graphics/sprite_effects.h"
#include "platform/clock.h"
#include "shell/display_image.h"

namespace {

constexpr int kW = 800, kH = 600;

double ProcessSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Window {
    Window() {
        image.SetImageSize(kW, kH);
        image.resize(kW, kH);
        image.show();
        QApplication::processEvents();
    }
    TDisplayImage image{nullptr, platform::Clock::Current()};
};

Window& TheWindow() {
    static Window window;
    return window;
}

// A picture with detail everywhere, so no copy can take a shortcut.
std::unique_ptr<TSprite> Picture(int width, int height) {
    auto sprite = std::make_unique<TSprite>(7, true, nullptr, nullptr, nullptr);
    sprite->CreateBlank(width, height, 0);
    platform::Bitmap& image = sprite->Image();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.ScanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<uint32_t>((x * 7 + y * 3) & 255) |
                     (static_cast<uint32_t>((x ^ y) & 255) << 8) |
                     (static_cast<uint32_t>((x * y) & 255) << 16);
    }
    image.Changed();
    return sprite;
}

template <class Setup, class Run>
void Measure(benchmark::State& state, int width, int height, Setup setup, Run run) {
    Window& window = TheWindow();
    auto sprite = Picture(width, height);
    const platform::Bitmap original = sprite->Image();
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        state.PauseTiming();
        sprite->Image() = original;
        setup(*sprite);
        window.image.Present(sprite->Image(), sprite->Left(), sprite->Top());
        QApplication::processEvents();
        state.ResumeTiming();
        const double c0 = ProcessSeconds();
        const auto w0 = std::chrono::steady_clock::now();
        run(*sprite, window.image);
        cpu += ProcessSeconds() - c0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    }
    state.counters["core_pct"] = wall > 0 ? 100.0 * cpu / wall : 0;
}

// Scroll effects 13 to 20: where the picture starts, so each has the whole way to go.
void Scroll(benchmark::State& state, int dx, int dy, int width, int height) {
    Measure(
        state, width, height,
        [=](TSprite& s) { s.SetAnchor(dx < 0 ? 1 : -1, dy < 0 ? 1 : -1, dx < 0 ? kW : 0,
                                      dy < 0 ? kH : 0); },
        [=](TSprite& s, TDisplaySurface& c) { speffectScroll(s, c, dx, dy, 1000); });
}

void Left(benchmark::State& s) { Scroll(s, -1, 0, 1200, kH); }
void Right(benchmark::State& s) { Scroll(s, 1, 0, 1200, kH); }
void Up(benchmark::State& s) { Scroll(s, 0, -1, kW, 900); }
void Down(benchmark::State& s) { Scroll(s, 0, 1, kW, 900); }
void UpLeft(benchmark::State& s) { Scroll(s, -1, -1, 1200, 900); }
void DownRight(benchmark::State& s) { Scroll(s, 1, 1, 1200, 900); }
void EdgeToEdge(benchmark::State& s) { Scroll(s, 1, 0, 2 * kW, kH); }

void Tumble(benchmark::State& state, bool vertical) {
    Measure(
        state, kW, kH, [](TSprite& s) { s.SetBasePoint(7, 0, 0); },
        [=](TSprite& s, TDisplaySurface& c) { speffectTumble(s, c, vertical, 500); });
}
void TumbleVertical(benchmark::State& s) { Tumble(s, true); }
void TumbleHorizontal(benchmark::State& s) { Tumble(s, false); }

void Wave(benchmark::State& state, bool in) {
    Measure(
        state, kW, kH, [](TSprite& s) { s.SetBasePoint(7, 0, 0); },
        [=](TSprite& s, TDisplaySurface& c) {
            if (in)
                speffectWaveIn(s, c, false, 1000);
            else
                speffectWaveOut(s, c, true, 1000);
        });
}
void WaveIn(benchmark::State& s) { Wave(s, true); }
void WaveOut(benchmark::State& s) { Wave(s, false); }

}  // namespace

#define EFFECT(f) BENCHMARK(f)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()
EFFECT(Left);
EFFECT(Right);
EFFECT(Up);
EFFECT(Down);
EFFECT(UpLeft);
EFFECT(DownRight);
EFFECT(EdgeToEdge);
EFFECT(TumbleVertical);
EFFECT(TumbleHorizontal);
EFFECT(WaveIn);
EFFECT(WaveOut);

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
