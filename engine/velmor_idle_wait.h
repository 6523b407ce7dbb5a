#pragma once
#include <cstdint>

// What the idle loop may do after a pass: run again at once, rest until a tick-count deadline,
// or rest until the next input.
struct TIdleWait {
    enum Kind { kRun, kDeadline, kInput } kind = kRun;
    uint32_t deadline = 0;
};
