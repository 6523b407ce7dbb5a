#include "platform/quit_signals.h"

#include <signal.h>

#include <atomic>

#include "platform/quit_request.h"

namespace platform {
namespace {

std::atomic<int> g_Signals{0};

extern "C" void OnQuitSignal(int signal) {
    if (g_Signals.fetch_add(1) == 0) {
        QuitRequest::Set();
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
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace platform
