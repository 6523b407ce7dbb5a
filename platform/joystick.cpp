#include "platform/joystick.h"

#include "platform/sdl_joystick.h"

namespace platform {

namespace {
Joystick* g_Current = nullptr;
}

Joystick& Joystick::Current() {
    if (g_Current) return *g_Current;
    static SdlJoystick system;
    return system;
}

void Joystick::SetCurrent(Joystick* joystick) {
    g_Current = joystick;
}

}  // namespace platform
