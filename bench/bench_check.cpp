// velmor-check over a game of 100,000 script lines in 50 scripts naming 5,000 loose files
// (pictures and sounds), every script reached by jumps and choices. Target: under 5 s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_system.h"
#include "tools/velmor-check/game_checker.h"

namespace {

namespace fs = std::filesystem;

constexpr int kScripts = 50;
constexpr int kLinesPerScript = 2000;
constexpr int kFiles = 5000;

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Png() {
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x03\x20\0\0\x02\x58\x08\x02\0\0\0", 29);
    return png + std::string(64, '\0');
}

std::string Wave() {
    std::string w("RIFF\x28\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\x02\0"
                  "\x10\0data\x04\0\0\0\0\0\0\0",
                  48);
    return w;
}

class Game {
public:
    Game() {
        m_Folder = fs::temp_directory_path() / "velmor-bench-check";
        fs::remove_all(m_Folder);
        for (int f = 0; f < kFiles; ++f) {
            char name[64];
            std::snprintf(name, sizeof name, f % 5 ? "cg/%03d/p%05d.png" : "se/%03d/s%05d.wav",
                          f / 100, f);
            Write(m_Folder / name, f % 5 ? Png() : Wave());
        }
        for (int s = 0; s < kScripts; ++s) {
            std::string text;
            int line = 0, file = s * (kFiles / kScripts);
            auto add = [&](const std::string& l) {
                text += l + "\r\n";
                ++line;
            };
            add("#s" + std::to_string(s));
            add("?v" + std::to_string(s) + " = 0");
            int para = 0;
            while (line < kLinesPerScript - 8) {
                char name[64];
                const int f = file++ % kFiles;
                std::snprintf(name, sizeof name, f % 5 ? "cg\\%03d\\p%05d.png" : "se\\%03d\\s%05d.wav",
                              f / 100, f);
                add(std::string(f % 5 ? "*b " : "*sound ") + name);
                add("A line of the story, long enough to be a real message of the game.");
                add("?v" + std::to_string(s) + " ++");
                if (line % 40 < 4) {
                    add("*jump p" + std::to_string(para + 1));
                    add("#p" + std::to_string(++para));
                }
            }
            const std::string next = "s" + std::to_string((s + 1) % kScripts) + ".txt";
            add("*clrsel");
            add("*addsel go #s" + std::to_string((s + 1) % kScripts) + " " + next);
            add("*addsel stay #s" + std::to_string(s));
            add("*select");
            Write(m_Folder / ("s" + std::to_string(s) + ".txt"), text);
        }
        Write(m_Folder / "game.vsc", "<velmor>\r\nStartScript=s0.txt\r\n</velmor>\r\n");
    }
    ~Game() {
        std::error_code ec;
        fs::remove_all(m_Folder, ec);
    }
    std::string Project() const {
        return platform::FileSystem::FromHostPath((m_Folder / "game.vsc").string());
    }

private:
    fs::path m_Folder;
};

void BM_CheckWholeGame(benchmark::State& state) {
    static Game game;
    size_t findings = 0, scripts = 0;
    for (auto _ : state) {
        TGameChecker checker(game.Project(), {});
        checker.Run();
        findings = checker.Report().Findings().size();
        scripts = checker.Scripts().size();
    }
    state.counters["scripts"] = static_cast<double>(scripts);
    state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_CheckWholeGame)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
