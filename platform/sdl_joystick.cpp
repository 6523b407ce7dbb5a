#include "platform/sdl_joystick.h"

#include <SDL.h>

#include "platform/sdl_subsystem.h"

namespace platform {

namespace {
// SDL axes run -32768..32767; the game's record runs 0..65535.
uint32_t AxisOf(Sint16 value) {
    return static_cast<uint32_t>(static_cast<int32_t>(value) + 32768);
}
}  // namespace

SdlJoystick::~SdlJoystick() {
    if (m_Device) SDL_JoystickClose(m_Device);
    if (m_Started) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

int SdlJoystick::DeviceCount() {
    if (!m_Started) {
        if (!StartSdlSubsystem(SDL_INIT_JOYSTICK)) return 0;
        m_Started = true;
    }
    const int n = SDL_NumJoysticks();
    return n > 0 ? n : 0;
}

bool SdlJoystick::Open() {
    if (m_Device && SDL_JoystickGetAttached(m_Device)) return true;
    if (m_Device) {
        SDL_JoystickClose(m_Device);
        m_Device = nullptr;
    }
    if (DeviceCount() < 1) return false;
    m_Device = SDL_JoystickOpen(0);
    return m_Device != nullptr;
}

bool SdlJoystick::GetPosition(Position& position) {
    if (!Open()) return false;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(m_Device)) return false;
    position.x =
        SDL_JoystickNumAxes(m_Device) > 0 ? AxisOf(SDL_JoystickGetAxis(m_Device, 0)) : 32768;
    position.y =
        SDL_JoystickNumAxes(m_Device) > 1 ? AxisOf(SDL_JoystickGetAxis(m_Device, 1)) : 32768;
    position.buttons = 0;
    const int buttons = SDL_JoystickNumButtons(m_Device);
    for (int i = 0; i < buttons && i < 32; ++i)
        if (SDL_JoystickGetButton(m_Device, i)) position.buttons |= 1u << i;
    return true;
}

bool SdlJoystick::GetCaps(Caps& caps) {
    if (!Open()) return false;
    caps = Caps{};
    const int buttons = SDL_JoystickNumButtons(m_Device);
    if (buttons < 0) return false;
    caps.numButtons = static_cast<uint32_t>(buttons > 32 ? 32 : buttons);
    return true;
}

}  // namespace platform
