#pragma once
#include <cstdint>
#include <functional>

#include "engine/velmor_codes.h"
#include "platform/joystick.h"

// Joystick 1 as input codes: the probe finds its centre and dead zone, each poll turns a
// direction or button that has just become active into one code.
class TJoystickInput {
public:
    struct Rect {
        int32_t left = 0, top = 0, right = 0, bottom = 0;
    };
    // False (and absent) when the system has no joystick, either read fails or it has no
    // button.
    bool Probe(platform::Joystick& joystick);
    // Reads the position once and passes the codes it gives to deliver; a failed read does
    // nothing. Does nothing while absent.
    void Poll(platform::Joystick& joystick, const std::function<void(TInputCode code)>& deliver);

    bool Present() const { return m_Present; }
    const Rect& DeadZone() const { return m_DeadZone; }
    int32_t ButtonCount() const { return m_ButtonCount; }

private:
    // Fires on the poll where active becomes true; arms again once it is false.
    static bool Edge(bool& armedFlag, bool active);

    bool m_Present = false;
    Rect m_DeadZone;
    int32_t m_ButtonCount = 0;
    bool m_Left = false, m_Up = false, m_Right = false, m_Down = false;
    bool m_Button1 = false, m_Button2 = false;
};
