// Display modes: the candidate rules of the three changes, the main window's switch between a
// window and full screen, the scaled full screen where no mode fits, and the desktop's mode
// on the way out.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QScreen>

#include "engine/velmor.h"
#include "platform/fake_display_modes.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/test_message_responder.h"
#include "resources/sjis_text.h"
#include "shell/display_image.h"
#include "shell/display_monitor.h"
#include "shell/form_main.h"
#include "tests/support/temp_folder.h"
#include "windows/form_option.h"

namespace {

using platform::DisplayMode;
using platform::FakeDisplayModes;

const DisplayMode kDesktop{32, 1024, 768, 85};

TEST(DisplayMonitorTest, TheThreeChangesTryTheirCandidatesInTheirOrder) {
    struct Case {
        const char* what;
        std::vector<DisplayMode> listed;
        std::vector<DisplayMode> attempts;
        DisplayMode shown;
    } const cases[] = {
        {"the desktop's depth at 60 and 75 Hz: 85 first, then the highest listed",
         {kDesktop, {32, 800, 600, 60}, {32, 800, 600, 75}},
         {{32, 800, 600, 85}, {32, 800, 600, 75}},
         {32, 800, 600, 75}},
        {"only 16 bits: the size alone, taking a candidate only when both are higher",
         {kDesktop, {16, 800, 600, 60}, {16, 800, 600, 75}, {16, 800, 600, 70}},
         {{32, 800, 600, 85}, {16, 800, 600, 60}},
         {16, 800, 600, 60}},
        {"no mode of the size: nothing beyond the first attempt",
         {kDesktop, {32, 640, 480, 60}},
         {{32, 800, 600, 85}},
         kDesktop},
    };
    for (const Case& c : cases) {
        FakeDisplayModes display(c.listed, kDesktop);
        platform::DisplayModes::SetCurrent(&display);
        {
            TDisplayMonitor monitor;
            EXPECT_EQ(monitor.CurrentMode(), kDesktop) << c.what;
            EXPECT_EQ(monitor.ModeCount(), static_cast<int>(c.listed.size()));
            const bool changed = monitor.ChangeTo(800, 600, 0, 0) ||
                                 monitor.ChangeToSizeAndDepth(800, 600, 0) ||
                                 monitor.ChangeToSize(800, 600);
            EXPECT_EQ(changed, !(c.shown == kDesktop)) << c.what;
            EXPECT_EQ(monitor.Changed(), changed);
            EXPECT_EQ(display.Attempts(), c.attempts) << c.what;
            EXPECT_EQ(display.Shown(), c.shown) << c.what;
        }
        // Gone: the desktop's mode is back when it was changed.
        EXPECT_EQ(display.Shown(), kDesktop) << c.what;
        platform::DisplayModes::SetCurrent(nullptr);
    }
}

class DisplaySwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::MessageBox::SetCurrent(&m_Boxes);
        m_SavedFolder = platform::FileSystem::CurrentFolder();
        m_Dir.WriteSjis("game.vsc", "<velmor>\nStartScript=start.txt\n</velmor>\n"
                                    "<Screen>\nWidth=320\nHeight=240\n</Screen>\n");
        m_Dir.WriteSjis("start.txt", "#start\nはじまり\n");
        m_Dir.WriteSjis("game.vss", "<SystemState>\nWindowMode=0\n</SystemState>\n");
    }
    void TearDown() override {
        platform::DisplayModes::SetCurrent(nullptr);
        platform::FileSystem::SetCurrentFolder(m_SavedFolder);
        platform::MessageBox::SetCurrent(nullptr);
    }
    // The options dialog with its full-screen box set.
    void Options(TFormMain& form, bool fullScreen) {
        form.SetOptionDialogDriver([fullScreen](TFormOption& d) {
            d.m_CBWindowMode->setChecked(fullScreen);
            d.Ok();
        });
        form.m_ActSystemOptionExecute();
    }
    bool Borderless(const TFormMain& form) const {
        return form.windowFlags().testFlag(Qt::FramelessWindowHint);
    }
    std::string State() const { return m_Dir.ReadUtf8(m_Dir.Path() / "game.vss"); }

    TempFolder m_Dir;
    TempFolder m_Home;
    ScopedDataHome m_DataHome{m_Home.Str()};
    platform::TestMessageResponder m_Boxes;
    std::string m_SavedFolder;
};

