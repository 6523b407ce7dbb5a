#include "platform/virtual_clock.h"

namespace platform {

int VirtualClock::StartTimer(uint32_t periodMs, TimerCallback callback) {
    if (periodMs == 0 || !callback) return 0;
    int id = m_NextId++;
    m_Timers[id] = Timer{periodMs, m_Elapsed + periodMs, std::move(callback)};
    return id;
}

void VirtualClock::StopTimer(int id) {
    m_Timers.erase(id);
}

void VirtualClock::Advance(uint32_t ms) {
    if (m_Firing) {
        m_Now += ms;
        m_Elapsed += ms;
        return;
    }
    const uint64_t target = m_Elapsed + ms;
    for (;;) {
        // The earliest deadline fires first; equal deadlines in the order the timers started.
        auto due = m_Timers.end();
        for (auto it = m_Timers.begin(); it != m_Timers.end(); ++it) {
            if (it->second.next <= target &&
                (due == m_Timers.end() || it->second.next < due->second.next)) {
                due = it;
            }
        }
        if (due == m_Timers.end()) break;
        if (due->second.next > m_Elapsed) {
            m_Now += static_cast<uint32_t>(due->second.next - m_Elapsed);
            m_Elapsed = due->second.next;
        }
        due->second.next += due->second.period;
        // A copy: the callback may stop its own timer.
        TimerCallback callback = due->second.callback;
        struct FiringScope {
            bool& firing;
            explicit FiringScope(bool& f) : firing(f) { firing = true; }
            ~FiringScope() { firing = false; }
        } scope(m_Firing);
        callback();
    }
    // A callback that slept may already have moved time past the target.
    if (target > m_Elapsed) {
        m_Now += static_cast<uint32_t>(target - m_Elapsed);
        m_Elapsed = target;
    }
}

}  // namespace platform
