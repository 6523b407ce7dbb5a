// The interpreter driven tick by tick on a virtual clock: scripts, jumps, variables, the
// message flow and what bad scripts get.
#include <gtest/gtest.h>

#include <memory>

#include "engine/velmor.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/test_message_responder.h"
#include "platform/virtual_clock.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "tests/support/engine_services.h"
#include "tests/support/temp_folder.h"

namespace {

// A small screen keeps the stand-in composition cheap.
const char* const kProject =
    "<velmor>\nStartScript=start.txt\n</velmor>\n<Screen>\nWidth=160\nHeight=120\n</Screen>\n";

class Recorder : public TVelmorMonitor {
public:
    void Message(const std::string& text) override { messages.push_back(text); }
    void Jumped(const std::string& script, const std::string& paragraph) override {
        jumps.push_back(script + paragraph);
    }
    TStringList messages, jumps;
};

class InterpreterTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::MessageBox::SetCurrent(&m_Boxes);
        platform::Clock::SetCurrent(&m_Clock);
        m_DllRes =
            std::make_unique<TyxDllRes>(std::string(VELMOR_BINARY_DIR) + "/bin/VELMORRC.DLL", true);
        m_SavedFolder = platform::FileSystem::CurrentFolder();
        platform::FileSystem::SetCurrentFolder(m_Dir.Str());
    }
    void TearDown() override {
        m_Engine.reset();
        platform::FileSystem::SetCurrentFolder(m_SavedFolder);
        platform::Clock::SetCurrent(nullptr);
        platform::MessageBox::SetCurrent(nullptr);
    }
    // A game whose start script is the given UTF-8 text; extra state lines go to game.vss.
    TVelmor& Start(const std::string& script, const std::string& state = "") {
        m_Dir.WriteSjis("game.vsc", kProject);
        m_Dir.WriteSjis("start.txt", script);
        if (!state.empty())
            m_Dir.WriteSjis("game.vss", "<SystemState>\n" + state + "</SystemState>\n");
        return Make();
    }
    TVelmor& Make() {
        m_Engine = std::make_unique<TVelmor>(m_Dir.Str() + "game.vsc", SJ("ＭＳ ゴシック"),
                                             EngineServices(m_DllRes.get(), nullptr, &m_Errors));
        m_Engine->SetMonitor(&m_Seen);
        return *m_Engine;
    }
    // Ticks until the engine waits for input (deadlines are waited out); the fatal text when
    // the game ends instead.
    std::string RunToInput(int limit = 10000) {
        try {
            for (int i = 0; i < limit; ++i) {
                const auto wait = m_Engine->Interpreter().NextWait();
                if (wait.kind == TIdleWait::kInput) return {};
                if (wait.kind == TIdleWait::kDeadline)
                    m_Clock.Advance(wait.deadline - m_Clock.TickCount());
                m_Engine->Interpreter().Tick();
            }
        } catch (const EEngineError& e) {
            return platform::SjisToUtf8(e.Text());
        }
        ADD_FAILURE() << "the engine never waited";
        return {};
    }
    int32_t Var(const std::string& name) {
        int32_t v = -999;
        EXPECT_TRUE(m_Engine->Variables().Get(name, v)) << name;
        return v;
    }
    std::vector<std::string> Records() const {
        std::vector<std::string> out;
        for (const auto& r : m_Errors) out.push_back(platform::SjisToUtf8(r));
        return out;
    }

    TempFolder m_Dir;
    TempFolder m_Home;
    ScopedDataHome m_DataHome{m_Home.Str()};
    platform::TestMessageResponder m_Boxes;
    platform::VirtualClock m_Clock{1000};
    std::unique_ptr<TyxDllRes> m_DllRes;
    TStringList m_Errors;
    std::string m_SavedFolder;
    Recorder m_Seen;
    std::unique_ptr<TVelmor> m_Engine;
};

const std::string kEnd = "scriptAction : シナリオの終了信号を検出しました\n";

