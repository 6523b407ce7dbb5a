// Saving and loading from the game window: the dialog's actions and rules, and the game
// resuming where the save was taken.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>

#include "engine/velmor.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/joystick.h"
#include "platform/message_box.h"
#include "platform/test_message_responder.h"
#include "platform/virtual_clock.h"
#include "resources/sjis_text.h"
#include "save/form_save.h"
#include "save/form_save_data.h"
#include "shell/form_main.h"
#include "tests/support/game_window_test.h"

namespace {

using platform::MessageAnswer;

class SaveLoadTest : public GameWindowTest {
protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        m_Dir.WriteSjis("other.txt",
                        "#room\n三\n四\n*clrsel\n*addsel 北 #n\n*addsel 南 #s\n"
                        "*select\n#n\n北だ\n#s\n南だ\n");
        Start("#start\n:title\n一\n二\n*jump #room other.txt\n");
    }
    TVelmor& Engine() { return *m_Form->Engine(); }
    void Click() {
        m_Form->DeliverInput(TInputCode::Confirm, -1, -1);
        Settle();
    }
    // Opens the dialog and lets run act on it in place of the player.
    void WithDialog(const std::function<void(TFormSave&)>& run) {
        m_Form->SetSaveDialogDriver([&](TFormSave& dialog) {
            dialog.SetNow([] { return QDateTime(QDate(2026, 12, 9), QTime(15, 0, 0)); });
            dialog.SetDetailsQuestion([this](const std::string& caption, const std::string& name,
                                             std::string&, std::string&, std::string& comment) {
                m_Asked.push_back(platform::SjisToUtf8(caption) + ":" + platform::SjisToUtf8(name));
                if (!m_DetailsAnswer) return false;
                comment = SJ("しおり");
                return true;
            });
            run(dialog);
        });
        m_Form->findChild<QAction*>("m_ActSaveLoad")->trigger();
    }
    static QStringList Names(TFormSave& dialog) {
        QStringList names;
        for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i)
            names << dialog.List()->topLevelItem(i)->text(0);
        return names;
    }
    std::string Message() const { return platform::SjisToUtf8(Engine_().Message().Text()); }
    const TVelmor& Engine_() const { return *m_Form->Engine(); }

    bool m_DetailsAnswer = true;
    std::vector<std::string> m_Asked;
};

TEST_F(SaveLoadTest, ALoadedGameShowsItsSavedMessageAgainAndWaits) {
    ASSERT_EQ(Message(), "一");
    Engine().Variables().Set("score", 3);
    WithDialog([](TFormSave& d) {
        EXPECT_TRUE(d.m_ActNewSave->isEnabled());
        EXPECT_FALSE(d.m_ActLoad->isEnabled());  // nothing listed, nothing selected
        d.m_ActNewSave->trigger();
    });
    ASSERT_EQ(m_Asked.size(), 1u);
    EXPECT_EQ(m_Asked[0], "新規保存:データ1");

    // Play on into the other script, then load.
    Click();
    Click();
    ASSERT_EQ(Message(), "三");
    Engine().Variables().Set("score", 9);
    m_Boxes.PushAnswer(MessageAnswer::Yes);
    WithDialog([](TFormSave& d) {
        ASSERT_EQ(d.List()->topLevelItemCount(), 1);
        EXPECT_EQ(d.List()->topLevelItem(0)->text(3), QString::fromUtf8("しおり"));
        EXPECT_TRUE(d.m_ActLoad->isEnabled());  // the only save is selected on opening
        d.m_ActLoad->trigger();
        EXPECT_TRUE(d.Loaded());
    });
    EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records().back().text),
              "データ1 をロードしてもよろしいですか？");
    Settle();
    EXPECT_EQ(Message(), "一");
    EXPECT_TRUE(Engine().Flow().ClickWait);
    EXPECT_EQ(Engine().Script().Position().Script, "start.txt");
    int32_t score = 0;
    ASSERT_TRUE(Engine().Variables().Get("score", score));
    EXPECT_EQ(score, 3);
    Click();
    EXPECT_EQ(Message(), "二");
}

