// Launch and memory of the windowed program on the bundled demo: the time from spawning it to
// its first painted game frame (it says so on standard error when VELMOR_REPORT_FIRST_FRAME is
// set), and its peak resident memory (VmHWM) after playing the demo for a few seconds. The
// platform is the one this benchmark runs under (QT_QPA_PLATFORM, or DISPLAY from xvfb-run),
// offscreen when there is neither. Targets: 150 ms and 64 MB.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path Bin() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

struct Child {
    pid_t pid = -1;
    int err = -1;  // read end of its standard error
};

// A fresh data folder each time, so no saved state from an earlier run changes the start.
Child Spawn(const fs::path& home) {
    fs::remove_all(home);
    fs::create_directories(home);
    std::vector<std::string> env = {"SDL_AUDIODRIVER=dummy",
                                    "VELMOR_REPORT_FIRST_FRAME=1",
                                    "HOME=" + home.string(),
                                    "XDG_CONFIG_HOME=" + (home / "config").string(),
                                    "XDG_DATA_HOME=" + (home / "data").string(),
                                    "XDG_RUNTIME_DIR=" + home.string()};
    bool platform = false;
    for (const char* name : {"PATH", "DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name)) {
            env.push_back(std::string(name) + "=" + value);
            platform |= std::string(name) != "PATH" && std::string(name) != "XAUTHORITY";
        }
    if (!platform) env.push_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = (Bin() / "velmor").string();
    std::string arg = (Bin().parent_path() / "demo-game" / "demo.vsc").string();
    char* argv[] = {exe.data(), arg.data(), nullptr};
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    Child child;
    const int started = posix_spawn(&child.pid, exe.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (started != 0) {
        close(pipeFds[0]);
        return {};
    }
    child.err = pipeFds[0];
    return child;
}

// Reads the child's standard error until the line appears or the time is up; true when it did.
bool WaitFor(const Child& child, const std::string& line, Clock::time_point until) {
    std::string seen;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0) return false;
        pollfd p{child.err, POLLIN, 0};
        if (poll(&p, 1, int(left.count())) <= 0) continue;
        char buffer[4096];
        const ssize_t n = read(child.err, buffer, sizeof buffer);
        if (n <= 0) return false;
        seen.append(buffer, size_t(n));
        if (seen.find(line) != std::string::npos) return true;
    }
}

// Keeps the child's standard error drained for a while, so it never blocks on a full pipe.
void Drain(const Child& child, Clock::time_point until) {
    while (Clock::now() < until) {
        pollfd p{child.err, POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (poll(&p, 1, int(std::max<long>(1, left.count()))) <= 0) continue;
        char buffer[4096];
        if (read(child.err, buffer, sizeof buffer) <= 0) return;
    }
}

long PeakKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

void Stop(Child& child) {
    kill(child.pid, SIGTERM);
    int status = 0;
    waitpid(child.pid, &status, 0);
    close(child.err);
}

const std::string kPainted = "velmor: first frame painted";

void BM_LaunchToFirstFrame(benchmark::State& state) {
    const fs::path home = fs::temp_directory_path() / "velmor-bench-launch";
    for (auto _ : state) {
        const auto start = Clock::now();
        Child child = Spawn(home);
        if (child.pid < 0) return state.SkipWithError("velmor did not start");
        const bool painted = WaitFor(child, kPainted, start + std::chrono::seconds(20));
        const auto end = Clock::now();
        Stop(child);
        if (!painted) return state.SkipWithError("velmor painted no frame");
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_LaunchToFirstFrame)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_PeakMemoryOverDemo(benchmark::State& state) {
    const fs::path home = fs::temp_directory_path() / "velmor-bench-launch";
    const double seconds = 5;
    for (auto _ : state) {
        const auto start = Clock::now();
        Child child = Spawn(home);
        if (child.pid < 0) return state.SkipWithError("velmor did not start");
        Drain(child, start + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(seconds)));
        const long kb = PeakKb(child.pid);
        Stop(child);
        if (kb < 0) return state.SkipWithError("velmor ended before it was measured");
        state.SetIterationTime(seconds);
        state.counters["peak_rss_MB"] = double(kb) / 1024.0;
    }
}
BENCHMARK(BM_PeakMemoryOverDemo)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