TEST_F(InterpreterTest, LineKindsAndTokens) {
    EXPECT_EQ(TVelmorScript::ClassifyLine(""), TVelmorScript::kLineEmpty);
    EXPECT_EQ(TVelmorScript::ClassifyLine("\tnote"), TVelmorScript::kLineComment);
    EXPECT_EQ(TVelmorScript::ClassifyLine(" text"), TVelmorScript::kLineMessage);
    EXPECT_EQ(TVelmorScript::ClassifyLine("\\x"), TVelmorScript::kLineComment);
    EXPECT_EQ(TVelmorScript::ClassifyLine("%"), TVelmorScript::kLineEnd);
    EXPECT_EQ(TVelmorScript::ClassifyLine(SJ("＊全角")), TVelmorScript::kLineMessage);

    TVelmor& e = Start("x\n");
    e.Interpreter().Tokenise("*bgm \"my song.ogg\"", TVelmorInterpreter::kCommandDelimiters);
    EXPECT_EQ(e.Interpreter().Tokens(), (TStringList{"bgm", "my song.ogg"}));
    e.Interpreter().Tokenise("*jump,,next", TVelmorInterpreter::kCommandDelimiters);
    EXPECT_EQ(e.Interpreter().Tokens(), (TStringList{"jump", "next"}));
    e.Interpreter().Tokenise("*jump\tnext", TVelmorInterpreter::kCommandDelimiters);
    EXPECT_EQ(e.Interpreter().Tokens(), (TStringList{"jump\tnext"}));
    // 表 ends in 0x5C and ソ in 0x5C too: trail bytes never split a token.
    e.Interpreter().Tokenise(SJ("*f 表ソ.png"), TVelmorInterpreter::kCommandDelimiters);
    EXPECT_EQ(e.Interpreter().Tokens(), (TStringList{"f", SJ("表ソ.png")}));
    // A lone lead byte at the end stays inside its token.
    e.Interpreter().Tokenise(std::string("*b a\x82"), TVelmorInterpreter::kCommandDelimiters);
    EXPECT_EQ(e.Interpreter().Tokens(), (TStringList{"b", "a\x82"}));
}

TEST_F(InterpreterTest, JumpsFindLabelsWithoutRegardToCaseAndReturnResumesAfterTheLastJump) {
    TVelmor& e = Start(
        "#top\n*jump start\n*jump #START\n#Start\n*jump b\n*jump c\n*return\n*return\n"
        "#b\n*return\n#c\n*return\n");
    m_Errors.clear();
    // The first line is the label; the jump to "start" lands on #Start and runs the next line.
    e.Interpreter().Tick();
    e.Interpreter().Tick();
    EXPECT_EQ(e.Script().Position().Line, 3);
    EXPECT_EQ(e.Script().Position().Paragraph, "#start");
    EXPECT_EQ(e.Script().JumpBuffer().Line, 1);
    EXPECT_EQ(e.SystemState().ReadParagraphs, (TStringList{"#top"}));
    e.Interpreter().Tick();  // *jump b
    e.Interpreter().Tick();  // *return in #b: back to the line after *jump b
    EXPECT_EQ(e.Script().Position().Line, 4);
    EXPECT_EQ(e.Script().Position().Paragraph, "#start");
    e.Interpreter().Tick();  // *jump c
    e.Interpreter().Tick();  // *return in #c: back after *jump c, not after *jump b
    EXPECT_EQ(e.Script().Position().Line, 5);
    e.Interpreter().Tick();  // *return: the buffer still names the *jump c line
    EXPECT_EQ(e.Script().Position().Line, 5);
    EXPECT_EQ(e.Script().JumpBuffer().Line, 5);
    EXPECT_TRUE(m_Errors.empty());
    EXPECT_EQ(m_Seen.jumps, (TStringList{"start.txt#start", "start.txt#b", "start.txt#c"}));
    e.Interpreter().CommandJump("#START", "");
    EXPECT_EQ(e.Script().Position().Line, 3);
}

TEST_F(InterpreterTest, JumpingToTheOwnParagraphMarksItReadAndLabelsWithBlanksAreNotFound) {
    TVelmor& e = Start("?n = 0\n#loop\n?n ++\n?n < 2 jump loop\n#pad  \n*jump pad\n");
    for (int i = 0; i < 3; ++i) e.Interpreter().Tick();
    EXPECT_FALSE(e.Script().ParagraphRead());
    e.Interpreter().Tick();
    EXPECT_TRUE(e.Script().ParagraphRead());
    EXPECT_EQ(e.Script().Position().Line, 1);
    EXPECT_EQ(e.SystemState().ReadParagraphs, (TStringList{"#loop"}));
    for (int i = 0; i < 3; ++i) e.Interpreter().Tick();  // ?n ++, the comparison that fails, the padded label
    try {
        e.Interpreter().Tick();
        FAIL();
    } catch (const EEngineError& err) {
        EXPECT_EQ(platform::SjisToUtf8(err.Text()),
                  "commandJump : シナリオジャンプ先パラグラフ #pad が見つかりません");
    }
}

TEST_F(InterpreterTest, JumpsAcrossScriptsAndTheirFailures) {
    m_Dir.WriteSjis("other.txt", "#there\n*return\n");
    TVelmor& e = Start("*jump there other.txt\n*jump x missing.txt\n");
    e.Interpreter().Tick();
    EXPECT_EQ(e.Script().Position().Script, "other.txt");
    EXPECT_EQ(e.Script().Position().Line, 0);
    e.Interpreter().Tick();  // *return loads start.txt again
    EXPECT_EQ(e.Script().Position().Script, "start.txt");
    EXPECT_EQ(e.Script().Position().Line, 0);
    EXPECT_EQ(e.Script().Position().Paragraph, "");
    EXPECT_EQ(RunToInput(), "commandJump : missing.txt がロードできません");
}

TEST_F(InterpreterTest, ReturnBeforeAnyJumpLooksForALoneHash) {
    Start("*return\n");
    EXPECT_EQ(RunToInput(), "commandJump : シナリオジャンプ先パラグラフ # が見つかりません");
    // With such a line the game goes on after it.
    Start("*return\n#\nafter\n");
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Seen.messages.back(), "after");
}

TEST_F(InterpreterTest, VariableCommands) {
    TVelmor& e = Start(
        "?score = 5\n?SCORE ++\n?Score >= 6 jump bonus\nskipped\n#bonus\n"
        "?a = $10\n?b = a\n?c = q1\n?missing ++\n?a == 16\n?a != 16 jump nowhere\n"
        "?a < 30 *jump last\n#last\n?big = 2147483647\n?big ++\n?small = -2147483648\n?small --\n"
        "?a = \n?a\n?a < zz jump x\n?nope > 1 jump x\n%\n");
    EXPECT_EQ(RunToInput(), kEnd + "start.txt:21");
    EXPECT_EQ(Var("score"), 6);
    EXPECT_EQ(Var("a"), 16);
    EXPECT_EQ(Var("b"), 16);
    EXPECT_EQ(Var("big"), INT32_MIN);
    EXPECT_EQ(Var("small"), INT32_MAX);
    EXPECT_TRUE(m_Seen.messages.empty());
    int32_t v;
    EXPECT_FALSE(e.Variables().Get("missing", v));
    EXPECT_FALSE(e.Variables().Get("c", v));
    // The integer conversion takes x as a hexadecimal prefix, so x1 is a number, not a name.
    int32_t x1;
    ASSERT_TRUE(e.Variables().ParseValue("x1", x1));
    EXPECT_EQ(x1, 1);
    EXPECT_EQ(e.Variables().List().front().Name, "velmor@FINISHED");
    EXPECT_EQ(Records(),
              (std::vector<std::string>{
                  "7: scriptSetFlag : パラメータが異常です param=q1 : ?c = q1",
                  "8: scriptSetFlag : 指定された変数 missing は見つかりません : ?missing ++",
                  "9: scriptSetFlag : 変数コマンドの引数が足りません : ?a == 16",
                  "17: scriptSetFlag : 変数コマンドの引数が足りません : ?a = ",
                  "19: scriptSetFlag : パラメータが異常です param=zz : ?a < zz jump x",
                  "20: scriptSetFlag : 指定された変数 nope は見つかりません : ?nope > 1 jump x"}));
}

