// The picture menu and the map as the script reaches them: the commands, input in modes 6 and
// 7, the sounds, the jumps back into the script and the failures that end the game.
#include "engine/velmor_warp_map_mode.h"
#include "modes/warp_map_move.h"
#include "tests/engine/command_fixture.h"

namespace {

class ExtraModesTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        Picture("back.png", kWidth, kHeight, 0x101010);
        Picture("n.png", 40, 20, 0x0000FF);
        Picture("l.png", 40, 20, 0xFF0000);
        Picture("chip.png", 20, 10, 0x00FF00);
        Picture("mark.png", 6, 6, 0xFFFFFF);
        m_Dir.WriteSjis("menu.ini",
                        "<ImageSelector>\nCount=2\nBackImage=back.png\nClickSound=click.wav\n"
                        "ClickSoundIndex=0\n</ImageSelector>\n<Graphics>\nn.png,,l.png\n"
                        "n.png,,l.png\n</Graphics>\n<Position>\n10,10\n10,50\n</Position>\n"
                        "<Paragraph>\n#one\n#two\n</Paragraph>\n<SoundOnMouse>\nhover.wav\n"
                        "</SoundOnMouse>\n");
    }
    std::string Fatal(const std::string& line) {
        try {
            m_Engine->Interpreter().ScriptSVCParser(SJ(line));
        } catch (const EEngineError& e) {
            return platform::SjisToUtf8(e.Text());
        }
        return "no error";
    }
    // Two places 100 pixels apart, two time slots; meeting at place 0 on the second move.
    void Map(const std::string& event, const std::string& dayEnd = "#night") {
        m_Dir.WriteSjis("map.ini", "<image>\nBackImage=back.png\nEntryX=10\nEntryY=5\n</image>\n"
                                   "<game>\nDayMax=1\nTimeMax=2\n</game>\n<anime>\nmark.png\n"
                                   "chip.png\n</anime>\n<mapchip>\nchip.png\nchip.png\n</mapchip>\n"
                                   "<drawpoint>\n10,10\n110,10\n</drawpoint>\n<dayend>\n," +
                                       dayEnd + "\n</dayend>\n<flag>\n,,,," + event +
                                       "\n,,,,,,,\n</flag>\n");
    }
    int32_t Var(const std::string& name) {
        int32_t v = -999;
        m_Engine->Variables().Get(name, v);
        return v;
    }
    static constexpr const char* kScript =
        "#start\n:imageselect menu.ini\nnot here\n%\n#one\none\n%\n#two\ntwo\n%\n";
    static constexpr const char* kMapScript =
        "#start\n:warpmap map.ini place day time\nnot here\n%\n#night\nnight\n%\n#meet\nmeet\n"
        "%\n";
};

TEST_F(ExtraModesTest, APictureMenuTakesKeysAndThePointer) {
    struct Case {
        const char* name;
        std::vector<std::tuple<TInputCode, int, int>> inputs;
        const char* reached;
    } cases[] = {
        {"keys", {{TInputCode::Confirm, -1, -1}, {TInputCode::Down, -1, -1},
                  {TInputCode::Down, -1, -1}, {TInputCode::Down, -1, -1},
                  {TInputCode::Confirm, -1, -1}}, "two"},
        {"pointer", {{TInputCode::Confirm, 0, 0}, {TInputCode::Confirm, 49, 29}}, "one"},
        {"keys win over the pointer", {{TInputCode::Up, -1, -1}, {TInputCode::Confirm, 12, 52}},
         "one"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(kScript);
        EXPECT_EQ(RunToInput(), "");
        ASSERT_EQ(m_Engine->Mode(), TGameMode::ImageSelect);
        EXPECT_TRUE(m_Engine->Flow().ClickWait);
        for (const auto& [code, x, y] : c.inputs) {
            EXPECT_EQ(m_Engine->Script().Position().Paragraph, "#start");
            m_Engine->ModeObject().Input(code, x, y);
        }
        EXPECT_EQ(m_Engine->Mode(), TGameMode::Script);
        EXPECT_EQ(RunToInput(), "");
        EXPECT_EQ(m_Engine->Message().Text(), c.reached);
        EXPECT_EQ(m_Seen.jumps.back(), std::string("start.txt#") + c.reached);
    }
}

TEST_F(ExtraModesTest, ButtonSoundsPlayOnceAndStayInTheirChannel) {
    Start(kScript);
    m_Engine->Channels().SetFile(0, "music.ogg");
    EXPECT_EQ(RunToInput(), "");
    m_Engine->ModeObject().MouseMove(12, 12);
    m_Engine->ModeObject().MouseMove(14, 12);  // still the same lit button
    m_Engine->ModeObject().MouseMove(12, 52);  // the second button has no on-mouse sound
    m_Engine->ModeObject().MouseMove(12, 12);
    m_Engine->ModeObject().Input(TInputCode::Confirm, 12, 52);
    EXPECT_EQ(m_Seen.sounds,
              (TStringList{"2 1 hover.wav", "2 2 hover.wav", "2 3 hover.wav", "2 1 hover.wav",
                           "2 2 hover.wav", "0 3 click.wav", "0 1 click.wav", "0 2 click.wav"}));
    EXPECT_EQ(m_Engine->Channels().File(0), "click.wav");
    EXPECT_EQ(m_Engine->Channels().File(2), "hover.wav");
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), "two");
}

