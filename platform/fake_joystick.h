#pragma once
#include "platform/joystick.h"

namespace platform {

// A joystick for tests: what it reports is set directly, and either read can be made to fail.
class FakeJoystick : public Joystick {
public:
    int devices = 1;
    Position position{32767, 32767, 0};
    Caps caps{};
    bool positionFails = false;
    bool capsFails = false;
    int positionReads = 0;

    int DeviceCount() override { return devices; }
    bool GetPosition(Position& out) override;
    bool GetCaps(Caps& out) override;
};

}  // namespace platform
