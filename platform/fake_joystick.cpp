#include "platform/fake_joystick.h"

namespace platform {

bool FakeJoystick::GetPosition(Position& out) {
    ++positionReads;
    if (positionFails || devices < 1) return false;
    out = position;
    return true;
}

bool FakeJoystick::GetCaps(Caps& out) {
    if (capsFails || devices < 1) return false;
    out = caps;
    return true;
}

}  // namespace platform
