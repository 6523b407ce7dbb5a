#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/clock.h"

namespace platform {

// Tick count from std::chrono::steady_clock; timers on a worker thread each.
class SystemClock : public Clock {
public:
    SystemClock();
    ~SystemClock() override;
    uint32_t TickCount() const override;
    int StartTimer(uint32_t periodMs, TimerCallback callback) override;
    void StopTimer(int id) override;
    void Sleep(uint32_t ms) override;

private:
    struct Timer;
    std::mutex m_Lock;
    std::map<int, std::unique_ptr<Timer>> m_Timers;
    int m_NextId = 1;
};

}  // namespace platform
