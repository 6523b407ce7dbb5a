#pragma once
#include <atomic>

namespace platform {

// Set (from a signal handler too) when the program is asked to end: long operations give up
// at their next check so the state is written and the window closes promptly.
class QuitRequest {
public:
    static void Set() { s_Flag.store(true, std::memory_order_relaxed); }
    static bool IsSet() { return s_Flag.load(std::memory_order_relaxed); }
    static void ClearForTests() { s_Flag.store(false, std::memory_order_relaxed); }

private:
    static inline std::atomic<bool> s_Flag{false};
};

}  // namespace platform
