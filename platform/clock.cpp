#include "platform/clock.h"

#include <atomic>

#include "platform/system_clock.h"

namespace platform {
namespace {
std::atomic<Clock*> g_Current{nullptr};
}  // namespace

Clock& Clock::Current() {
    if (Clock* clock = g_Current.load()) return *clock;
    static SystemClock systemClock;
    return systemClock;
}

void Clock::SetCurrent(Clock* clock) {
    g_Current.store(clock);
}

}  // namespace platform
