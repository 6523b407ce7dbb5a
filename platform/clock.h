#pragma once
// Millisecond tick count (32-bit, wrapping) and the periodic multimedia timer. The engine asks
// Clock::Current() for time; tests install a VirtualClock.
#include <cstdint>
#include <functional>

namespace platform {

class Clock {
public:
    using TimerCallback = std::function<void()>;
    virtual ~Clock() = default;

    virtual uint32_t TickCount() const = 0;
    // Periodic timer; the callback may run on another thread (real clock) or inside
    // Advance (virtual clock). Returns 0 on failure.
    virtual int StartTimer(uint32_t periodMs, TimerCallback callback) = 0;
    virtual void StopTimer(int id) = 0;
    // Blocks until the tick count has moved on by ms (virtual clock: advances it).
    virtual void Sleep(uint32_t ms) = 0;

    static Clock& Current();
    // Installs a clock (not owned); nullptr restores the system clock.
    static void SetCurrent(Clock* clock);
};

}  // namespace platform
