#include "platform/auto_reset_event.h"

#include <condition_variable>
#include <mutex>

namespace platform {

namespace {
// One lock for all events: a wait on several events then needs no per-event waiter lists,
// and the few sound workers signal a handful of times a second.
std::mutex& EventMutex() {
    static std::mutex mutex;
    return mutex;
}
std::condition_variable& EventSignal() {
    static std::condition_variable signal;
    return signal;
}
}  // namespace

void AutoResetEvent::Set() {
    {
        std::lock_guard<std::mutex> lock(EventMutex());
        m_Signalled = true;
    }
    EventSignal().notify_all();
}

void AutoResetEvent::Reset() {
    std::lock_guard<std::mutex> lock(EventMutex());
    m_Signalled = false;
}

bool AutoResetEvent::IsSet() const {
    std::lock_guard<std::mutex> lock(EventMutex());
    return m_Signalled;
}

bool AutoResetEvent::Wait(std::chrono::milliseconds timeout) {
    AutoResetEvent* self = this;
    return WaitAny(&self, 1, timeout) == 0;
}

int AutoResetEvent::WaitAny(AutoResetEvent* const* events, size_t count,
                            std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock<std::mutex> lock(EventMutex());
    for (;;) {
        for (size_t i = 0; i < count; ++i) {
            if (events[i] && events[i]->m_Signalled) {
                events[i]->m_Signalled = false;
                return static_cast<int>(i);
            }
        }
        if (EventSignal().wait_until(lock, deadline) == std::cv_status::timeout) {
            for (size_t i = 0; i < count; ++i) {
                if (events[i] && events[i]->m_Signalled) {
                    events[i]->m_Signalled = false;
                    return static_cast<int>(i);
                }
            }
            return -1;
        }
    }
}

}  // namespace platform
