// The game window's idle loop: it rests while the game waits, wakes on input, never runs
// inside itself, and a fatal script error ends the game through the orderly shutdown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <functional>
#include <new>
#include <stdexcept>

#include "engine/velmor.h"
#include "engine/velmor_game_mode.h"
#include "engine/velmor_monitor.h"
#include "graphics/sprite.h"
#include "platform/bitmap_qt.h"
#include "platform/clock.h"
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
#include "windows/form_option.h"

namespace {

class FormLoopTest : public GameWindowTest {
protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        WriteState("MessageAnimationSpeed=30\n");
    }
    std::vector<std::string> Projects() const { return {Project()}; }
    // Idle passes until the loop rests; time moves on to any deadline it rests for.
    void RunUntilInput(TFormMain& form) {
        for (int i = 0; i < 1000 && form.IdleHandlerInstalled(); ++i) {
            if (!form.IdleRunning()) {
                if (form.WakeInterval() < 0) return;
                m_Clock.Advance(static_cast<uint32_t>(form.WakeInterval()));
                QApplication::sendPostedEvents();
                form.IdlePass();  // what the deadline timer's wake leads to
                continue;
            }
            form.IdlePass();
        }
    }

    // A close held back by what ran (an effect, a dialog) comes once that has returned.
    static void WaitUntilClosed(TFormMain& form) {
        if (!form.Engine()) return;
        QEventLoop loop;
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
            if (!form.Engine()) loop.quit();
        });
        guard.start(5);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

// Each revealed piece is shown by its box alone; at the end of a reveal that wrapped lines,
// with outline and smooth text on and off, the window shows exactly the composed screen.
TEST_F(FormLoopTest, APieceAtATimeEndsShowingTheWholeScreen) {
    // Large enough for the built-in message window to hold its text on the screen.
    m_Dir.WriteSjis("game.vsc",
                    "<velmor>\nTitle=灯台\nStartScript=start.txt\n</velmor>\n"
                    "<Screen>\nWidth=800\nHeight=600\n</Screen>\n");
    for (const char* smooth : {"0", "1"}) {
        SCOPED_TRACE(smooth);
        m_Dir.WriteSjis("game.vss", std::string("<SystemState>\nMessageAnimationSpeed=30\n"
                                                "AntiAliasText=") +
                                        smooth + "\n</SystemState>\n");
        m_Dir.WriteSjis("start.txt",
                        "灯台の明かりが、遠くの海を照らしている。波は静かで、夜は長い。\n次\n");
        TFormMain form;
        ASSERT_TRUE(form.FormCreate(Projects()));
        RunUntilInput(form);
        ASSERT_EQ(form.Engine()->Script().Position().Line, 0);
        const QImage shown = form.ImgPrim()->Image().convertToFormat(QImage::Format_RGB32);
        const QImage screen = platform::QImageOf(form.Engine()->Scene().Screen().Image())
                                  .convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), screen.size());
        EXPECT_TRUE(shown == screen);
        form.close();
    }
}

TEST_F(FormLoopTest, RestsUntilTheRevealDeadlineOrAnInput) {
    m_Dir.WriteSjis("start.txt", "あい\n次\n");
    TFormMain form;
    ASSERT_TRUE(form.FormCreate(Projects()));
    EXPECT_TRUE(form.IdleRunning());
    form.IdlePass();  // the message line
    form.IdlePass();  // the first reveal step
    EXPECT_FALSE(form.IdleRunning());
    EXPECT_EQ(form.WakeInterval(), 30);
    RunUntilInput(form);
    EXPECT_FALSE(form.IdleRunning());
    EXPECT_EQ(form.WakeInterval(), -1);
    EXPECT_EQ(form.Engine()->Script().Position().Line, 0);
    // Enter (released) confirms and wakes the loop.
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&form, &release);
    EXPECT_TRUE(form.IdleRunning());
    form.IdlePass();
    EXPECT_EQ(form.Engine()->Script().Position().Line, 1);
    form.close();
}

