// The tables that turn keys, the joystick and the game state into input codes and menu states.
#include <gtest/gtest.h>

#include <Qt>
#include <vector>

#include "platform/fake_joystick.h"
#include "platform/joystick.h"
#include "shell/joystick_input.h"
#include "shell/key_map.h"
#include "shell/menu_rules.h"

namespace {

using Action = TKeyMap::Action;
Action Code(int c) {
    return {Action::kCode, static_cast<TInputCode>(c), 0, 0};
}
Action Move(int dx, int dy) {
    return {Action::kMovePointer, TInputCode::Confirm, dx, dy};
}

TEST(KeyMapTest, PressTableWithAndWithoutAlt) {
    struct Row {
        int key;
        Action plain, alt;
    };
    const Row rows[] = {
        {Qt::Key_Shift, Code(3), Code(3)},    {Qt::Key_Control, Code(2), Code(2)},
        {Qt::Key_Left, Code(7), Move(-8, 0)}, {Qt::Key_Right, Code(8), Move(8, 0)},
        {Qt::Key_Up, Code(5), Move(0, -8)},   {Qt::Key_Down, Code(6), Move(0, 8)},
        {Qt::Key_PageUp, Code(5), Code(5)},   {Qt::Key_PageDown, Code(6), Code(6)},
        {Qt::Key_Return, Action{}, Action{}}, {Qt::Key_Space, Action{}, Action{}},
        {Qt::Key_Escape, Action{}, Action{}}, {Qt::Key_A, Action{}, Action{}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(TKeyMap::Press(r.key, false), r.plain) << r.key;
        EXPECT_EQ(TKeyMap::Press(r.key, true), r.alt) << r.key;
    }
}

TEST(KeyMapTest, ReleaseTableConfirmsOrClicksAtThePointer) {
    const Action click{Action::kClickAtPointer, TInputCode::Confirm, 0, 0};
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        EXPECT_EQ(TKeyMap::Release(key, false), Code(1));
        EXPECT_EQ(TKeyMap::Release(key, true), click);
    }
    EXPECT_EQ(TKeyMap::Release(Qt::Key_Shift, false), Code(4));
    EXPECT_EQ(TKeyMap::Release(Qt::Key_Shift, true), Code(4));
    // Ctrl and the arrows act on the press only.
    for (int key : {Qt::Key_Control, Qt::Key_Left, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_F4})
        EXPECT_EQ(TKeyMap::Release(key, false), Action{}) << key;
}

TEST(KeyMapTest, PluginKeysAreTheOriginalsVirtualKeyCodes) {
    const std::pair<int, int32_t> cases[] = {
        {Qt::Key_A, 'A'},          {Qt::Key_Z, 'Z'},           {Qt::Key_0, '0'},
        {Qt::Key_9, '9'},          {Qt::Key_Space, 0x20},      {Qt::Key_Return, 0x0D},
        {Qt::Key_Enter, 0x0D},     {Qt::Key_Escape, 0x1B},     {Qt::Key_Left, 0x25},
        {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},      {Qt::Key_Down, 0x28},
        {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11},    {Qt::Key_Alt, 0x12},
        {Qt::Key_F1, 0x70},        {Qt::Key_F12, 0x7B},        {Qt::Key_PageDown, 0x22},
        {Qt::Key_Delete, 0x2E},    {Qt::Key_Backspace, 0x08},  {Qt::Key_Tab, 0x09},
        {Qt::Key_Home, 0x24},      {Qt::Key_End, 0x23},        {Qt::Key_Insert, 0x2D},
        {Qt::Key_Exclam, 0},       {Qt::Key_F13, 0},           {Qt::Key_Meta, 0},
        {Qt::Key_unknown, 0},
    };
    for (const auto& [key, code] : cases) EXPECT_EQ(TKeyMap::PluginKey(key), code) << key;
}

class JoystickInputTest : public ::testing::Test {
protected:
    std::vector<int> Poll() {
        std::vector<int> codes;
        m_Input.Poll(m_Joy, [&](TInputCode c) { codes.push_back(CodeOf(c)); });
        return codes;
    }
    void At(uint32_t x, uint32_t y, uint32_t buttons = 0) { m_Joy.position = {x, y, buttons}; }

