// The game window's input: keys, Alt and the pointer, key repeat, the joystick, the context
// menu's commands and the history window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>

#include "engine/velmor.h"
#include "engine/velmor_plugin.h"
#include "platform/clock.h"
#include "platform/fake_joystick.h"
#include "platform/file_system.h"
#include "platform/joystick.h"
#include "platform/message_box.h"
#include "platform/test_message_responder.h"
#include "platform/virtual_clock.h"
#include "resources/sjis_text.h"
#include "save/form_save.h"
#include "shell/display_image.h"
#include "shell/form_main.h"
#include "tests/support/game_window_test.h"
#include "windows/form_info.h"
#include "windows/form_log.h"
#include "windows/form_option.h"

namespace {

class FormInputTest : public GameWindowTest {
protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        m_Dir.WriteSjis("start.txt", "一\n二\n三\n四\n五\n");
    }
    void State(const std::string& extra) const { WriteState("MessageAnimation=0\n" + extra); }
    bool Start(TFormMain& form) const { return Open(form); }
    int Line(TFormMain& form) { return form.Engine()->Script().Position().Line; }
};

TEST_F(FormInputTest, ActionsCarryTheirCaptionsShortcutsPicturesAndMenuOrder) {
    TFormMain form;
    ASSERT_TRUE(Start(form));
    struct Row {
        const char* name;
        const char* caption;
        QKeySequence key;
        bool enabled, visible;
    };
    const Row rows[] = {
        {"m_ActMessWinShow", "メッセージウィンドウの消去/表示(&H)", QKeySequence(Qt::Key_Escape),
         true, true},
        {"m_ActMessSkip", "自動メッセージスキップ(&M)", QKeySequence(Qt::Key_F12), true, true},
        {"m_ActMessAutoPlay", "自動メッセージ送り(&A)", QKeySequence(), false, false},
        {"m_ActSaveLoad", "ゲームの保存とロード(&S)", QKeySequence(Qt::Key_F4), true, true},
        {"m_ActSceneEnd", "シーン回想の終了(&R)", QKeySequence(Qt::Key_F4), true, false},
        {"m_ActSystemOption", "システム設定(&O)", QKeySequence(Qt::Key_F5), true, true},
        {"m_ActLogForm", "メッセージ履歴(&L)", QKeySequence(Qt::Key_F8), true, true},
        {"m_ActSnapshot", "スナップショット(&P)", QKeySequence(Qt::Key_F9), false, false},
        {"m_ActAppTerminate", "ゲームの終了(&X)", QKeySequence(), true, true},
    };
    for (const Row& r : rows) {
        QAction* a = Act(form, r.name);
        ASSERT_NE(a, nullptr) << r.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(r.caption)) << r.name;
        EXPECT_EQ(a->shortcut(), r.key) << r.name;
        EXPECT_EQ(a->isVisible(), r.visible) << r.name;
        // A hidden action reports itself disabled, whatever it will be once shown.
        if (r.visible) {
            EXPECT_EQ(a->isEnabled(), r.enabled) << r.name;
        }
        EXPECT_FALSE(a->icon().isNull()) << r.name;
    }
    EXPECT_EQ(Act(form, "m_ActMessWinShow")->iconText(),
              QString::fromUtf8("メッセージウィンドウの"));
    // Message window | skip, auto play | save/load, scene end | options, history, snapshot | end.
    QStringList order;
    for (QAction* a : form.PMSystem()->actions())
        order << (a->isSeparator() ? "-" : a->objectName());
    EXPECT_EQ(order.join(' '),
              "m_ActMessWinShow - m_ActMessSkip m_ActMessAutoPlay - m_ActSaveLoad m_ActSceneEnd - "
              "m_ActSystemOption m_ActLogForm m_ActSnapshot - m_ActAppTerminate - m_ActAbout - "
              "m_ActSkipToChoice - m_ActQuickSave m_ActQuickLoad");
    // The quick commands, on keys the window left unused.
    const Row quick[] = {
        {"m_ActQuickSave", "クイックセーブ(&Q)", QKeySequence(Qt::Key_F6), true, true},
        {"m_ActQuickLoad", "クイックロード(&W)", QKeySequence(Qt::Key_F7), true, true},
    };
    for (const Row& r : quick) {
        QAction* a = Act(form, r.name);
        ASSERT_NE(a, nullptr) << r.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(r.caption)) << r.name;
        EXPECT_EQ(a->shortcut(), r.key) << r.name;
    }
    // The information window, which has no system menu to be found in here, is offered after
    // the original items in every state of the game, and toggles it as F1 does.
    QAction* about = Act(form, "m_ActAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), QString::fromUtf8("システムについて"));
    EXPECT_EQ(about->shortcut(), QKeySequence(Qt::Key_F1));
    form.Engine()->Flow().PopupEnabled = false;
    form.FormContextPopup(QPoint(10, 10));
    EXPECT_TRUE(about->isVisible() && about->isEnabled());
    form.PMSystem()->hide();
    about->trigger();
    EXPECT_TRUE(form.FormInfo()->isVisible());
    about->trigger();
    EXPECT_FALSE(form.FormInfo()->isVisible());
    // Save and load and the options open their dialogs.
    int opened = 0;
    form.SetSaveDialogDriver([&](TFormSave&) { ++opened; });
    form.SetOptionDialogDriver([&](TFormOption&) { ++opened; });
    Act(form, "m_ActSaveLoad")->trigger();
    Act(form, "m_ActSystemOption")->trigger();
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(m_Boxes.Records().empty());
    Act(form, "m_ActAppTerminate")->trigger();
    EXPECT_EQ(form.Engine(), nullptr);
}

