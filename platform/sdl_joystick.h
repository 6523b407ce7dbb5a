#pragma once
#include "platform/joystick.h"

struct _SDL_Joystick;

namespace platform {

// Joystick 1 through SDL2; the subsystem starts on first use, so a game without a joystick
// pays only for one device count.
class SdlJoystick : public Joystick {
public:
    SdlJoystick() = default;
    ~SdlJoystick() override;
    SdlJoystick(const SdlJoystick&) = delete;
    SdlJoystick& operator=(const SdlJoystick&) = delete;

    int DeviceCount() override;
    bool GetPosition(Position& position) override;
    bool GetCaps(Caps& caps) override;

private:
    bool Open();
    bool m_Started = false;
    _SDL_Joystick* m_Device = nullptr;
};

}  // namespace platform