TEST_F(SaveLoadTest, ChoicesComeBackOnScreenAndSavingFollowsTheMode) {
    for (int i = 0; i < 4; ++i) Click();
    ASSERT_EQ(Engine().Mode(), TGameMode::Choice);
    WithDialog([](TFormSave& d) { d.m_ActNewSave->trigger(); });
    Engine().Interpreter().ChoiceInput(TInputCode::Confirm, -1, -1);  // nothing highlighted: stays
    Engine().Choices().Clear();
    Engine().EnterGameMode(TGameMode::Script);

    m_Boxes.PushAnswer(MessageAnswer::Yes);
    WithDialog([](TFormSave& d) { d.m_ActLoad->trigger(); });
    EXPECT_EQ(Engine().Mode(), TGameMode::Choice);
    EXPECT_EQ(Engine().Choices().Count(), 2);

    // In a mode that is neither script nor choice nothing can be saved; the rest still works.
    Engine().EnterGameMode(TGameMode::Gallery);
    WithDialog([](TFormSave& d) {
        EXPECT_FALSE(d.m_ActNewSave->isEnabled());
        EXPECT_FALSE(d.m_ActSave->isEnabled());
        EXPECT_TRUE(d.m_ActLoad->isEnabled());
        EXPECT_TRUE(d.m_ActDelete->isEnabled());
        EXPECT_TRUE(d.m_ActCommentEdit->isEnabled());
        EXPECT_TRUE(d.m_ActTitleReturn->isEnabled());  // the script recorded its title
    });
}

TEST_F(SaveLoadTest, TheListOpensOnTheNewestSaveAndSortsByTime) {
    m_Dir.WriteSjis("game.vss",
                    "<SystemState>\nMessageAnimation=0\n</SystemState>\n<SaveData>\n"
                    "b,2026/12/09,09:00:00,\na,2026/12/10,08:00:00,\nc,2026/12/09,23:00:00,\n"
                    "d,??,??,壊れた日付\ngone,2026/12/31,00:00:00,\n</SaveData>\n");
    for (const char* name : {"a", "b", "c", "d"}) m_Dir.WriteBytes(std::string("game/") + name, "");
    m_DetailsAnswer = false;
    WithDialog([](TFormSave& d) {
        // The line without a data file is not listed; the newest by date wins, not the last.
        EXPECT_EQ(Names(d), QStringList({"b", "a", "c", "d"}));
        ASSERT_FALSE(d.List()->selectedItems().isEmpty());
        EXPECT_EQ(d.List()->selectedItems().first()->text(0), "a");
        d.List()->sortItems(2, Qt::AscendingOrder);
        EXPECT_EQ(Names(d), QStringList({"d", "b", "c", "a"}));
        d.List()->sortItems(1, Qt::AscendingOrder);
        EXPECT_EQ(Names(d), QStringList({"d", "b", "c", "a"}));
        // A cancelled new save writes nothing and adds no row.
        d.m_ActNewSave->trigger();
        EXPECT_EQ(d.List()->topLevelItemCount(), 4);
    });
    EXPECT_FALSE(std::filesystem::exists(m_Dir.Path() / "game" / "データ1"));
    ASSERT_EQ(m_Asked.size(), 1u);
    EXPECT_EQ(m_Asked[0], "新規保存:データ1");
}

TEST_F(SaveLoadTest, OverwriteDeleteCommentAndTitleAskFirst) {
    WithDialog([](TFormSave& d) { d.m_ActNewSave->trigger(); });
    Click();
    m_Boxes.PushAnswer(MessageAnswer::No);   // overwrite? no
    m_Boxes.PushAnswer(MessageAnswer::Yes);  // overwrite? yes
    m_Boxes.PushAnswer(MessageAnswer::No);   // delete? no
    WithDialog([](TFormSave& d) {
        d.m_ActSave->trigger();
        d.m_ActSave->trigger();
        d.m_ActCommentEdit->trigger();
        d.m_ActDelete->trigger();
        EXPECT_EQ(d.List()->topLevelItemCount(), 1);
    });
    std::vector<std::string> texts;
    for (const auto& r : m_Boxes.Records()) texts.push_back(platform::SjisToUtf8(r.text));
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "データ1 を上書きしてもいいですか？");
    EXPECT_EQ(texts[2], "データ1を削除してもよろしいですか？");
    EXPECT_EQ(m_Asked, (std::vector<std::string>{"新規保存:データ1", "上書き保存:データ1",
                                                 "コメントの変更:データ1"}));
    EXPECT_EQ(Message(), "二");  // the overwrite saved the present message
    Click();

    // Back to the title from the dialog.
    m_Boxes.PushAnswer(MessageAnswer::Yes);
    WithDialog([](TFormSave& d) {
        d.m_ActTitleReturn->trigger();
        EXPECT_TRUE(d.TitleRequested());
    });
    Settle();
    EXPECT_EQ(Message(), "一");
}