TEST_F(FormLoopTest, APassNeverRunsInsideAnother) {
    m_Dir.WriteSjis("start.txt", "; note\n; note\n一\n");
    TFormMain form;
    ASSERT_TRUE(form.FormCreate(Projects()));
    uint64_t inner = 0, outer = 0;
    form.Engine()->Hooks().variablesChanged = [&] {
        outer = form.Engine()->Interpreter().LinesRun();
        EXPECT_TRUE(form.IdlePass());
        inner = form.Engine()->Interpreter().LinesRun();
    };
    form.IdlePass();
    EXPECT_EQ(outer, 1u);
    EXPECT_EQ(inner, 1u);
    form.close();
}

TEST_F(FormLoopTest, AFatalErrorShowsTwoBoxesThenShutsDownWritingTheState) {
    m_Dir.WriteSjis("start.txt", "#first\n*jump second\n#second\n*jump nowhere\n");
    TFormMain form;
    ASSERT_TRUE(form.FormCreate(Projects()));
    RunUntilInput(form);
    EXPECT_FALSE(form.IdleHandlerInstalled());
    EXPECT_FALSE(form.IdlePass());
    EXPECT_EQ(form.Engine(), nullptr);
    ASSERT_EQ(m_Boxes.Records().size(), 2u);
    const auto& error = m_Boxes.Records()[0];
    EXPECT_EQ(platform::SjisToUtf8(error.text),
              "commandJump : シナリオジャンプ先パラグラフ #nowhere が見つかりません");
    EXPECT_EQ(error.icon, platform::MessageIcon::Warning);
    EXPECT_EQ(platform::SjisToUtf8(error.caption), "灯台");
    EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[1].text), "問題が発生したので終了します");
    EXPECT_EQ(m_Boxes.Records()[1].icon, platform::MessageIcon::Stop);
    const std::string state = m_Dir.ReadUtf8(m_Dir.Path() / "game.vss");
    EXPECT_NE(state.find("<Paragraph>\r\n#first\r\n</Paragraph>"), std::string::npos) << state;
    EXPECT_NE(state.find("MessageAnimationSpeed=30"), std::string::npos);
}

// Whatever else escapes a pass or a dialog (out of memory, a library's exception) is told in
// a box like a fatal error's and the game still ends in order, writing the state.
TEST_F(FormLoopTest, AnyExceptionIsShownAndEndsTheGameInOrder) {
    m_Dir.WriteSjis("start.txt", "一\n二\n");
    struct Throwing : TVelmorGameMode {
        bool Idle() override { throw std::bad_alloc(); }
    };
    struct Case {
        const char* name;
        std::function<void(TFormMain&)> fail;
        const char* shown;
    };
    const Case cases[] = {
        {"idle pass",
         [](TFormMain& form) {
             form.Engine()->SetModeObject(TGameMode::Script, std::make_unique<Throwing>());
             form.IdlePass();
         },
         "メモリが足りません"},
        {"options dialog",
         [](TFormMain& form) {
             form.SetOptionDialogDriver([](TFormOption&) { throw std::runtime_error("broken"); });
             form.m_ActSystemOptionExecute();
         },
         "予期しないエラーが発生しました\nbroken"},
        {"save dialog",
         [](TFormMain& form) {
             form.SetSaveDialogDriver([](TFormSave&) { throw 7; });
             form.m_ActSaveLoadExecute();
         },
         "予期しないエラーが発生しました"},
        // A pass run by the open dialog's event loop: the game goes down once it has returned.
        {"idle pass under a dialog",
         [](TFormMain& form) {
             form.SetOptionDialogDriver([&form](TFormOption&) {
                 form.Engine()->SetModeObject(TGameMode::Script, std::make_unique<Throwing>());
                 form.IdlePass();
                 EXPECT_NE(form.Engine(), nullptr);
             });
             form.m_ActSystemOptionExecute();
         },
         "メモリが足りません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_Boxes.Clear();
        TFormMain form;
        ASSERT_TRUE(form.FormCreate(Projects()));
        RunUntilInput(form);
        std::filesystem::remove(m_Dir.Path() / "game.vss");
        c.fail(form);
        WaitUntilClosed(form);
        EXPECT_EQ(form.Engine(), nullptr);
        EXPECT_FALSE(form.IdleHandlerInstalled());
        ASSERT_EQ(m_Boxes.Records().size(), 2u);
        EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[0].text), c.shown);
        EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[0].caption), "灯台");
        EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[1].text), "問題が発生したので終了します");
        const std::string state = m_Dir.ReadUtf8(m_Dir.Path() / "game.vss");
        EXPECT_NE(state.find("MessageAnimationSpeed=30"), std::string::npos);
    }
}