TEST_F(FormInputTest, ShiftHidesTheWindowWhileHeldAndCtrlRepeatsItsSkip) {
    State("NoReadTextSkip=1\n");
    TFormMain form;
    ASSERT_TRUE(Start(form));
    Settle(form);
    EXPECT_EQ(Line(form), 0);
    Key(form, QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_TRUE(form.Engine()->Flow().WindowHidden);
    Key(form, QEvent::KeyRelease, Qt::Key_Shift);
    EXPECT_FALSE(form.Engine()->Flow().WindowHidden);
    Settle(form);
    EXPECT_EQ(Line(form), 0);  // showing the window again confirms nothing

    Key(form, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    Settle(form);
    EXPECT_EQ(Line(form), 1);
    form.RepeatHeldKeys();  // what the repeat timer does while Ctrl is held
    Settle(form);
    EXPECT_EQ(Line(form), 2);
    Key(form, QEvent::KeyRelease, Qt::Key_Control);
    form.RepeatHeldKeys();
    Settle(form);
    EXPECT_EQ(Line(form), 2);
    // Arrows and page keys are no confirm in the script; a held Enter confirms once, on release.
    Key(form, QEvent::KeyPress, Qt::Key_Return);
    Key(form, QEvent::KeyRelease, Qt::Key_Return, {}, true);
    Key(form, QEvent::KeyPress, Qt::Key_Return, {}, true);
    Settle(form);
    EXPECT_EQ(Line(form), 2);
    Key(form, QEvent::KeyRelease, Qt::Key_Return);
    Settle(form);
    EXPECT_EQ(Line(form), 3);
    form.close();
}

// What a plug-in reads through key_down: real presses and releases, not the platform's repeat
// pairs, and nothing held once the window lost the keyboard.
TEST_F(FormInputTest, KeysHeldOnTheWindowAreKeptForPlugins) {
    TFormMain form;
    ASSERT_TRUE(Start(form));
    Settle(form);
    TVelmorPlugin& plugin = form.Engine()->Plugin();
    Key(form, QEvent::KeyPress, Qt::Key_A);
    Key(form, QEvent::KeyPress, Qt::Key_Left);
    Key(form, QEvent::KeyRelease, Qt::Key_A, {}, true);
    EXPECT_TRUE(plugin.KeyHeld('A'));
    EXPECT_TRUE(plugin.KeyHeld(VELMOR_KEY_LEFT));
    Key(form, QEvent::KeyRelease, Qt::Key_A);
    EXPECT_FALSE(plugin.KeyHeld('A'));
    EXPECT_TRUE(plugin.KeyHeld(VELMOR_KEY_LEFT));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(&form, &out);
    EXPECT_FALSE(plugin.KeyHeld(VELMOR_KEY_LEFT));
    form.close();
}

TEST_F(FormInputTest, AltArrowsMoveThePointerAndAltEnterClicksThere) {
    TFormMain form;
    ASSERT_TRUE(Start(form));
    Settle(form);
    const QPoint start = form.ImgPrim()->mapToGlobal(QPoint(40, 40));
    QCursor::setPos(start);
    Key(form, QEvent::KeyPress, Qt::Key_Right, Qt::AltModifier);
    Key(form, QEvent::KeyPress, Qt::Key_Down, Qt::AltModifier);
    Key(form, QEvent::KeyPress, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(QCursor::pos() - start, QPoint(8, 16));
    Key(form, QEvent::KeyPress, Qt::Key_Left, Qt::AltModifier);
    Key(form, QEvent::KeyPress, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(QCursor::pos() - start, QPoint(0, 8));
    EXPECT_EQ(Line(form), 0);
    Key(form, QEvent::KeyRelease, Qt::Key_Space, Qt::AltModifier);
    Settle(form);
    EXPECT_EQ(Line(form), 1);
    form.close();
}

// The window's black bars are no picture, but Alt+Enter and Alt+Space there are still a
// click, which confirms in the script.
TEST_F(FormInputTest, AltEnterOverTheBarsOfAScaledWindowStillClicks) {
    TFormMain form;
    ASSERT_TRUE(Start(form));
    Settle(form);
    form.resize(800, 240);
    QApplication::processEvents();
    ASSERT_EQ(form.ImgPrim()->size(), QSize(800, 240));
    int expected = 0;
    for (int key : {Qt::Key_Return, Qt::Key_Space}) {
        for (const QPoint at : {QPoint(10, 100), QPoint(790, 10)}) {
            QPoint image;
            ASSERT_FALSE(form.ImgPrim()->ToImage(at, image));  // on a bar
            QCursor::setPos(form.ImgPrim()->mapToGlobal(at));
            Key(form, QEvent::KeyRelease, key, Qt::AltModifier);
            Settle(form);
            EXPECT_EQ(Line(form), ++expected) << key << " at " << at.x();
        }
    }
    form.close();
}

TEST_F(FormInputTest, ContextMenuFollowsTheGameStateAndNeverOpensWhileBusy) {
    TFormMain form;
    ASSERT_TRUE(Start(form));
    Settle(form);
    TVelmor& engine = *form.Engine();
    engine.Flow().PopupEnabled = true;
    engine.Flow().Skip = true;
    engine.Flow().Busy = true;
    form.FormContextPopup(QPoint(10, 10));
    EXPECT_FALSE(form.PMSystem()->isVisible());
    EXPECT_TRUE(engine.Flow().Skip);

    engine.Flow().Busy = false;
    form.FormContextPopup(QPoint(10, 10));
    EXPECT_TRUE(form.PMSystem()->isVisible());
    EXPECT_FALSE(engine.Flow().Skip);
    EXPECT_TRUE(Act(form, "m_ActMessWinShow")->isEnabled());
    EXPECT_FALSE(Act(form, "m_ActMessSkip")->isEnabled());  // nothing read yet
    EXPECT_FALSE(Act(form, "m_ActMessAutoPlay")->isVisible());
    EXPECT_FALSE(Act(form, "m_ActSceneEnd")->isVisible());
    EXPECT_TRUE(Act(form, "m_ActSaveLoad")->isEnabled());
    form.PMSystem()->hide();

    engine.Flow().PopupEnabled = false;
    engine.SystemState().NoReadTextSkip = true;
    form.FormContextPopup(QPoint(10, 10));
    EXPECT_FALSE(Act(form, "m_ActMessWinShow")->isEnabled());
    EXPECT_FALSE(Act(form, "m_ActMessSkip")->isEnabled());
    EXPECT_TRUE(Act(form, "m_ActSaveLoad")->isEnabled());
    form.PMSystem()->hide();
    form.close();
}

TEST_F(FormInputTest, MenuCommandsHideTheWindowSkipAndShowTheHistory) {
    TFormMain form;
    ASSERT_TRUE(Start(form));
    Settle(form);
    TVelmor& engine = *form.Engine();
    Act(form, "m_ActMessWinShow")->trigger();
    EXPECT_TRUE(engine.Flow().WindowHidden);
    Act(form, "m_ActMessWinShow")->trigger();
    EXPECT_FALSE(engine.Flow().WindowHidden);

    ASSERT_EQ(engine.Mode(), TGameMode::Script);
    ASSERT_TRUE(engine.Flow().ClickWait);
    Act(form, "m_ActMessSkip")->trigger();
    EXPECT_TRUE(engine.Flow().Skip);
    engine.Flow().Skip = false;
    engine.Flow().ClickWait = false;
    Act(form, "m_ActMessSkip")->trigger();
    EXPECT_FALSE(engine.Flow().Skip);
    engine.Flow().ClickWait = true;

    // The history was made hidden at start-up and has the message shown so far.
    TFormLog* log = form.FormLog();
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->Capacity(), 100);
    EXPECT_FALSE(log->isVisible());
    form.DeliverInput(TInputCode::Confirm, -1, -1);
    Settle(form);
    ASSERT_EQ(log->RowCount(), 2);
    EXPECT_EQ(log->RowText(1), SJ("二"));
    Act(form, "m_ActLogForm")->trigger();
    EXPECT_TRUE(log->isVisible());
    form.close();
}

TEST_F(FormInputTest, JoystickIsProbedAtStartAndPolledEachPass) {
    m_Joy.devices = 1;
    m_Joy.caps.numButtons = 2;
    TFormMain form;
    ASSERT_TRUE(Start(form));
    ASSERT_TRUE(form.JoystickPresent());
    Settle(form);
    EXPECT_EQ(Line(form), 0);
    m_Joy.position.buttons = platform::Joystick::kButton2;
    form.PollJoystick();
    EXPECT_TRUE(form.Engine()->Flow().WindowHidden);
    m_Joy.position.buttons = 0;
    form.IdlePass();
    EXPECT_FALSE(form.Engine()->Flow().WindowHidden);
    m_Joy.position.buttons = platform::Joystick::kButton1;
    form.IdlePass();
    Settle(form);
    EXPECT_EQ(Line(form), 1);
    form.IdlePass();  // still held: no second confirm
    Settle(form);
    EXPECT_EQ(Line(form), 1);
    form.close();
}

TEST_F(FormInputTest, NoJoystickDeviceMeansNoneIsRead) {
    TFormMain form;
    ASSERT_TRUE(Start(form));
    EXPECT_FALSE(form.JoystickPresent());
    Settle(form);
    EXPECT_EQ(m_Joy.positionReads, 0);
    form.close();
}

}  // namespace