TEST_F(SaveLoadTest, ASaveWhoseScriptIsGoneLeavesTheGameAsItWas) {
    Click();
    Click();
    ASSERT_EQ(Message(), "三");
    WithDialog([](TFormSave& d) { d.m_ActNewSave->trigger(); });
    std::filesystem::remove(m_Dir.Path() / "other.txt");
    Engine().Variables().Set("keep", 1);
    // Meanwhile the game went back to the first script.
    m_Boxes.PushAnswer(MessageAnswer::Yes);
    WithDialog([](TFormSave& d) { d.m_ActTitleReturn->trigger(); });
    Settle();
    ASSERT_EQ(Message(), "一");
    m_Boxes.PushAnswer(MessageAnswer::Yes);
    WithDialog([](TFormSave& d) { d.m_ActLoad->trigger(); });
    EXPECT_NE(platform::SjisToUtf8(m_Boxes.Records().back().text).find("other.txt"),
              std::string::npos);
    EXPECT_EQ(Engine().Script().Position().Script, "start.txt");
    Settle();
    EXPECT_EQ(Message(), "一");
}

}  // namespace

namespace {

TEST_F(SaveLoadTest, ASaveThatCannotBeWrittenIsReportedAndNotListed) {
    // A file where the save folder should be.
    m_Dir.WriteBytes("game", "not a folder");
    WithDialog([](TFormSave& d) {
        d.m_ActNewSave->trigger();
        EXPECT_EQ(d.List()->topLevelItemCount(), 0);
    });
    ASSERT_FALSE(m_Boxes.Records().empty());
    EXPECT_EQ(m_Boxes.Records().back().icon, platform::MessageIcon::Warning);
    EXPECT_EQ(Message(), "一");  // the game goes on
}

}  // namespace

namespace {

// Enter never saves: on a selected row it asks to load, as a double-click does, wherever the
// focus is; with nothing selected it does nothing.
TEST_F(SaveLoadTest, EnterAndDoubleClickLoadTheSelectedRowAndNeverSave) {
    WithDialog([](TFormSave& d) { d.m_ActNewSave->trigger(); });
    Click();
    ASSERT_EQ(Message(), "二");
    struct Case {
        const char* what;
        const char* focus;  // object name of the widget with the focus, or "" for the list
        bool selected;
        bool doubleClick;
        MessageAnswer answer;
        bool asked;
        bool loaded;
    };
    const Case cases[] = {
        {"Enter in the list, no", "", true, false, MessageAnswer::No, true, false},
        {"Enter on the new-save button", "btnNewSave", true, false, MessageAnswer::No, true, false},
        {"Enter on the overwrite button", "btnSave", true, false, MessageAnswer::No, true, false},
        {"Enter with nothing selected", "", false, false, MessageAnswer::Yes, false, false},
        {"double-click, no", "", true, true, MessageAnswer::No, true, false},
        {"Enter in the list, yes", "", true, false, MessageAnswer::Yes, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_Asked.clear();
        const size_t boxes = m_Boxes.Records().size();
        if (c.asked) m_Boxes.PushAnswer(c.answer);
        bool loaded = false;
        int rows = -1;
        WithDialog([&](TFormSave& d) {
            d.show();
            QApplication::processEvents();
            if (!c.selected) d.List()->clearSelection();
            QWidget* focus = *c.focus ? d.findChild<QWidget*>(c.focus) : d.List();
            ASSERT_NE(focus, nullptr);
            focus->setFocus();
            if (c.doubleClick) {
                Q_EMIT d.List()->itemDoubleClicked(d.List()->topLevelItem(0), 0);
            } else {
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(focus, &enter);
            }
            loaded = d.Loaded();
            rows = d.List()->topLevelItemCount();
            d.close();
        });
        EXPECT_TRUE(m_Asked.empty());  // no details question: nothing was saved
        EXPECT_EQ(rows, 1);
        EXPECT_EQ(loaded, c.loaded);
        ASSERT_EQ(m_Boxes.Records().size(), boxes + (c.asked ? 1 : 0));
        if (c.asked) {
            EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records().back().text),
                      "データ1 をロードしてもよろしいですか？");
        }
    }
    Settle();
    EXPECT_EQ(Message(), "一");  // the last case loaded the save
}

// Without the library's button pictures the details question still works, with plain buttons.
TEST(SaveDetails, PlainButtonsStandInForMissingPictures) {
    TFormSaveData details(nullptr, nullptr, nullptr);
    details.Fill(SJ("データ1"), "2026/12/09", "15:00:00", "");
    auto* ok = details.findChild<QPushButton*>("m_BtnOK");
    auto* cancel = details.findChild<QPushButton*>("m_BtnCancel");
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_TRUE(ok->isVisibleTo(&details));
    EXPECT_TRUE(cancel->isVisibleTo(&details));
    ok->click();
    EXPECT_TRUE(details.Accepted());
}

}  // namespace
