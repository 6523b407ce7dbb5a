// The quick save and quick load of the game window: where they are refused, the notice over
// the game, and the game coming back as it was saved.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <filesystem>

#include "engine/velmor.h"
#include "resources/sjis_text.h"
#include "save/form_save.h"
#include "save/quick_slots.h"
#include "save/save_data.h"
#include "shell/display_image.h"
#include "shell/quick_commands.h"
#include "tests/support/game_window_test.h"

namespace {

using platform::MessageAnswer;
using Outcome = TQuickSlots::Outcome;

class QuickSaveTest : public GameWindowTest {
protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        m_Dir.WriteSjis("other.txt", "#room\n三\n四\n");
        Start("一\n二\n*jump #room other.txt\n");
    }
    TVelmor& Engine() { return *m_Form->Engine(); }
    std::string Message() { return platform::SjisToUtf8(Engine().Message().Text()); }
    void Click() {
        m_Form->DeliverInput(TInputCode::Confirm, -1, -1);
        Settle();
    }
    int32_t Score() {
        int32_t score = -1;
        Engine().Variables().Get("score", score);
        return score;
    }
    QLabel* Notice() { return m_Form->findChild<QLabel*>("m_QuickNotice"); }
};

TEST_F(QuickSaveTest, BothAreRefusedWhereTheSaveDialogWouldRefuse) {
    struct Case {
        TGameMode mode;
        bool busy;
        Outcome save, load;
    };
    const Case cases[] = {
        {TGameMode::Script, false, Outcome::Saved, Outcome::Loaded},
        {TGameMode::Script, true, Outcome::Refused, Outcome::Refused},
        {TGameMode::Gallery, false, Outcome::Refused, Outcome::Refused},
        {TGameMode::SceneList, false, Outcome::Refused, Outcome::Refused},
        {TGameMode::None, false, Outcome::Refused, Outcome::Refused},
        // Loading only, as in the save dialog.
        {TGameMode::Plugin, false, Outcome::Refused, Outcome::Loaded},
    };
    TQuickSlots quick(Engine());
    EXPECT_EQ(quick.QuickLoad(), Outcome::Refused);  // nothing saved yet: no question either
    EXPECT_TRUE(m_Boxes.Records().empty());
    Engine().Variables().Set("score", 1);
    ASSERT_EQ(quick.QuickSave(), Outcome::Saved);
    int32_t listed = 1;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        Engine().EnterGameMode(c.mode);
        Engine().Flow().Busy = c.busy;
        Engine().Variables().Set("score", 10 + static_cast<int>(i));
        EXPECT_EQ(quick.QuickSave(), c.save);
        if (c.save == Outcome::Saved) listed = 10 + static_cast<int>(i);
        const size_t boxes = m_Boxes.Records().size();
        m_Boxes.PushAnswer(MessageAnswer::Yes);
        EXPECT_EQ(quick.QuickLoad(), c.load);
        EXPECT_EQ(m_Boxes.Records().size(), boxes + (c.load == Outcome::Loaded ? 1 : 0));
        m_Boxes.Clear();
        if (c.load == Outcome::Loaded) {
            EXPECT_EQ(Engine().Mode(), TGameMode::Script);
            EXPECT_EQ(Score(), listed);  // the last quick save, not an older one
        }
        Engine().Flow().Busy = false;
        Engine().EnterGameMode(TGameMode::Script);
    }
    // One slot, overwritten in place.
    int quickRows = 0;
    for (const auto& entry : TSaveData(Engine()).Entries())
        quickRows += entry.Name == TQuickSlots::NameOf(TQuickSlots::Slot::Quick);
    EXPECT_EQ(quickRows, 1);
}

