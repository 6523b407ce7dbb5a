#include "platform/joystick.h"

#include <gtest/gtest.h>

#include "platform/fake_joystick.h"
#include "platform/sdl_joystick.h"

namespace {

TEST(JoystickTest, SdlJoystickReadsOnlyWithADevice) {
    platform::SdlJoystick joystick;
    platform::Joystick::Position p;
    platform::Joystick::Caps caps;
    if (joystick.DeviceCount() == 0) {
        EXPECT_FALSE(joystick.GetPosition(p));
        EXPECT_FALSE(joystick.GetCaps(caps));
        return;
    }
    // A machine with a real joystick: the record is in the game's ranges.
    ASSERT_TRUE(joystick.GetCaps(caps));
    ASSERT_TRUE(joystick.GetPosition(p));
    EXPECT_EQ(caps.xMax, 65535u);
    EXPECT_LE(p.x, 65535u);
    EXPECT_LE(p.y, 65535u);
    EXPECT_LE(caps.numButtons, 32u);
}

TEST(JoystickTest, TestsInstallTheirOwn) {
    platform::FakeJoystick fake;
    fake.devices = 3;
    platform::Joystick::SetCurrent(&fake);
    EXPECT_EQ(platform::Joystick::Current().DeviceCount(), 3);
    platform::Joystick::SetCurrent(nullptr);
    EXPECT_NE(&platform::Joystick::Current(), &fake);
}

}  // namespace
