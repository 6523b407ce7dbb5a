#pragma once
// The joystick as the game sees it: joystick 1's position record (axes 0..65535, one bit per
// button) and its capabilities. Joystick::Current() is the SDL joystick unless a test
// installs a FakeJoystick.
#include <cstdint>

namespace platform {

class Joystick {
public:
    struct Position {
        uint32_t x = 0;
        uint32_t y = 0;
        uint32_t buttons = 0;  // bit 0 is button 1
    };
    struct Caps {
        uint32_t xMin = 0, xMax = 65535;
        uint32_t yMin = 0, yMax = 65535;
        uint32_t numButtons = 0;
    };
    static constexpr uint32_t kButton1 = 1, kButton2 = 2, kButton3 = 4;

    virtual ~Joystick() = default;
    // Number of joystick devices the system reports.
    virtual int DeviceCount() = 0;
    // Joystick 1; false when it cannot be read.
    virtual bool GetPosition(Position& position) = 0;
    virtual bool GetCaps(Caps& caps) = 0;

    static Joystick& Current();
    // Installs a joystick (not owned); nullptr restores the system's.
    static void SetCurrent(Joystick* joystick);
};

}  // namespace platform
