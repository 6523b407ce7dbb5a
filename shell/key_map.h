#pragma once
#include <cstdint>

#include "engine/velmor_codes.h"

// What a key press or release on the game window does, by key (Qt key code) and Alt.
class TKeyMap {
public:
    struct Action {
        enum Kind { kNone, kCode, kMovePointer, kClickAtPointer } kind = kNone;
        TInputCode code = TInputCode::Confirm;
        int dx = 0, dy = 0;
        bool operator==(const Action&) const = default;
    };
    // Alt with an arrow moves the pointer by this many pixels.
    static constexpr int kPointerStep = 8;

    static Action Press(int key, bool alt);
    static Action Release(int key, bool alt);
    // The plug-in interface's code (VELMOR_KEY_) for a Qt key; 0 for a key it has none for.
    static int32_t PluginKey(int key);
};
