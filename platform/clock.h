#pragma once
// Millisecond tick count (32-bit, wrapping) and the periodic multimedia timer. The program
// entry makes the clock and hands it down; Current() is for the shell's defaults and tests.
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

// Whatever clock is installed at the moment of each call, for objects made before a test
// installs its own.
class InstalledClock : public Clock {
public:
    uint32_t TickCount() const override { return Current().TickCount(); }
    int StartTimer(uint32_t periodMs, TimerCallback callback) override {
        return Current().StartTimer(periodMs, std::move(callback));
    }
    void StopTimer(int id) override { Current().StopTimer(id); }
    void Sleep(uint32_t ms) override { Current().Sleep(ms); }
};

}  // namespace platform