// The end of the scenario is the game's own end, not a failure: no box, the state written,
// and a watcher still told how it ended.
TEST_F(FormLoopTest, TheEndOfTheScenarioClosesTheGameWithoutABox) {
    struct Watcher : TVelmorMonitor {
        void Fatal(const std::string& text, TEndReason reason) override {
            told = text;
            ended = reason;
        }
        std::string told;
        TEndReason ended = TEndReason::Fatal;
    };
    for (const char* script : {"一\n%\n二\n", "一\n"}) {
        SCOPED_TRACE(script);
        m_Boxes.Clear();
        m_Dir.WriteSjis("start.txt", script);
        Watcher watcher;
        TFormMain form;
        form.SetMonitor(&watcher);
        ASSERT_TRUE(form.FormCreate(Projects()));
        RunUntilInput(form);
        std::filesystem::remove(m_Dir.Path() / "game.vss");
        form.DeliverInput(TInputCode::Confirm, -1, -1);
        RunUntilInput(form);
        EXPECT_EQ(form.Engine(), nullptr);
        EXPECT_TRUE(m_Boxes.Records().empty());
        EXPECT_EQ(watcher.ended, TEndReason::ScenarioEnd);
        EXPECT_EQ(platform::SjisToUtf8(watcher.told),
                  "scriptAction : シナリオの終了信号を検出しました\nstart.txt:1");
        EXPECT_TRUE(std::filesystem::exists(m_Dir.Path() / "game.vss"));
    }
}

TEST_F(FormLoopTest, MouseAndWheelConfirmAtTheirPositions) {
    m_Dir.WriteSjis("start.txt", "一\n二\n三\n");
    TFormMain form;
    ASSERT_TRUE(form.FormCreate(Projects()));
    RunUntilInput(form);
    std::vector<std::pair<int, int>> seen;
    struct Recorder : TVelmorGameMode {
        std::vector<std::pair<int, int>>& seen;
        explicit Recorder(std::vector<std::pair<int, int>>& s) : seen(s) {}
        void Input(TInputCode code, int x, int y) override {
            seen.push_back({CodeOf(code) * 1000 + x, y});
        }
    };
    form.Engine()->SetModeObject(TGameMode::Script, std::make_unique<Recorder>(seen));
    // The window shows the game scaled: positions go in where the game's pixels are shown.
    const QPointF at = form.ImgPrim()->Scaler().FromGame({5, 6});
    const QPointF wheelAt = form.ImgPrim()->Scaler().FromGame({7, 8});
    QMouseEvent right(QEvent::MouseButtonRelease, at, at, Qt::RightButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(form.ImgPrim(), &right);
    QMouseEvent left(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(form.ImgPrim(), &left);
    QWheelEvent wheel(wheelAt, wheelAt, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&form, &wheel);
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(&form, &shift);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1005, 6}, {1007, 8}, {2999, -1}}));
    form.close();
}

}  // namespace

namespace {

TEST_F(FormLoopTest, ClosingDuringAnEffectWaitsForItToFinish) {
    m_Dir.WriteSjis("start.txt", "*in fade\nおわり\n");
    TFormMain form;
    ASSERT_TRUE(form.FormCreate(Projects()));
    // The close arrives while the effect lets window messages through between its frames.
    bool closeSeen = false;
    QTimer::singleShot(0, &form, [&] {
        closeSeen = true;
        form.close();
    });
    form.IdlePass();
    ASSERT_TRUE(closeSeen);
    ASSERT_NE(form.Engine(), nullptr);  // not torn down under the running effect
    EXPECT_EQ(form.Engine()->Script().Position().Line, 0);
    WaitUntilClosed(form);
    EXPECT_EQ(form.Engine(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(m_Dir.Path() / "game.vss"));
}

}  // namespace