TEST_F(ExtraModesTest, AMissingMenuEndsTheGame) {
    Start("#start\nfirst\n");
    EXPECT_EQ(Fatal(":imageselect none.ini"),
              "ImageSelector設定ファイル none.ini が見つかりません");
    EXPECT_EQ(Fatal(":imageselect"), "no error");
    EXPECT_EQ(m_Engine->Mode(), TGameMode::Script);
}

TEST_F(ExtraModesTest, AMapDayEndsInAnEventOrTheDayEnd) {
    struct Case {
        const char* name;
        std::string event;
        const char* reached;
    } cases[] = {{"day end", ",,,", "night"}, {"event", "met,start.txt,,#meet", "meet"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Map(c.event);
        Start(kMapScript);
        m_Seen.modes.clear();
        EXPECT_EQ(RunToInput(), "");
        ASSERT_EQ(m_Engine->Mode(), TGameMode::WarpMap);
        // The loop rests until the marker's next step, and the step comes on an idle pass.
        const TIdleWait wait = m_Engine->ModeObject().NextWait();
        ASSERT_EQ(wait.kind, TIdleWait::kDeadline);
        EXPECT_EQ(wait.deadline - m_Clock.TickCount(), TWarpMapMove::kFrameInterval);
        m_Clock.Advance(TWarpMapMove::kFrameInterval);
        auto& mode = dynamic_cast<TVelmorWarpMapMode&>(m_Engine->ModeObjectFor(TGameMode::WarpMap));
        EXPECT_TRUE(m_Engine->ModeObject().Idle());
        EXPECT_EQ(mode.Map()->Frame(), 1);

        m_Engine->ModeObject().Input(TInputCode::Confirm, -1, -1);  // keys do not reach the map
        m_Engine->ModeObject().Input(TInputCode::Confirm, 115, 12);
        EXPECT_EQ(mode.Map()->Time(), 0);
        m_Engine->ModeObject().Input(TInputCode::Confirm, 15, 12);
        EXPECT_EQ(mode.Map(), nullptr);
        EXPECT_EQ(m_Seen.modes, (std::vector<int>{0, 7, 0, 1}));
        EXPECT_EQ(RunToInput(), "");
        EXPECT_EQ(m_Engine->Message().Text(), c.reached);
        EXPECT_EQ(Var("place"), 0);
        EXPECT_EQ(Var("day"), 0);
        EXPECT_EQ(Var("time"), 1);
        EXPECT_EQ(Var("met"), c.event == ",,," ? -999 : 1);
    }
}

TEST_F(ExtraModesTest, AMapThatCannotStartEndsTheGame) {
    struct Case {
        const char* name;
        const char* line;
        std::function<void()> prepare;
        const char* error;
        const char* record;
    } cases[] = {
        {"no file", ":warpmap", [] {}, "WarpMapモードを起動できませんでした", nullptr},
        {"missing", ":warpmap none.ini", [] {}, "WarpMapモードを起動できませんでした",
         "WarpMap設定ファイル none.ini が見つかりません"},
        {"day past the table", ":warpmap map.ini p d t", [this] {
             Map(",,,");
             m_Engine->Variables().Set("d", 3);
         }, "WarpMapモードを起動できませんでした", "<game>"},
        // The time variable already at the last slot: the day ends at once, into nowhere.
        {"jump target", ":warpmap map.ini p d time", [this] { Map(",,,", "#nowhere"); },
         "commandJump : シナリオジャンプ先パラグラフ #nowhere が見つかりません", nullptr},
        {"picture", ":warpmap map.ini", [this] {
             Map(",,,");
             m_Dir.WriteBytes("chip.png", "broken");
         }, "WarpMapモードを起動できませんでした", "chip.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start("#start\nfirst\n");
        c.prepare();
        m_Engine->Variables().Set("t", 1);
        m_Engine->Variables().Set("time", 1);
        EXPECT_EQ(Fatal(c.line), c.error);
        // A map that never started gives the script's mode back.
        if (std::string(c.error).rfind("WarpMap", 0) == 0) {
            EXPECT_EQ(m_Engine->Mode(), TGameMode::Script);
        }
        const TStringList records = Records();
        if (c.record) {
            ASSERT_EQ(records.size(), 1u);
            EXPECT_NE(records[0].find(c.record), std::string::npos) << records[0];
        }
    }
}

}  // namespace
