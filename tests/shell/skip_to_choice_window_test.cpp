// Skipping on to the next choice in the game window: F3 and the menu item start it, any input
// of the player ends it, and the skip command's own skip goes on as before.
#include <gtest/gtest.h>

#include <QMenu>
#include <QWheelEvent>
#include <functional>

#include "shell/display_image.h"
#include "tests/support/game_window_test.h"

namespace {

class SkipToChoiceWindowTest : public GameWindowTest {
protected:
    TVelmor& Begin() {
        if (m_Form) m_Form->close();
        m_Form.reset();
        m_Dir.WriteSjis("game.vss",
                        "<SystemState>\nMessageAnimation=0\n</SystemState>\n<Paragraph>\n#start\n"
                        "</Paragraph>\n");
        return Start(
            "#start\nm1\nm2\nm3\nm4\nm5\nm6\nm7\nm8\n*clrsel\n*addsel 行く #go\n*select\n#go\n"
            "gone\n%\n");
    }
    void Wheel(int delta) {
        const QPointF at = m_Form->ImgPrim()->Scaler().FromGame({5, 5});
        QWheelEvent e(at, at, QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_Form.get(), &e);
    }
};

TEST_F(SkipToChoiceWindowTest, RunsToTheChoiceUnlessThePlayerDoesAnything) {
    TVelmor& engine = Begin();
    QAction* f3 = Act(*m_Form, "m_ActSkipToChoice");
    ASSERT_NE(f3, nullptr);
    EXPECT_EQ(f3->shortcut(), QKeySequence(Qt::Key_F3));
    f3->trigger();
    EXPECT_TRUE(engine.ChoiceSkip().Running());
    Settle();
    EXPECT_EQ(engine.Mode(), TGameMode::Choice);
    EXPECT_FALSE(engine.ChoiceSkip().Running());

    const std::pair<const char*, std::function<void()>> inputs[] = {
        {"a key the window leaves unused", [&] { Key(*m_Form, QEvent::KeyPress, Qt::Key_A); }},
        {"Ctrl", [&] { Key(*m_Form, QEvent::KeyPress, Qt::Key_Control); }},
        {"the wheel away", [&] { Wheel(120); }},
        {"the wheel towards", [&] { Wheel(-120); }},
        {"a click", [&] { m_Form->DeliverInput(TInputCode::Confirm, 5, 5); }},
        {"a command", [&] { Act(*m_Form, "m_ActLogForm")->trigger(); }},
        {"the context menu",
         [&] {
             m_Form->FormContextPopup(QPoint(10, 10));
             m_Form->PMSystem()->hide();
         }},
        {"F3 again", [&] { Act(*m_Form, "m_ActSkipToChoice")->trigger(); }},
        {"a quick save", [&] { Act(*m_Form, "m_ActQuickSave")->trigger(); }},
    };
    for (const auto& [name, input] : inputs) {
        SCOPED_TRACE(name);
        TVelmor& e = Begin();
        Act(*m_Form, "m_ActSkipToChoice")->trigger();
        for (int i = 0; i < 3; ++i) m_Form->IdlePass();
        ASSERT_TRUE(e.ChoiceSkip().Running());
        input();
        EXPECT_FALSE(e.ChoiceSkip().Running());
        EXPECT_FALSE(e.Flow().Skip);
        Settle();
        // Waiting at a message before the choice.
        EXPECT_EQ(e.Mode(), TGameMode::Script);
        EXPECT_TRUE(e.Flow().ClickWait);
    }

    // The skip command's skip is not ended by what ends this one.
    TVelmor& e = Begin();
    Act(*m_Form, "m_ActMessSkip")->trigger();
    m_Form->IdlePass();
    Key(*m_Form, QEvent::KeyPress, Qt::Key_A);
    Wheel(120);
    EXPECT_TRUE(e.Flow().Skip);
    EXPECT_FALSE(e.ChoiceSkip().Running());
    // Nor does F3 during it take it over: it ends it, as any command does.
    Act(*m_Form, "m_ActSkipToChoice")->trigger();
    EXPECT_TRUE(e.ChoiceSkip().Running());
    Act(*m_Form, "m_ActMessSkip")->trigger();
    EXPECT_TRUE(e.Flow().Skip);
    EXPECT_FALSE(e.ChoiceSkip().Running());
}

TEST_F(SkipToChoiceWindowTest, TheMenuItemFollowsTheOriginalItemsAndTheSkipRule) {
    WriteState("MessageAnimation=0\n");
    TVelmor& engine = Start("#start\n一\n二\n");
    QAction* item = Act(*m_Form, "m_ActSkipToChoice");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QString::fromUtf8("次の選択肢までスキップ(&C)"));
    // After the original's items, the last of which ends the game.
    const auto items = m_Form->PMSystem()->actions();
    EXPECT_GT(items.indexOf(item), items.indexOf(Act(*m_Form, "m_ActAppTerminate")));
    engine.Flow().PopupEnabled = true;
    // Unread text: offered neither in the menu nor by its key.
    m_Form->FormContextPopup(QPoint(10, 10));
    EXPECT_FALSE(item->isEnabled());
    m_Form->PMSystem()->hide();
    EXPECT_TRUE(item->isEnabled());
    item->trigger();
    EXPECT_FALSE(engine.ChoiceSkip().Running());
    EXPECT_FALSE(engine.Flow().Skip);
    engine.SystemState().NoReadTextSkip = true;
    m_Form->FormContextPopup(QPoint(10, 10));
    EXPECT_TRUE(item->isEnabled());
    item->trigger();
    EXPECT_TRUE(engine.ChoiceSkip().Running());
}

}  // namespace
