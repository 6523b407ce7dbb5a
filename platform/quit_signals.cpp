#include "platform/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/quit_request.h"

namespace platform {
namespace {

std::atomic<int> g_Signals{0};
int g_Wake[2] = {-1, -1};

extern "C" void OnQuitSignal(int signal) {
    if (g_Signals.fetch_add(1) == 0) {
        QuitRequest::Set();
        if (g_Wake[1] >= 0) {
            const int saved = errno;  // the interrupted code may be about to read it
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = write(g_Wake[1], &byte, 1);
            errno = saved;
        }
        return;
    }
    // Asked twice: whatever held the orderly way out, the player wants the program gone.
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    sigaction(signal, &plain, nullptr);
    raise(signal);
}

}  // namespace

void QuitSignals::Install() {
    if (g_Wake[0] < 0 && pipe2(g_Wake, O_CLOEXEC | O_NONBLOCK) != 0) g_Wake[0] = g_Wake[1] = -1;
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

int QuitSignals::WakeDescriptor() {
    return g_Wake[0];
}

}  // namespace platform
