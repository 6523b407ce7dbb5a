// System command lines: table branches, the title and its return, the context menu switch, the
// scene list and the words whose modes a game may not have.
#include "tests/engine/command_fixture.h"

namespace {

class SystemCommandTest : public CommandTest {
protected:
    void Sys(const std::string& utf8Line) { m_Engine->Interpreter().ScriptSVCParser(SJ(utf8Line)); }
    int32_t Var(const std::string& name) {
        int32_t v = -999;
        m_Engine->Variables().Get(name, v);
        return v;
    }
};

constexpr const char* kBranchScript =
    "#start\n:junction route.ini Route\n%\n#good\ngood\n%\n#bad\nbad\n%\n";

TEST_F(SystemCommandTest, JunctionTakesTheFirstEntryWhoseConditionsHold) {
    m_Dir.WriteSjis("route.ini",
                    "<Other>\n*,#bad\n</Other>\n<Route>\nflagA,!flagB,*,#good\n*,#bad\n</Route>\n");
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, int32_t>> vars;
        const char* reached;
    };
    const Case cases[] = {
        {"A set, B missing", {{"flagA", 1}}, "good"},
        {"A set, B zero", {{"FLAGA", 7}, {"flagb", 0}}, "good"},
        {"A set, B set", {{"flagA", 1}, {"flagB", 1}}, "bad"},
        {"A zero", {{"flagA", 0}}, "bad"},
        {"nothing set", {}, "bad"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(kBranchScript);
        for (const auto& [name, value] : c.vars) m_Engine->Variables().Set(name, value);
        EXPECT_EQ(RunToInput(), "");
        EXPECT_EQ(m_Engine->Message().Text(), c.reached);
        // The one-character script item meant the present script.
        EXPECT_EQ(m_Engine->Script().Position().Script, "start.txt");
        EXPECT_EQ(Records(), TStringList{});
    }
}

TEST_F(SystemCommandTest, JunctionItemsFollowCommaTextRules) {
    m_Dir.WriteSjis("other.txt", "#far\nfar away\n%\n");
    // One item never matches; an empty condition between two commas names no variable; a
    // quoted run is one item, blanks separate items, and the script item drops one character.
    m_Dir.WriteSjis("route.ini",
                    "<Route>\nlonely\nflagA,,*,#good\n\"flag A\" ,!x *other.txt,#far\n*,#bad\n"
                    "</Route>\n");
    Start(kBranchScript);
    m_Engine->Variables().Set("flagA", 1);
    m_Engine->Variables().Set("flag A", 1);
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), "far away");
    EXPECT_EQ(m_Engine->Script().Position().Script, "other.txt");
    EXPECT_EQ(m_Engine->Script().Position().Paragraph, "#far");
    ASSERT_FALSE(m_Seen.jumps.empty());
    EXPECT_EQ(m_Seen.jumps.back(), "other.txt#far");
}

TEST_F(SystemCommandTest, JunctionFailuresAreRecordsAndTheScriptGoesOn) {
    m_Dir.WriteSjis("route.ini", "<Route>\nflagA,*,#good\n</Route>\n<Empty>\n</Empty>\n");
    Start(
        "#start\n:junction route.ini\n:junction route.ini Route\n:junction route.ini Empty\n"
        ":junction route.ini Missing\n:junction nofile.ini Route\nafter\n");
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), "after");
    const std::string tail = "のデータが見つからないか、条件にかなうものがありませんでした";
    EXPECT_EQ(Records(), (TStringList{"scriptSVCParser : junctionのパラメータが足りません",
                                      "scriptSVCParser : junction\"route.ini\"\"Route\"" + tail,
                                      "scriptSVCParser : junction\"route.ini\"\"Empty\"" + tail,
                                      "scriptSVCParser : junction\"route.ini\"\"Missing\"" + tail,
                                      "scriptSVCParser : junction\"nofile.ini\"\"Route\"" + tail}));
    // A matching entry whose paragraph is missing stops the game through the jump.
    m_Dir.WriteSjis("route.ini", "<Route>\n*,#nowhere\n</Route>\n");
    Start("#start\n:junction route.ini Route\nafter\n");
    EXPECT_NE(RunToInput().find("#nowhere"), std::string::npos);
}

TEST_F(SystemCommandTest, PopupSwitchesTheMessageItems) {
    Start("#start\nfirst\n");
    EXPECT_FALSE(m_Engine->Flow().PopupEnabled);
    Sys(":popup");
    EXPECT_TRUE(m_Engine->Flow().PopupEnabled);
    Sys(":popup 0");
    EXPECT_FALSE(m_Engine->Flow().PopupEnabled);
    Sys(":POPUP 2");
    EXPECT_TRUE(m_Engine->Flow().PopupEnabled);
    m_Engine->Variables().Set("menu", 0);
    Sys(":popup menu");
    EXPECT_FALSE(m_Engine->Flow().PopupEnabled);
    Sys(":popup $1");
    EXPECT_TRUE(m_Engine->Flow().PopupEnabled);
    Sys(":popup nothing");
    EXPECT_FALSE(m_Engine->Flow().PopupEnabled);
    EXPECT_EQ(Records(), TStringList{"scriptSVCParser : パラメータが異常です param=nothing"});
}

TEST_F(SystemCommandTest, TitleReturnRestartsTheTitleParagraphWithFreshVariables) {
    Start("#start\n?kept = 5\n#menu\n:title\n?x = 1\nmenu shown\n:titlereturn\n");
    // Before any title the return does nothing.
    Sys(":titlereturn");
    EXPECT_FALSE(m_Engine->Script().InTitle());
    EXPECT_EQ(m_Engine->Script().Position().Line, -1);
    EXPECT_TRUE(m_Seen.jumps.empty());

    EXPECT_EQ(RunToInput(), "");
    EXPECT_TRUE(m_Engine->Script().InTitle());
    EXPECT_EQ(m_Engine->Script().TitlePosition().Script, "start.txt");
    EXPECT_EQ(m_Engine->Script().TitlePosition().Paragraph, "#menu");
    EXPECT_EQ(m_Engine->Script().TitlePosition().Line, 3);
    EXPECT_EQ(Var("kept"), -999);
    EXPECT_EQ(Var("x"), 1);

    m_Engine->Variables().Set("x", 40);
    m_Engine->ModeObject().Input(TInputCode::Confirm, -1, -1);
    m_Engine->Interpreter().Tick();  // the titlereturn line
    // Back at the label, not at the line after the title command.
    EXPECT_EQ(m_Engine->Script().Position().Line, 2);
    EXPECT_EQ(m_Engine->Mode(), TGameMode::Script);
    EXPECT_FALSE(m_Engine->Scene().MessageWindow().Visible());
    EXPECT_EQ(Var("x"), -999);
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(Var("x"), 1);
    EXPECT_EQ(m_Engine->Message().Text(), "menu shown");

    // A title before any label returns to the top of its script.
    Start(":title\nfirst\n:titlereturn\n");
    EXPECT_EQ(RunToInput(), "");
    m_Engine->ModeObject().Input(TInputCode::Confirm, -1, -1);
    m_Engine->Interpreter().Tick();
    EXPECT_EQ(m_Engine->Script().Position().Line, -1);
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), "first");
    EXPECT_EQ(m_Engine->Script().Position().Line, 1);
}

TEST_F(SystemCommandTest, TitleKeepsTheGameClearedFlag) {
    Start("#start\nfirst\n");
    m_Engine->Variables().Set("other", 3);
    Sys(":finished");
    EXPECT_TRUE(m_Engine->SystemState().Finished);
    Sys(":title");
    EXPECT_EQ(Var("other"), -999);
    EXPECT_EQ(Var("velmor@FINISHED"), 1);
    ASSERT_EQ(m_Engine->Variables().List().size(), 1u);
    // The save data puts a title back.
    TVelmorScriptPosition p;
    p.Script = "x.txt";
    p.Line = 4;
    p.Paragraph = "#x";
    m_Engine->Script().SetTitle(false, p);
    EXPECT_FALSE(m_Engine->Script().InTitle());
    EXPECT_EQ(m_Engine->Script().TitlePosition().Script, "x.txt");
}

