#pragma once
// Win32-style auto-reset event: Set lets exactly one wait through and clears itself.
#include <chrono>
#include <cstddef>

namespace platform {

class AutoResetEvent {
public:
    AutoResetEvent() = default;
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event was signalled within the time-out (and is cleared again).
    bool Wait(std::chrono::milliseconds timeout);
    // Waits for the first of several events; the index of the one taken (lowest first), or
    // -1 on time-out.
    static int WaitAny(AutoResetEvent* const* events, size_t count,
                       std::chrono::milliseconds timeout);

private:
    bool m_Signalled = false;
};

}  // namespace platform