TEST_F(DisplaySwitchTest, FullScreenChangesTheModeAndWindowAndBackLeaveItBorderlessAtTheOrigin) {
    FakeDisplayModes display({kDesktop, {32, 320, 240, 85}}, kDesktop);
    platform::DisplayModes::SetCurrent(&display);
    {
        TFormMain form;
        ASSERT_TRUE(form.FormCreate({platform::FileSystem::FromHostPath(m_Dir.Str() + "game.vsc")}));
        EXPECT_TRUE(m_Boxes.Records().empty());
        EXPECT_EQ(display.Shown(), (DisplayMode{32, 320, 240, 85}));
        EXPECT_FALSE(form.Engine()->SystemState().WindowMode);
        EXPECT_TRUE(Borderless(form));
        EXPECT_EQ(form.pos(), QPoint(0, 0));
        EXPECT_EQ(form.size(), QSize(320, 240));

        Options(form, false);
        EXPECT_TRUE(form.Engine()->SystemState().WindowMode);
        EXPECT_EQ(display.Shown(), kDesktop);
        EXPECT_FALSE(Borderless(form));
        EXPECT_TRUE(form.isVisible());
        const QRect screen = QApplication::primaryScreen()->geometry();
        EXPECT_EQ(form.pos(), QPoint((screen.width() - form.frameGeometry().width()) / 2,
                                     (screen.height() - form.frameGeometry().height()) / 2));

        m_Boxes.PushAnswer(platform::MessageAnswer::Yes);
        Options(form, true);
        EXPECT_FALSE(form.Engine()->SystemState().WindowMode);
        EXPECT_TRUE(Borderless(form));
        EXPECT_EQ(form.pos(), QPoint(0, 0));
        EXPECT_TRUE(form.isVisible());
        form.close();
    }
    // Ended in full screen: the desktop is back and the state says full screen.
    EXPECT_EQ(display.Shown(), kDesktop);
    EXPECT_NE(State().find("WindowMode=0"), std::string::npos);
}

TEST_F(DisplaySwitchTest, WithoutAModeOfTheGamesSizeTheGameIsScaledToTheWholeScreen) {
    FakeDisplayModes display({kDesktop}, kDesktop);
    platform::DisplayModes::SetCurrent(&display);
    {
        TFormMain form;
        ASSERT_TRUE(form.FormCreate({platform::FileSystem::FromHostPath(m_Dir.Str() + "game.vsc")}));
        // Not "フルスクリーン化できません": full screen came up, scaled.
        EXPECT_TRUE(m_Boxes.Records().empty());
        EXPECT_FALSE(form.Engine()->SystemState().WindowMode);
        EXPECT_TRUE(form.Scaled());
        EXPECT_TRUE(form.isFullScreen());
        const QRect screen = QApplication::primaryScreen()->geometry();
        const double scale = std::min(screen.width() / 320.0, screen.height() / 240.0);
        // The control covers the screen; the picture in it is scaled, centred between bars.
        EXPECT_EQ(form.ImgPrim()->geometry(), QRect(QPoint(0, 0), screen.size()));
        const QRect shown = form.ImgPrim()->PictureRect().toRect();
        EXPECT_NEAR(shown.width(), 320 * scale, 1);
        EXPECT_NEAR(shown.height(), 240 * scale, 1);
        EXPECT_NEAR(shown.left(), (screen.width() - shown.width()) / 2, 1);
        EXPECT_NEAR(shown.top(), (screen.height() - shown.height()) / 2, 1);
        // The game's own picture keeps its size; only its showing is scaled.
        EXPECT_EQ(form.ImgPrim()->Image().size(), QSize(320, 240));

        Options(form, false);
        EXPECT_TRUE(form.Engine()->SystemState().WindowMode);
        EXPECT_FALSE(form.Scaled());
        EXPECT_FALSE(form.isFullScreen());
        // Back in a window of a whole multiple of the game's size, the picture filling it.
        EXPECT_EQ(form.ImgPrim()->geometry(), form.rect());
        EXPECT_EQ(form.width() % 320, 0);
        EXPECT_EQ(form.width() / 320, form.height() / 240);
        EXPECT_EQ(form.ImgPrim()->PictureRect(), QRectF(form.rect()));
        form.close();
    }
    EXPECT_NE(State().find("WindowMode=1"), std::string::npos);
}

}  // namespace
