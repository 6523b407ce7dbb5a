// Peak memory of velmor-pack packing a folder with one large file (256 MiB) and a few small
// ones, scrambled: members are streamed, so the packer holds about one piece of a member, not
// the archive. Target: peak resident size under 64 MiB. The packer runs as a child process,
// so its own peak is measured, not this program's.
#include <benchmark/benchmark.h>

#include "bench/run_quietly.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr size_t kLargeMiB = 256;

fs::path Packer() {
    return fs::read_symlink("/proc/self/exe").parent_path() / "velmor-pack";
}

void BM_PackFolderWithOneLargeFile(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "velmor-bench-pack";
    fs::remove_all(folder);
    fs::create_directories(folder / "game");
    {
        std::ofstream big(folder / "game/movie.ogg", std::ios::binary);
        const std::string block(1 << 20, 'm');
        for (size_t i = 0; i < kLargeMiB; ++i) big << block;
        for (int i = 0; i < 10; ++i) std::ofstream(folder / "game" / ("s" + std::to_string(i) + ".txt")) << "text";
    }
    const std::string index = (folder / "out.bcl").string();
    const std::string game = (folder / "game").string();
    const std::string tool = Packer().string();
    long peakKiB = 0;
    for (auto _ : state) {
        struct rusage usage {};
        if (RunQuietly({tool, "create", "--format", "bcl", "--scramble", index, game}, &usage) != 0) {
            state.SkipWithError("velmor-pack failed");
            break;
        }
        peakKiB = std::max(peakKiB, usage.ru_maxrss);
    }
    state.counters["file_MiB"] = static_cast<double>(kLargeMiB);
    state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
    std::error_code ec;
    fs::remove_all(folder, ec);
}
BENCHMARK(BM_PackFolderWithOneLargeFile)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
