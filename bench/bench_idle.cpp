// Waiting at a message with music and ambient sound playing: the windowed program on a game
// that starts both and shows one message, spawned with the offscreen platform and SDL's disk
// audio driver (paced like a device, writing to /dev/null). After it settles, the program's
// CPU over ten seconds as a share of one core, and each thread's wake-ups per second (context
// switches), are reported, from 4 s after the start (the loops' first pass) and from 20 s (both
// loops have wrapped). The target is 0.3 % of a core.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/sjis.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

fs::path Bin() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

fs::path Game() {
    const fs::path dir = fs::temp_directory_path() / "velmor-bench-idle";
    fs::create_directories(dir);
    for (const char* name : {"bgm_night.ogg", "bge_wave.ogg"})
        fs::copy_file(Bin().parent_path() / "demo-game" / name, dir / name,
                      fs::copy_options::overwrite_existing);
    std::ofstream(dir / "idle.vsc", std::ios::binary)
        << "<velmor>\r\nCompany=bench\r\nProduct=idle\r\nStartScript=start.txt\r\n</velmor>\r\n"
           "<Screen>\r\nWidth=800\r\nHeight=600\r\n</Screen>\r\n";
    std::ofstream(dir / "start.txt", std::ios::binary)
        << "*bgm bgm_night.ogg\r\n*bge bge_wave.ogg\r\n"
        << platform::Utf8ToSjis("波の音を聞きながら、灯台守は朝を待っている。") << "\r\n%\r\n";
    return dir / "idle.vsc";
}

// Each thread's name, its context switches and its CPU microseconds so far.
std::map<std::string, std::pair<long, long>> Switches(pid_t pid) {
    std::map<std::string, std::pair<long, long>> out;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        std::ifstream status(task.path() / "status");
        long total = 0;
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::stol(line.substr(line.find(':') + 1));
        long long ns = 0;  // time on a CPU, from the scheduler's own count
        std::ifstream(task.path() / "schedstat") >> ns;
        out[name + " (" + task.path().filename().string() + ")"] = {total, long(ns / 1000)};
    }
    return out;
}

void BM_WaitingWithMusicAndAmbient(benchmark::State& state) {
    const fs::path project = Game();
    const fs::path home = project.parent_path() / "home";
    fs::create_directories(home);
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "SDL_AUDIODRIVER=disk",
                                    "SDL_DISKAUDIOFILE=/dev/null",
                                    "HOME=" + home.string(),
                                    "XDG_CONFIG_HOME=" + (home / "config").string(),
                                    "XDG_DATA_HOME=" + (home / "data").string(),
                                    "XDG_RUNTIME_DIR=" + home.string()};
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("PATH=", 0) == 0) env.push_back(*e);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const double seconds = 10;
    for (auto _ : state) {
        std::string exe = (Bin() / "velmor").string(), arg = project.string();
        char* argv[] = {exe.data(), arg.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int started = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (started != 0) return state.SkipWithError("velmor did not start");
        // Start-up and the first decoding; with the longer wait both loops (16 and 12 s) have
        // wrapped once, so a sound kept from its first pass no longer decodes.
        std::this_thread::sleep_for(std::chrono::seconds(state.range(0)));
        const auto before = Switches(pid);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const auto after = Switches(pid);
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        if (after.empty()) return state.SkipWithError("velmor ended before it was measured");
        state.SetIterationTime(seconds);
        long total = 0;
        double cpuAll = 0;
        for (const auto& [name, count] : after) {
            const auto was = before.find(name);
            const bool known = was != before.end();
            const long n = count.first - (known ? was->second.first : 0);
            const long cpu = count.second - (known ? was->second.second : 0);
            total += n;
            cpuAll += double(cpu) / 1e6;
            if (n > 0)
                std::printf("  %-28s %6.1f wake-ups/s  %5.2f %% of a core\n", name.c_str(),
                            n / seconds, 100.0 * double(cpu) / 1e6 / seconds);
        }
        state.counters["core_percent"] = 100.0 * cpuAll / seconds;
        state.counters["wakeups_per_s"] = double(total) / seconds;
    }
}
BENCHMARK(BM_WaitingWithMusicAndAmbient)
    ->ArgName("after_s")
    ->Arg(4)
    ->Arg(20)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
