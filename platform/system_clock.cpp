#include "platform/system_clock.h"

#include <chrono>
#include <condition_variable>

namespace platform {

// The worker's state is shared so that a callback may stop its own timer.
struct SystemClock::Timer {
    struct State {
        std::mutex lock;
        std::condition_variable wake;
        bool stop = false;
    };
    std::shared_ptr<State> state = std::make_shared<State>();
    std::thread worker;
};

SystemClock::SystemClock() = default;

SystemClock::~SystemClock() {
    std::map<int, std::unique_ptr<Timer>> timers;
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        timers.swap(m_Timers);
    }
    for (auto& entry : timers) {
        Timer* timer = entry.second.get();
        {
            std::lock_guard<std::mutex> guard(timer->state->lock);
            timer->state->stop = true;
        }
        timer->state->wake.notify_all();
        if (timer->worker.get_id() == std::this_thread::get_id()) {
            timer->worker.detach();
        } else if (timer->worker.joinable()) {
            timer->worker.join();
        }
    }
}

uint32_t SystemClock::TickCount() const {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

int SystemClock::StartTimer(uint32_t periodMs, TimerCallback callback) {
    if (periodMs == 0 || !callback) return 0;
    auto timer = std::make_unique<Timer>();
    auto state = timer->state;
    timer->worker = std::thread([state, periodMs, callback = std::move(callback)] {
        using Clock = std::chrono::steady_clock;
        const auto period = std::chrono::milliseconds(periodMs);
        auto next = Clock::now() + period;
        std::unique_lock<std::mutex> lock(state->lock);
        while (!state->stop) {
            if (state->wake.wait_until(lock, next, [&] { return state->stop; })) break;
            lock.unlock();
            callback();
            lock.lock();
            next += period;
            // After a long stall, do not fire a burst of missed periods.
            if (next < Clock::now()) next = Clock::now() + period;
        }
    });
    std::lock_guard<std::mutex> guard(m_Lock);
    int id = m_NextId++;
    m_Timers[id] = std::move(timer);
    return id;
}

void SystemClock::StopTimer(int id) {
    std::unique_ptr<Timer> timer;
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        auto it = m_Timers.find(id);
        if (it == m_Timers.end()) return;
        timer = std::move(it->second);
        m_Timers.erase(it);
    }
    {
        std::lock_guard<std::mutex> guard(timer->state->lock);
        timer->state->stop = true;
    }
    timer->state->wake.notify_all();
    if (timer->worker.get_id() == std::this_thread::get_id()) {
        timer->worker.detach();  // stopped from its own callback; the thread ends after it
    } else {
        timer->worker.join();
    }
}

void SystemClock::Sleep(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform
