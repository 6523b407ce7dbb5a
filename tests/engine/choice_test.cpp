// Choices: building the list, the rows narrowed to their captions, hover, keys and clicks.
#include "tests/engine/command_fixture.h"

namespace {

class ChoiceTest : public CommandTest {
protected:
    // Shows the choices of the script's first lines and waits in choice mode.
    TVelmor& Offer(const std::string& script) {
        TVelmor& e = Start(script);
        RunToInput();
        for (int i = 0; i < 3 && e.Mode() != TGameMode::Choice; ++i) {
            e.ModeObject().Input(TInputCode::Confirm, -1, -1);
            RunToInput();
        }
        EXPECT_EQ(e.Mode(), TGameMode::Choice);
        return e;
    }
    // A point inside row i, just right of its left edge.
    static TPoint In(const TVelmor& e, int i) {
        const TRect& r = e.Choices().Row(i);
        return {r.Left + 1, (r.Top + r.Bottom) / 2};
    }
    const char* const kFour =
        "どちらへ行く？\n*clrsel\n*addsel 北 #north\n*addsel 南へ長く歩く #south\n*addsel 東 "
        "#east\n"
        "*addsel 西 #west\n*select\n#north\n北だ\n#south\n南だ\n#east\n東だ\n#west\n西だ\n";
};

TEST_F(ChoiceTest, AddselKeepsFourAndRecordsTheRest) {
    TVelmor& e = Start("x\n");
    Run("*addsel a #a");
    Run("*addsel b");
    EXPECT_EQ(Records(), (TStringList{"scriptCommandExecute : select コマンドの引数が足りません"}));
    Run("*addsel b #b other.txt");
    Run("*addsel c #c");
    Run("*addsel d #d");
    Run("*addsel e #e");
    EXPECT_EQ(Records(), (TStringList{"scriptCommandExecute : 選択肢は最大4つまでです"}));
    EXPECT_EQ(e.Choices().Count(), 4);
    EXPECT_EQ(e.Choices().At(1).Caption, "b");
    EXPECT_EQ(e.Choices().At(1).Paragraph, "#b");
    EXPECT_EQ(e.Choices().At(1).Script, "other.txt");
    EXPECT_EQ(e.Choices().At(0).Script, "");
    Run("*clrsel");
    EXPECT_EQ(e.Choices().Count(), 0);
    EXPECT_EQ(e.Choices().At(3).Caption, "d");  // texts stay until overwritten
}

TEST_F(ChoiceTest, RowsAreQuartersNarrowedToTheirCaptions) {
    TVelmor& e = Offer(kFour);
    EXPECT_EQ(m_Seen.choices.size(), 1u);
    EXPECT_EQ(m_Seen.choices[0].size(), 4u);
    const int h = e.Choices().Row(0).Bottom - e.Choices().Row(0).Top;
    ASSERT_GT(h, 0);
    for (int i = 0; i < 4; ++i) {
        const TRect& r = e.Choices().Row(i);
        EXPECT_EQ(r.Left, e.Scene().TextArea().Left);
        EXPECT_EQ(r.Top, e.Scene().TextArea().Top + h * i);
        EXPECT_EQ(r.Bottom - r.Top, h);
        EXPECT_EQ(r.Right, e.Scene().TextArea().Left +
                               e.Scene().Screen().TextWidth(e.Choices().At(i).Caption) + 1);
    }
    EXPECT_GT(e.Choices().Row(1).Right, e.Choices().Row(0).Right);
    EXPECT_EQ(e.Choices().Highlighted(), -1);
    EXPECT_TRUE(e.Flow().ClickWait);
}

TEST_F(ChoiceTest, HoverHighlightsTheRowUnderThePointer) {
    TVelmor& e = Offer(kFour);
    const TPoint p = In(e, 1);
    e.ModeObject().MouseMove(p.x, p.y);
    EXPECT_EQ(e.Choices().Highlighted(), 1);
    // Right and bottom edges are outside; left and top inside.
    const TRect& r = e.Choices().Row(0);
    e.ModeObject().MouseMove(r.Right, r.Top);
    EXPECT_EQ(e.Choices().Highlighted(), -1);
    e.ModeObject().MouseMove(r.Left, r.Top);
    EXPECT_EQ(e.Choices().Highlighted(), 0);
    e.ModeObject().Input(TInputCode::Down, -1, -1);
    EXPECT_EQ(e.Choices().Highlighted(), 1);
    EXPECT_TRUE(e.Choices().KeyboardSelection());
    e.ModeObject().MouseMove(p.x, p.y);  // no change of highlight: keys keep the selection
    EXPECT_TRUE(e.Choices().KeyboardSelection());
    e.ModeObject().MouseMove(r.Left, r.Top);
    EXPECT_FALSE(e.Choices().KeyboardSelection());
}

TEST_F(ChoiceTest, KeysMoveTheHighlightWithinTheList) {
    TVelmor& e = Offer(kFour);
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);  // Enter at once does nothing
    EXPECT_EQ(e.Mode(), TGameMode::Choice);
    e.ModeObject().Input(TInputCode::Up, -1, -1);
    EXPECT_EQ(e.Choices().Highlighted(), 0);
    e.ModeObject().Input(TInputCode::Last, -1, -1);
    EXPECT_EQ(e.Choices().Highlighted(), 3);
    e.ModeObject().Input(TInputCode::Down, -1, -1);
    EXPECT_EQ(e.Choices().Highlighted(), 3);
    e.ModeObject().Input(TInputCode::First, -1, -1);
    e.ModeObject().Input(TInputCode::Up, -1, -1);
    EXPECT_EQ(e.Choices().Highlighted(), 0);
    e.ModeObject().Input(TInputCode::Down, -1, -1);
    e.ModeObject().Input(TInputCode::SkipHeld, -1, -1);  // only confirm takes a keyboard selection
    EXPECT_EQ(e.Mode(), TGameMode::Choice);
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    EXPECT_EQ(e.Mode(), TGameMode::Script);
    EXPECT_FALSE(e.Scene().MessageWindow().Visible());
    RunToInput();
    EXPECT_EQ(e.Message().Text(), SJ("南だ"));
}

TEST_F(ChoiceTest, ClicksTakeOnlyInsideTheNarrowedRow) {
    TVelmor& e = Offer(kFour);
    const TRect& r = e.Choices().Row(0);
    e.ModeObject().Input(TInputCode::Confirm, r.Right, r.Top);  // right of a short caption, inside the full row
    EXPECT_EQ(e.Mode(), TGameMode::Choice);
    const TPoint p = In(e, 3);
    e.ModeObject().Input(TInputCode::Confirm, p.x, p.y);
    EXPECT_EQ(e.Mode(), TGameMode::Script);
    EXPECT_EQ(m_Seen.jumps.back(), "start.txt#west");
    RunToInput();
    EXPECT_EQ(e.Message().Text(), SJ("西だ"));
}

TEST_F(ChoiceTest, TheListSurvivesAndJumpsWithinThePresentScript) {
    m_Dir.WriteSjis("two.txt", "#a\n*select\n#b\nB of two\n");
    TVelmor& e = Offer("*addsel go #b\n*jump a two.txt\n#b\nB of start\n");
    // The choice was added in start.txt; it is taken in two.txt.
    e.ModeObject().Input(TInputCode::First, -1, -1);
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    RunToInput();
    EXPECT_EQ(e.Message().Text(), "B of two");
    EXPECT_EQ(e.Choices().Count(), 1);
}

TEST_F(ChoiceTest, NoChoicesHoldsWithoutHarm) {
    TVelmor& e = Offer("*select\n");
    for (int code : {5, 6, 7, 8, 1, 2}) e.ModeObject().Input(static_cast<TInputCode>(code), -1, -1);
    e.ModeObject().Input(TInputCode::Confirm, e.Scene().TextArea().Left + 1, e.Scene().TextArea().Top + 1);
    EXPECT_EQ(e.Mode(), TGameMode::Choice);
    EXPECT_EQ(e.Choices().Highlighted(), -1);
}

TEST_F(ChoiceTest, AMissingTargetIsFatal) {
    TVelmor& e = Offer("*addsel x #nowhere\n*select\n");
    e.ModeObject().Input(TInputCode::First, -1, -1);
    EXPECT_THROW(e.ModeObject().Input(TInputCode::Confirm, -1, -1), EEngineError);
}

}  // namespace