TEST_F(InterpreterTest, TitleClearingKeepsOnlyTheFinishedFlag) {
    TVelmor& e = Start("?x = 1\n:FINISHED\n");
    RunToInput();
    EXPECT_TRUE(e.SystemState().Finished);
    e.Variables().ClearAll(e.SystemState().Finished);
    ASSERT_EQ(e.Variables().List().size(), 1u);
    EXPECT_EQ(Var("velmor@FINISHED"), 1);
}

TEST_F(InterpreterTest, UnknownCommandsAndSystemCommands) {
    Start("*dance now\n*JUMP\n:nonsense\n*\n:\nhello\n");
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(Records(),
              (std::vector<std::string>{
                  "0: scriptCommandExecute : 指定されたコマンド dance は存在しません : *dance now",
                  "1: scriptCommandExecute : jump コマンドの引数が足りません : *JUMP"}));
}

TEST_F(InterpreterTest, RevealStepsAreSpacedByTheAnimationSpeed) {
    TVelmor& e = Start("あいうえおかきくけこ\nはい。\n", "MessageAnimationSpeed=10\n");
    // Ticks every millisecond and notes when the revealed text grows.
    auto steps = [&] {
        std::vector<uint32_t> at;
        int32_t last = e.Message().Revealed();
        while (e.Message().Animating()) {
            e.Interpreter().Tick();
            if (e.Message().Revealed() != last) at.push_back(m_Clock.TickCount());
            last = e.Message().Revealed();
            m_Clock.Advance(1);
        }
        return at;
    };
    e.Interpreter().Tick();
    ASSERT_TRUE(e.Message().Animating());
    const auto first = steps();
    ASSERT_EQ(first.size(), 10u);
    for (size_t i = 1; i < first.size(); ++i) EXPECT_EQ(first[i] - first[i - 1], 10u);
    EXPECT_EQ(RunToInput(), "");
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    while (e.Message().Text() != SJ("はい。")) {
        e.Interpreter().Tick();
        m_Clock.Advance(1);
    }
    // は, then い together with the full stop.
    EXPECT_EQ(steps().size(), 2u);
}

TEST_F(InterpreterTest, ConfirmCompletesTheRevealThenGoesOn) {
    TVelmor& e = Start("ながいメッセージ\n次\n");
    e.Interpreter().Tick();
    e.Interpreter().Tick();
    ASSERT_TRUE(e.Message().Animating());
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    EXPECT_FALSE(e.Message().Animating());
    EXPECT_TRUE(e.Flow().ClickWait);
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Seen.messages.size(), 1u);
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Seen.messages.size(), 2u);
    // The last line was a message: the next confirm meets the end, naming the line count.
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    EXPECT_EQ(RunToInput(), kEnd + "start.txt:2");
}

TEST_F(InterpreterTest, HidingTheWindowHoldsTheScriptAndShowingDrawsTheWholeMessage) {
    TVelmor& e = Start("一\n二\n");
    RunToInput();
    e.ModeObject().Input(TInputCode::HideWindow, -1, -1);
    EXPECT_TRUE(e.Flow().WindowHidden);
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);  // a confirm while hidden only shows the window again
    EXPECT_FALSE(e.Flow().WindowHidden);
    EXPECT_TRUE(e.Flow().ClickWait);
    e.ModeObject().Input(TInputCode::HideWindow, -1, -1);
    e.ModeObject().Input(TInputCode::SkipHeld, -1, -1);  // skip held does not show it
    EXPECT_TRUE(e.Flow().WindowHidden);
    e.Flow().ClickWait = false;
    EXPECT_EQ(e.Interpreter().NextWait().kind, TIdleWait::kInput);  // hidden holds even without a wait
    e.ModeObject().Input(TInputCode::ShowWindow, -1, -1);
    EXPECT_FALSE(e.Flow().WindowHidden);
    EXPECT_FALSE(e.Message().Animating());
    RunToInput();
    EXPECT_EQ(m_Seen.messages.size(), 2u);
}

