#pragma once
#include <map>

#include "platform/clock.h"

namespace platform {

// Time that moves only when told to: tests and the headless runner advance it.
class VirtualClock : public Clock {
public:
    explicit VirtualClock(uint32_t start = 0) : m_Now(start) {}
    uint32_t TickCount() const override { return m_Now; }
    int StartTimer(uint32_t periodMs, TimerCallback callback) override;
    void StopTimer(int id) override;
    void Sleep(uint32_t ms) override { Advance(ms); }
    // Moves time on, firing due timers in order of their deadlines. Called from inside a
    // timer's callback it only moves time; the timers then fire late, as real ones would.
    void Advance(uint32_t ms);

private:
    struct Timer {
        uint32_t period;
        uint64_t next;
        TimerCallback callback;
    };
    uint32_t m_Now;
    uint64_t m_Elapsed = 0;
    std::map<int, Timer> m_Timers;
    int m_NextId = 1;
    bool m_Firing = false;
};

}  // namespace platform
