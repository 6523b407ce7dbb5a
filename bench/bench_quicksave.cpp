// One quick save (F6) in the demo, copied to a temporary folder, at its first message: the save
// data file and the save list written, on the real file system. A second case adds 10,000
// variables, a large game's worth. Target: 20 ms.
//   QT_QPA_PLATFORM=offscreen build/bin/bench_quicksave --benchmark_repetitions=3
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/velmor.h"
#include "platform/file_system.h"
#include "save/quick_slots.h"
#include "shell/form_main.h"

namespace {

namespace fs = std::filesystem;

struct Game {
    Game() {
        const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
        folder = fs::temp_directory_path() / ("velmor-bench-quicksave-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::copy(bin.parent_path() / "demo-game", folder, fs::copy_options::recursive);
        setenv("XDG_DATA_HOME", (folder / "home").c_str(), 1);
        form = std::make_unique<TFormMain>();
        form->SetExternalDriver(true);
        started =
            form->FormCreate({platform::FileSystem::FromHostPath((folder / "demo.vsc").string())});
        // Until the first message waits for the player.
        for (int i = 0; started && i < 10000; ++i) {
            uint32_t deadline;
            if (form->NextRest(deadline) == TFormMain::Rest::Input) break;
            form->IdlePass();
        }
    }
    ~Game() {
        form.reset();
        fs::remove_all(folder);
    }
    fs::path folder;
    std::unique_ptr<TFormMain> form;
    bool started = false;
};

void QuickSave(benchmark::State& state) {
    Game game;
    if (!game.started) {
        state.SkipWithError("the demo did not start (build demo_playable)");
        return;
    }
    TVelmor& engine = *game.form->Engine();
    for (int i = 0; i < state.range(0); ++i) engine.Variables().Set("v" + std::to_string(i), i);
    TQuickSlots quick(engine);
    for (auto _ : state)
        if (quick.QuickSave() != TQuickSlots::Outcome::Saved) state.SkipWithError("refused");
}
BENCHMARK(QuickSave)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
