// The headless runner over a large scenario: 100,000 message lines in 5,000 paragraphs, each
// paragraph jumping to another far away in the script. The counter is message lines played per
// second of wall time, with the character reveal on and off (the state file beside the
// project). The runner runs as a child process, start-up included, over the first LINES lines.
// Start-up alone: a game whose folder holds an archive of 100,000 members beside the same game
// loose, each playing one line.
#include <benchmark/benchmark.h>

#include "bench/run_quietly.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "platform/sjis.h"
#include "resources/archive_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr int kParagraphs = 5000;
constexpr int kLinesEach = 20;

fs::path Runner() {
    return fs::read_symlink("/proc/self/exe").parent_path() / "velmor-headless";
}

// The game, made once; animated or not by the state file beside the project.
fs::path Game(bool animated) {
    const fs::path dir = fs::temp_directory_path() / (animated ? "velmor-bench-scale-on" : "velmor-bench-scale-off");
    if (!fs::exists(dir / "start.txt")) {
        fs::create_directories(dir);
        std::vector<int> order(kParagraphs - 1);
        std::iota(order.begin(), order.end(), 1);
        std::shuffle(order.begin(), order.end(), std::mt19937(1));
        order.insert(order.begin(), 0);
        std::vector<int> next(kParagraphs, -1);
        for (size_t i = 0; i + 1 < order.size(); ++i) next[static_cast<size_t>(order[i])] = order[i + 1];
        std::string script;
        for (int p = 0; p < kParagraphs; ++p) {
            script += "#L" + std::to_string(p) + "\r\n";
            for (int l = 0; l < kLinesEach; ++l)
                script += platform::Utf8ToSjis("メッセージ " + std::to_string(p) + " の " +
                                               std::to_string(l) +
                                               " 行目、少し長めの文章をここに置いておく。") +
                          "\r\n";
            script += next[static_cast<size_t>(p)] < 0 ? "%\r\n" : "*jump L" + std::to_string(next[static_cast<size_t>(p)]) + "\r\n";
        }
        std::ofstream(dir / "start.txt", std::ios::binary) << script;
        std::ofstream(dir / "scale.vsc", std::ios::binary)
            << "<velmor>\r\nCompany=bench\r\nProduct=scale\r\nStartScript=start.txt\r\n</velmor>\r\n"
               "<Screen>\r\nWidth=800\r\nHeight=600\r\n</Screen>\r\n";
        std::ofstream(dir / "scale.vss", std::ios::binary)
            << "<SystemState>\r\nMessageAnimation=" << (animated ? 1 : 0) << "\r\n</SystemState>\r\n";
    }
    return dir / "scale.vsc";
}

void Play(benchmark::State& state, bool animated) {
    const std::string project = Game(animated).string();
    const std::string tool = Runner().string();
    const std::string lines = std::to_string(state.range(0));
    const std::string home = (fs::temp_directory_path() / "velmor-bench-scale-home").string();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    int64_t played = 0;
    for (auto _ : state) {
        if (RunQuietly({tool, "--auto", "--max-lines", lines, project}) != 0) {
            state.SkipWithError("the runner failed");
            break;
        }
        // Of every 22 script lines, 20 are messages.
        played += state.range(0) * kLinesEach / (kLinesEach + 2);
    }
    state.counters["message_lines_per_s"] =
        benchmark::Counter(static_cast<double>(played), benchmark::Counter::kIsRate);
}

void BM_RunnerAnimationOn(benchmark::State& state) {
    Play(state, true);
}
void BM_RunnerAnimationOff(benchmark::State& state) {
    Play(state, false);
}

// One short script, loose or with an archive of 100,000 members in the game's folder (opened
// at start-up whatever the game reads from it).
fs::path StartGame(bool packed) {
    const fs::path dir = fs::temp_directory_path() / (packed ? "velmor-bench-start-bcx" : "velmor-bench-start-loose");
    if (!fs::exists(dir / "start.txt")) {
        fs::create_directories(dir);
        std::ofstream(dir / "start.txt", std::ios::binary)
            << platform::Utf8ToSjis("最初の行。\r\n%\r\n");
        std::ofstream(dir / "start.vsc", std::ios::binary)
            << "<velmor>\r\nCompany=bench\r\nProduct=start\r\nStartScript=start.txt\r\n</velmor>\r\n"
               "<Screen>\r\nWidth=800\r\nHeight=600\r\n</Screen>\r\n";
        if (packed) {
            std::vector<TyxArchiveWriter::Member> members(100000);
            for (int m = 0; m < 100000; ++m) {
                char name[64];
                std::snprintf(name, sizeof name, "cg\\arc%02d\\ev%05d.png", m / 10000, m % 10000);
                members[static_cast<size_t>(m)] = {name, {1, 2, 3, 4}};
            }
            std::string error;
            if (!TyxArchiveWriter::Write(TyxArchiveWriter::Format::Bcx, (dir / "data.bcx").string(),
                                         members, nullptr, error))
                std::abort();
        }
    }
    return dir / "start.vsc";
}

void Start(benchmark::State& state, bool packed) {
    const std::string project = StartGame(packed).string();
    const std::string tool = Runner().string();
    const std::string home = (fs::temp_directory_path() / "velmor-bench-start-home").string();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    for (auto _ : state)
        if (RunQuietly({tool, "--auto", "--max-lines", "1", project}) != 0) {
            state.SkipWithError("the runner failed");
            break;
        }
}

void BM_StartLoose(benchmark::State& state) {
    Start(state, false);
}
void BM_StartBcx100k(benchmark::State& state) {
    Start(state, true);
}

}  // namespace

BENCHMARK(BM_StartLoose)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_StartBcx100k)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RunnerAnimationOn)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_RunnerAnimationOff)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