TEST_F(SystemCommandTest, SceneSetAddsANameOnce) {
    Start("#start\nfirst\n");
    Sys(":sceneset");
    Sys(":sceneset Beach");
    Sys(":sceneset beach");
    Sys(":sceneset 灯台");
    EXPECT_EQ(m_Engine->SystemState().EventScene, (TStringList{"Beach", SJ("灯台")}));
}

TEST_F(SystemCommandTest, ModesTheGameLacksLetTheScriptGoOn) {
    Start(
        "#start\n:cgmode\n:scenemode\n:sceneend\n:imageselect\n"
        ":dllclose\n:nonsense 1\n:\nafter\n",
        "<CGMode>\nCGModeProject=cg.ini\n</CGMode>\n");
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), "after");
    EXPECT_EQ(m_Engine->Mode(), TGameMode::Script);
    EXPECT_FALSE(m_Engine->Galleries().SceneReplayActive());
    EXPECT_EQ(Records(), TStringList{});

    Sys(":dllattach x");
    EXPECT_EQ(Records(), TStringList{"dllをopenせずにattachしようとしました"});
    m_Engine->Flow().Skip = true;
    try {
        Sys(":warpmap map.ini place");
        ADD_FAILURE() << "the warp map started";
    } catch (const EEngineError& e) {
        EXPECT_EQ(e.Text(), SJ("WarpMapモードを起動できませんでした"));
    }
    EXPECT_FALSE(m_Engine->Flow().Skip);
    try {
        Sys(":dllopen plugin.so");
        ADD_FAILURE() << "the plug-in opened";
    } catch (const EEngineError& e) {
        EXPECT_EQ(e.Text(), SJ("TVelmor : plugin.soがオープンできません"));
    }
}

}  // namespace

namespace {

// The mode table: which modes hold the script, run its tick and take input, and what the
// context menu offers in each.
TEST_F(SystemCommandTest, EachModeHoldsTheScriptAndOffersItsMenu) {
    struct Row {
        TGameMode mode;
        bool clickWait, message, saveLoad, newSave;
    };
    const Row rows[] = {
        {TGameMode::Script, false, true, true, true},
        {TGameMode::Choice, true, true, true, true},
        {TGameMode::Movie, true, false, false, false},
        {TGameMode::Gallery, true, false, false, false},
        {TGameMode::SceneList, true, false, false, false},
        {TGameMode::ImageSelect, true, false, true, false},
        {TGameMode::WarpMap, true, false, true, false},
        {TGameMode::Plugin, true, false, true, false},
        {TGameMode::None, true, false, false, false},  // keeps the click wait it found
    };
    TVelmor& e = Start(":popup\n");
    e.Interpreter().Tick();
    for (const Row& r : rows) {
        e.EnterGameMode(r.mode);
        EXPECT_EQ(e.Flow().ClickWait, r.clickWait) << CodeOf(r.mode);
        const TVelmorGameMode::TMenu menu = e.ModeObject().Menu();
        EXPECT_EQ(menu.messageItems, r.message) << CodeOf(r.mode);
        EXPECT_EQ(menu.saveLoad, r.saveLoad) << CodeOf(r.mode);
        EXPECT_EQ(menu.newSave, r.newSave) << CodeOf(r.mode);
        EXPECT_EQ(e.ModeObject().AcceptsSkip(), r.mode == TGameMode::Script) << CodeOf(r.mode);
    }
    // Without the popup switch the script modes keep their message items off.
    e.Interpreter().ScriptSVCParser(SJ("popup 0"));
    e.EnterGameMode(TGameMode::Script);
    EXPECT_FALSE(e.ModeObject().Menu().messageItems);
    EXPECT_TRUE(e.ModeObject().Menu().saveLoad);
}

}  // namespace
