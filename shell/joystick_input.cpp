#include "shell/joystick_input.h"

bool TJoystickInput::Probe(platform::Joystick& joystick) {
    m_Present = false;
    if (joystick.DeviceCount() < 1) return false;
    platform::Joystick::Position position;
    platform::Joystick::Caps caps;
    if (!joystick.GetPosition(position) || !joystick.GetCaps(caps)) return false;
    // 64-bit, so a driver's inverted or full-range limits cannot overflow.
    auto zone = [](uint32_t min, uint32_t max, int32_t& low, int32_t& high) {
        const int64_t range = static_cast<int64_t>(max) - min;
        const int64_t centre = min + range / 2;
        low = static_cast<int32_t>(centre - range / 10);
        high = static_cast<int32_t>(centre + range / 10);
    };
    zone(caps.xMin, caps.xMax, m_DeadZone.left, m_DeadZone.right);
    zone(caps.yMin, caps.yMax, m_DeadZone.top, m_DeadZone.bottom);
    m_ButtonCount = static_cast<int32_t>(caps.numButtons);
    m_Left = m_Up = m_Right = m_Down = m_Button1 = m_Button2 = false;
    m_Present = m_ButtonCount >= 1;
    return m_Present;
}

bool TJoystickInput::Edge(bool& flag, bool active) {
    const bool fire = active && !flag;
    flag = active;
    return fire;
}

void TJoystickInput::Poll(platform::Joystick& joystick,
                          const std::function<void(TInputCode)>& deliver) {
    if (!m_Present) return;
    platform::Joystick::Position p;
    if (!joystick.GetPosition(p)) return;
    const int64_t x = p.x, y = p.y;
    if (Edge(m_Left, x < m_DeadZone.left)) deliver(TInputCode::First);
    if (Edge(m_Up, y < m_DeadZone.top)) deliver(TInputCode::Up);
    if (Edge(m_Right, x > m_DeadZone.right)) deliver(TInputCode::Last);
    if (Edge(m_Down, y > m_DeadZone.bottom)) deliver(TInputCode::Down);
    if (Edge(m_Button1, p.buttons & platform::Joystick::kButton1)) deliver(TInputCode::Confirm);
    if (m_ButtonCount >= 2) {
        const bool held = p.buttons & platform::Joystick::kButton2;
        const bool was = m_Button2;
        if (Edge(m_Button2, held)) deliver(TInputCode::HideWindow);
        if (was && !held) deliver(TInputCode::ShowWindow);
    }
    if (m_ButtonCount >= 3 && (p.buttons & platform::Joystick::kButton3))
        deliver(TInputCode::SkipHeld);
}
