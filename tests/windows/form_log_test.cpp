// The message history window: its capacity, copying, the column that fits its rows, hiding.
#include "windows/form_log.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QWidget>

#include "resources/sjis_text.h"

namespace {

class FormLogTest : public ::testing::Test {
protected:
    void SetUp() override { m_Log.Setup(100, &m_Game); }
    QString Clipboard() const { return QApplication::clipboard()->text(); }

    QWidget m_Game;
    TFormLog m_Log{&m_Game};
};

TEST_F(FormLogTest, KeepsTheNewestHundredRowsAsTheirBytes) {
    EXPECT_FALSE(m_Log.isVisible());
    EXPECT_EQ(m_Log.RowCount(), 0);
    for (int i = 1; i <= 101; ++i) m_Log.AddLine(SJ("台詞") + std::to_string(i));
    ASSERT_EQ(m_Log.RowCount(), 100);
    EXPECT_EQ(m_Log.RowText(0), SJ("台詞2"));
    EXPECT_EQ(m_Log.RowText(99), SJ("台詞101"));
    // Bytes that are no valid Shift-JIS text are kept as they came.
    const std::string odd("\x81\x7f\xff\x41", 4);
    m_Log.AddLine(odd);
    EXPECT_EQ(m_Log.RowText(99), odd);
    EXPECT_EQ(m_Log.RowText(0), SJ("台詞3"));
}

TEST_F(FormLogTest, CopiesTheSelectedRowsTopToBottomEachWithALineFeed) {
    for (const char* t : {"一", "二", "三", "四", "五"}) m_Log.AddLine(SJ(t));
    m_Log.SelectRows({4, 2});
    EXPECT_EQ(m_Log.SelectedText(), SJ("三\n五\n"));
    m_Log.m_ActCopyExecute();
    EXPECT_EQ(Clipboard(), QString::fromUtf8("三\n五\n"));

    QApplication::clipboard()->setText("stale");
    m_Log.SelectRows({});
    m_Log.m_ActCopyExecute();
    EXPECT_EQ(Clipboard(), QString());

    m_Log.m_ActSelectAllExecute();
    EXPECT_EQ(m_Log.SelectedText(), SJ("一\n二\n三\n四\n五\n"));
}

TEST_F(FormLogTest, TheColumnGrowsForALongRowAndShrinksWhenItLeaves) {
    m_Log.Setup(3, &m_Game);
    m_Log.AddLine(SJ("短い"));
    const int narrow = m_Log.ColumnWidth();
    m_Log.AddLine(SJ(std::string(60 * 3, 'x')) + SJ("とても長い台詞"));
    const int wide = m_Log.ColumnWidth();
    EXPECT_GT(wide, narrow);
    EXPECT_GT(wide, 640);  // wider than the window
    m_Log.AddLine(SJ("短い"));
    EXPECT_EQ(m_Log.ColumnWidth(), wide);
    m_Log.AddLine(SJ("短い"));  // the second row drops out
    m_Log.AddLine(SJ("短い"));  // and now the long one
    EXPECT_EQ(m_Log.RowCount(), 3);
    EXPECT_EQ(m_Log.ColumnWidth(), narrow);
}

TEST_F(FormLogTest, ClosingOnlyHidesAndKeepsRowsAndSelection) {
    for (const char* t : {"a", "b", "c"}) m_Log.AddLine(t);
    m_Log.show();
    m_Log.SelectRows({1});
    m_Log.close();
    EXPECT_FALSE(m_Log.isVisible());
    m_Log.show();
    EXPECT_EQ(m_Log.RowCount(), 3);
    EXPECT_EQ(m_Log.SelectedText(), "b\n");
    m_Log.m_ActCloseExecute();
    EXPECT_FALSE(m_Log.isVisible());
    EXPECT_EQ(m_Log.RowCount(), 3);
}

TEST_F(FormLogTest, ActionsHaveTheirCaptionsAndShortcuts) {
    struct Row {
        const char* name;
        const char* caption;
        QKeySequence key;
    };
    const Row rows[] = {{"m_ActCopy", "コピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C)},
                        {"m_ActSelectAll", "すべて選択(&A)", QKeySequence(Qt::CTRL | Qt::Key_A)},
                        {"m_ActFocus", "ゲーム画面を前に(&F)", QKeySequence(Qt::Key_F8)},
                        {"m_ActClose", "閉じる(&L)", QKeySequence(Qt::CTRL | Qt::Key_F4)}};
    for (const Row& r : rows) {
        auto* a = m_Log.findChild<QAction*>(r.name);
        ASSERT_NE(a, nullptr) << r.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(r.caption));
        EXPECT_EQ(a->shortcut(), r.key);
    }
    EXPECT_EQ(m_Log.windowTitle(), QString::fromUtf8("メッセージ履歴"));
    EXPECT_EQ(m_Log.size(), QSize(640, 480));
}

}  // namespace