TEST_F(InterpreterTest, SkipPassesReadParagraphsOnlyUnlessUnreadSkippingIsOn) {
    TVelmor& e = Start("#seen\n一\n二\n#fresh\n三\n四\n", "");
    e.SystemState().ReadParagraphs = {"#SEEN"};
    RunToInput();
    ASSERT_EQ(m_Seen.messages.size(), 1u);
    e.Flow().Skip = true;
    EXPECT_EQ(RunToInput(), "");
    // Both read messages passed; the first unread one stops, skip still on until an input.
    EXPECT_EQ(m_Seen.messages.size(), 3u);
    EXPECT_TRUE(e.Flow().Skip);
    EXPECT_FALSE(e.Message().Animating());
    e.ModeObject().Input(TInputCode::SkipHeld, -1, -1);  // skip held in an unread paragraph does nothing
    EXPECT_FALSE(e.Flow().Skip);
    EXPECT_TRUE(e.Flow().ClickWait);

    e.SystemState().NoReadTextSkip = true;
    e.Flow().Skip = true;
    EXPECT_EQ(RunToInput(), kEnd + "start.txt:6");
    EXPECT_EQ(m_Seen.messages.size(), 4u);
}

TEST_F(InterpreterTest, AutoPlayGoesOnAfterTheReadingDelayAndAnyInputEndsIt) {
    TVelmor& e = Start("0123456789abcdefghij\n次\n三\n", "MessageAnimation=0\n");
    e.Flow().AutoPlay = true;
    const uint32_t shown = m_Clock.TickCount();
    e.Interpreter().Tick();
    const auto wait = e.Interpreter().NextWait();
    ASSERT_EQ(wait.kind, TIdleWait::kDeadline);
    EXPECT_EQ(wait.deadline, shown + 1001);
    m_Clock.Advance(999);
    e.Interpreter().Tick();
    EXPECT_EQ(m_Seen.messages.size(), 1u);
    m_Clock.Advance(wait.deadline - m_Clock.TickCount());
    e.Interpreter().Tick();
    EXPECT_EQ(m_Seen.messages.size(), 2u);
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    EXPECT_FALSE(e.Flow().AutoPlay);
    EXPECT_TRUE(e.Flow().ClickWait);  // that input did nothing else
}

TEST_F(InterpreterTest, BadBytesStayInsideTheirLine) {
    std::string script = "*b \x82\r\n";                  // lone lead byte at a line end
    script += std::string(100000, 'x') + "\r\n";         // a very long message
    script += "\x82\r\n";                                // a message of one lead byte
    script += "\xFF\xFE\x80 ?\r\n";                      // not Shift-JIS at all
    script += "?v = 1\x82";                              // lead byte ends the file
    script += std::string("\r\nafter\0hidden\r\n", 15);  // NUL ends the text
    m_Dir.WriteSjis("game.vsc", kProject);
    m_Dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n");
    m_Dir.WriteBytes("start.txt", script);
    TVelmor& e = Make();
    ASSERT_EQ(e.Script().Lines().size(), 6u);
    int messages = 0;
    std::string end;
    while (end.empty() && messages < 10) {
        end = RunToInput();
        if (end.empty()) {
            e.ModeObject().Input(TInputCode::Confirm, -1, -1);
            e.ModeObject().Input(TInputCode::Confirm, -1, -1);
            ++messages;
        }
    }
    EXPECT_EQ(end, kEnd + "start.txt:6");
    EXPECT_EQ(m_Seen.messages.size(), 4u);
    EXPECT_EQ(Records().size(), 2u);  // the missing picture of *b and the unparsable ?v
}

}  // namespace