TEST_F(QuickSaveTest, TheKeysSaveAndLoadWithANoticeOutsideTheGamesPicture) {
    m_Form->FormContextPopup(QPoint(0, 0));
    EXPECT_TRUE(Act(*m_Form, "m_ActQuickSave")->isEnabled());
    EXPECT_FALSE(Act(*m_Form, "m_ActQuickLoad")->isEnabled());  // nothing to load yet
    m_Form->PMSystem()->close();
    EXPECT_TRUE(Act(*m_Form, "m_ActQuickLoad")->isEnabled());  // F7 is not held off after it
    // The two items come last in the menu, after the window's own.
    const auto items = m_Form->PMSystem()->actions();
    EXPECT_EQ(items.at(items.size() - 2)->objectName(), "m_ActQuickSave");
    EXPECT_EQ(items.back()->objectName(), "m_ActQuickLoad");

    Click();
    ASSERT_EQ(Message(), "二");
    Engine().Variables().Set("score", 3);
    Act(*m_Form, "m_ActQuickSave")->trigger();
    ASSERT_TRUE(Notice()->isVisible());
    EXPECT_EQ(Notice()->text(), QString::fromUtf8("クイックセーブしました"));
    EXPECT_EQ(Notice()->parentWidget(), m_Form.get());  // over the display image, not in it
    EXPECT_TRUE(Notice()->isVisible());
    const auto entries = TSaveData(Engine()).Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(platform::SjisToUtf8(entries[0].Comment), "二");
    EXPECT_TRUE(TFormSave::ParseDate(entries[0].Date).isValid());
    EXPECT_TRUE(TFormSave::ParseTime(entries[0].Time).isValid());

    Click();
    ASSERT_EQ(Message(), "三");
    Engine().Variables().Set("score", 9);
    m_Boxes.PushAnswer(MessageAnswer::No);  // declined: nothing moves
    Act(*m_Form, "m_ActQuickLoad")->trigger();
    EXPECT_EQ(Message(), "三");
    EXPECT_EQ(Score(), 9);
    m_Boxes.PushAnswer(MessageAnswer::Yes);
    Act(*m_Form, "m_ActQuickLoad")->trigger();
    Settle();
    ASSERT_EQ(m_Boxes.Records().size(), 2u);
    EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[1].caption), "確認");
    EXPECT_EQ(Texts()[1], "クイックセーブをロードしますか？");
    EXPECT_EQ(Notice()->text(), QString::fromUtf8("クイックロードしました"));
    EXPECT_EQ(Message(), "二");
    EXPECT_EQ(Score(), 3);
    EXPECT_EQ(Engine().Script().Position().Script, "start.txt");
    EXPECT_TRUE(Engine().Flow().ClickWait);
}

TEST_F(QuickSaveTest, AQuickSaveThatCannotBeWrittenIsReportedAndNothingListed) {
    m_Dir.WriteBytes("game", "not a folder");
    Act(*m_Form, "m_ActQuickSave")->trigger();
    ASSERT_EQ(m_Boxes.Records().size(), 1u);
    EXPECT_EQ(m_Boxes.Records()[0].icon, platform::MessageIcon::Warning);
    EXPECT_FALSE(Notice()->isVisible());
    EXPECT_TRUE(TSaveData(Engine()).Entries().empty());
    EXPECT_EQ(Message(), "一");
}

}  // namespace

namespace {

class ResumeTest : public GameWindowTest {
protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        m_Dir.WriteSjis("start.txt", "一\n二\n三\n");
    }
    // A window on the game; closed at once when play is false, else after it settles.
    void Session(bool play, const std::function<void(TFormMain&)>& act = nullptr) {
        TFormMain form;
        form.Quick().SetAutoSaveOnClose(true);
        ASSERT_TRUE(Open(form));
        if (play) Settle(form);
        if (act) act(form);
        form.close();
    }
    std::string AutoComment() {
        for (const auto& line : Lines())
            if (line.rfind("オートセーブ,", 0) == 0) return line.substr(line.rfind(',') + 1);
        return "";
    }
    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        std::string text = m_Dir.ReadUtf8(m_Dir.Path() / "game.vss");
        for (size_t at = 0, next; at < text.size(); at = next + 1) {
            next = text.find('\n', at);
            if (next == std::string::npos) next = text.size();
            std::string line = text.substr(at, next - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    bool Pending() {
        for (const auto& line : Lines())
            if (line == "Pending=1") return true;
        return false;
    }
};

TEST_F(ResumeTest, ClosingAtTheQuestionKeepsTheSaveAndAFinishedGameAsksNothing) {
    Session(true, [&](TFormMain& form) {
        form.DeliverInput(TInputCode::Confirm, -1, -1);
        Settle(form);
    });
    ASSERT_EQ(AutoComment(), "二");
    ASSERT_TRUE(Pending());
    // Closed while the question is open (or right after it, before a line ran): the save and
    // its mark stay as they were, not replaced by the game's first line.
    m_Boxes.PushAnswer(MessageAnswer::Yes);
    Session(false);
    EXPECT_EQ(AutoComment(), "二");
    EXPECT_TRUE(Pending());
    EXPECT_EQ(Texts().back(), "前回の続きから再開しますか？");
    // Played on to the end: nothing is offered any more.
    m_Boxes.PushAnswer(MessageAnswer::Yes);
    Session(true, [&](TFormMain& form) {
        EXPECT_EQ(platform::SjisToUtf8(form.Engine()->Message().Text()), "二");
        for (int i = 0; i < 2 && form.Engine(); ++i) {
            form.DeliverInput(TInputCode::Confirm, -1, -1);
            Settle(form);
        }
    });
    EXPECT_FALSE(Pending());
    m_Boxes.Clear();
    Session(true);
    EXPECT_TRUE(m_Boxes.Records().empty());
}

}  // namespace