    platform::FakeJoystick m_Joy;
    TJoystickInput m_Input;
};

TEST_F(JoystickInputTest, ProbeFindsTheDeadZoneAndNeedsAButton) {
    m_Joy.caps = {0, 65535, 100, 1100, 4};
    ASSERT_TRUE(m_Input.Probe(m_Joy));
    // Centre min + range / 2, a tenth of the range either side.
    EXPECT_EQ(m_Input.DeadZone().left, 32767 - 6553);
    EXPECT_EQ(m_Input.DeadZone().right, 32767 + 6553);
    EXPECT_EQ(m_Input.DeadZone().top, 500);
    EXPECT_EQ(m_Input.DeadZone().bottom, 700);
    EXPECT_EQ(m_Input.ButtonCount(), 4);

    m_Joy.caps.numButtons = 0;
    EXPECT_FALSE(m_Input.Probe(m_Joy));
    m_Joy.caps.numButtons = 1;
    m_Joy.devices = 0;
    EXPECT_FALSE(m_Input.Probe(m_Joy));
    m_Joy.devices = 1;
    m_Joy.capsFails = true;
    EXPECT_FALSE(m_Input.Probe(m_Joy));
    m_Joy.capsFails = false;
    m_Joy.positionFails = true;
    EXPECT_FALSE(m_Input.Probe(m_Joy));
    EXPECT_FALSE(m_Input.Present());
    // An absent joystick is never read.
    const int reads = m_Joy.positionReads;
    EXPECT_TRUE(Poll().empty());
    EXPECT_EQ(m_Joy.positionReads, reads);
}

TEST_F(JoystickInputTest, DirectionsFireOncePerPushAndArmAgainInTheMiddle) {
    m_Joy.caps.numButtons = 1;
    ASSERT_TRUE(m_Input.Probe(m_Joy));
    const int32_t left = m_Input.DeadZone().left;
    At(32767, 32767);
    EXPECT_TRUE(Poll().empty());
    At(static_cast<uint32_t>(left), 32767);  // on the edge is still inside
    EXPECT_TRUE(Poll().empty());
    At(0, 32767);
    EXPECT_EQ(Poll(), std::vector<int>{7});
    EXPECT_TRUE(Poll().empty());
    At(0, 0);  // up joins while left is held
    EXPECT_EQ(Poll(), std::vector<int>{5});
    At(65535, 65535);
    EXPECT_EQ(Poll(), (std::vector<int>{8, 6}));
    At(0, 0);
    EXPECT_EQ(Poll(), (std::vector<int>{7, 5}));
    At(32767, 32767);
    EXPECT_TRUE(Poll().empty());
    // A failed read changes nothing: the next good one still sees the same edges.
    m_Joy.positionFails = true;
    At(0, 32767);
    EXPECT_TRUE(Poll().empty());
    m_Joy.positionFails = false;
    EXPECT_EQ(Poll(), std::vector<int>{7});
}

TEST_F(JoystickInputTest, ButtonsByButtonCount) {
    using J = platform::Joystick;
    m_Joy.caps.numButtons = 1;
    ASSERT_TRUE(m_Input.Probe(m_Joy));
    At(32767, 32767, J::kButton1 | J::kButton2 | J::kButton3);
    EXPECT_EQ(Poll(), std::vector<int>{1});  // buttons 2 and 3 unknown with one button
    EXPECT_TRUE(Poll().empty());

    m_Joy.caps.numButtons = 3;
    At(32767, 32767);
    ASSERT_TRUE(m_Input.Probe(m_Joy));
    At(32767, 32767, J::kButton2);
    EXPECT_EQ(Poll(), std::vector<int>{3});
    EXPECT_TRUE(Poll().empty());
    At(32767, 32767, 0);
    EXPECT_EQ(Poll(), std::vector<int>{4});
    EXPECT_TRUE(Poll().empty());
    // Button 3 skips on every poll while held.
    At(32767, 32767, J::kButton3);
    EXPECT_EQ(Poll(), std::vector<int>{2});
    EXPECT_EQ(Poll(), std::vector<int>{2});
    At(32767, 32767, J::kButton1 | J::kButton3);
    EXPECT_EQ(Poll(), (std::vector<int>{1, 2}));

    m_Joy.caps.numButtons = 2;
    At(32767, 32767);
    ASSERT_TRUE(m_Input.Probe(m_Joy));
    At(32767, 32767, J::kButton3);
    EXPECT_TRUE(Poll().empty());
}

// What each game mode allows is the engine's (its mode table test); here, how the window
// turns that into its commands.
TEST(MenuRulesTest, MessageItemsAndSaveLoadAsTheModeAllows) {
    for (bool message : {false, true})
        for (bool saveLoad : {false, true}) {
            TMenuRules::Inputs in;
            in.modeMessageItems = message;
            in.modeSaveLoad = saveLoad;
            in.paragraphRead = true;
            const auto s = TMenuRules::Decide(in);
            EXPECT_EQ(s.messWinShowEnabled, message);
            EXPECT_EQ(s.autoPlayEnabled, message);
            EXPECT_EQ(s.skipEnabled, message);
            EXPECT_EQ(s.saveLoadEnabled, saveLoad);
            EXPECT_TRUE(s.saveLoadVisible);
            EXPECT_FALSE(s.sceneEndVisible);
        }
}

TEST(MenuRulesTest, SkipNeedsReadTextOrTheSettingAndAReplayHidesSaving) {
    TMenuRules::Inputs in;
    in.modeMessageItems = true;
    in.modeSaveLoad = true;
    EXPECT_FALSE(TMenuRules::Decide(in).skipEnabled);
    in.noReadTextSkip = true;
    EXPECT_TRUE(TMenuRules::Decide(in).skipEnabled);
    in.noReadTextSkip = false;
    in.paragraphRead = true;
    EXPECT_TRUE(TMenuRules::Decide(in).skipEnabled);
    // With the popup disabled by the script, the message items are off whatever was read.
    in.modeMessageItems = false;
    auto s = TMenuRules::Decide(in);
    EXPECT_FALSE(s.skipEnabled);
    EXPECT_FALSE(s.messWinShowEnabled);
    EXPECT_TRUE(s.saveLoadEnabled);

    in.sceneReplayActive = true;
    s = TMenuRules::Decide(in);
    EXPECT_FALSE(s.saveLoadEnabled);
    EXPECT_FALSE(s.saveLoadVisible);
    EXPECT_TRUE(s.sceneEndVisible);
}

}  // namespace
