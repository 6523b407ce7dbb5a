// A gallery page of 9 seen entries on an 800 x 600 screen, from 160 x 120 thumbnails and
// from 800 x 600 pictures scaled into their cells: drawing the page and turning to the next
// one and back. Targets: under 15 ms a page from thumbnails, under 60 ms from pictures.
//   build/bin/bench_gallery --benchmark_min_time=0.5
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <filesystem>
#include <memory>

#include "graphics/display_surface.h"
#include "platform/clock.h"
#include "graphics/sprite.h"
#include "modes/cg_mode.h"
#include "platform/file_system.h"
#include "resources/dll_res.h"

namespace {

namespace fs = std::filesystem;

class NullSurface : public TDisplaySurface {
public:
    NullSurface() : TDisplaySurface(platform::Clock::Current()) {}
    int Width() const override { return 800; }
    int Height() const override { return 600; }
    void Present(const platform::Bitmap&, int, int) override {}
};

QImage Scene(int w, int h, int seed) {
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor::fromHsv((seed * 40) % 360, 160, 220));
    g.setColorAt(1, QColor::fromHsv((seed * 40 + 120) % 360, 200, 90));
    p.fillRect(img.rect(), g);
    p.setBrush(Qt::white);
    p.drawEllipse(w / 4, h / 4, w / 2, h / 2);
    return img;
}

struct Gallery {
    fs::path folder = fs::temp_directory_path() / "velmor-bench-gallery";
    // The built-in buttons, whose places the page turns click.
    TyxDllRes library{platform::FileSystem::ProgramFolder() + "VELMORRC.DLL", true};
    TSprite screen{7, true, nullptr, nullptr, nullptr};
    NullSurface surface;
    TStringList seen;
    std::unique_ptr<TCGMode> mode;

    // Two pages of nine; thumbnails named or not.
    explicit Gallery(bool thumbnails) {
        fs::create_directories(folder);
        screen.CreateBlank(800, 600, 0);
        std::string text = "<ImageList>\n";
        for (int k = 0; k < 18; ++k) {
            const std::string picture = (folder / ("ev" + std::to_string(k) + ".jpg")).string();
            const std::string thumb = (folder / ("ev" + std::to_string(k) + "s.png")).string();
            if (!fs::exists(picture))
                Scene(800, 600, k).save(QString::fromStdString(picture), "JPG", 90);
            if (!fs::exists(thumb)) Scene(160, 120, k).save(QString::fromStdString(thumb), "PNG");
            text += picture + (thumbnails ? "," + thumb : std::string()) + "\n";
            seen.push_back(picture);
        }
        text += "</ImageList>\n";
        const fs::path file = folder / (thumbnails ? "thumbs.ini" : "pictures.ini");
        FILE* f = fopen(file.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        TGalleryPage::TServices services;
        services.window = &surface;
        services.resourceLibrary = &library;
        mode = std::make_unique<TCGMode>(file.string(), seen, screen, services);
        mode->Enter();
    }
};

void Redraw(benchmark::State& state, bool thumbnails) {
    Gallery g(thumbnails);
    g.mode->Redraw();  // the visit's first drawing decodes; later ones must not
    for (auto _ : state) {
        g.mode->Redraw();
        benchmark::DoNotOptimize(g.screen.Image().Pixel(100, 100));
    }
}

// The first drawing of a page in a visit, decoding all nine cells.
void FirstRedraw(benchmark::State& state, bool thumbnails) {
    Gallery g(thumbnails);
    for (auto _ : state) {
        state.PauseTiming();
        g.mode->Leave();
        g.mode->Enter();
        state.ResumeTiming();
        g.mode->Redraw();
    }
}

void PageTurn(benchmark::State& state, bool thumbnails) {
    Gallery g(thumbnails);
    g.mode->Redraw();
    bool forward = true;
    g.mode->Click(545, 425);
    g.mode->Click(425, 425);
    if (g.mode->Page() != 0 || g.mode->CachedCells() != 18) state.SkipWithError("no page turn");
    for (auto _ : state) {
        // Next and previous buttons at their default places.
        if (forward)
            g.mode->Click(545, 425);
        else
            g.mode->Click(425, 425);
        forward = !forward;
    }
}

BENCHMARK_CAPTURE(Redraw, Thumbnails, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Redraw, Pictures, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FirstRedraw, Thumbnails, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FirstRedraw, Pictures, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PageTurn, Thumbnails, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PageTurn, Pictures, false)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
