// The gallery and the scene list around the script: entering and leaving modes 4 and 5, the
// clicks that reach them, replayed scenes to their end and back, and the construction errors.
#include "modes/cg_mode.h"
#include "modes/event_mode.h"
#include "tests/engine/command_fixture.h"

namespace {

constexpr uint32_t kThumb = 0x2255AA, kBack = 0x404040;

// A 160 x 120 page: two cells of 40 x 30 at (10,10) and (60,10), buttons of 20 x 20 at the
// bottom: exit (10,90), previous (80,90), next (110,90).
class GalleryCommandTest : public CommandTest {
protected:
    std::string Layout(const char* grid) {
        Picture("back.png", 160, 120, kBack);
        for (const char* b : {"exit", "prev", "next"})
            Picture(std::string(b) + ".png", 20, 20, 0xC0C0C0);
        return std::string("<") + grid + ">\nImageCount=2,1\nThumbnailSize=40,30\n</" + grid +
               ">\n<Image>\nBackground=back.png\nExitButton=exit.png\nPrevButton=prev.png\n"
               "NextButton=next.png\n</Image>\n<Size>\nGap=10,10\n</Size>\n<Position>\n"
               "Thumbnail=10,10\nExitButton=10,90\nPrevButton=80,90\nNextButton=110,90\n"
               "</Position>\n";
    }
    // A game whose project names the given description files.
    TVelmor& StartWith(const std::string& script, const std::string& keys) {
        m_Dir.WriteSjis("game.vsc", "<velmor>\nStartScript=start.txt\n" + keys +
                                        "</velmor>\n<Screen>\nWidth=160\nHeight=120\n</Screen>\n");
        m_Dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n");
        m_Dir.WriteSjis("start.txt", script);
        m_Engine = std::make_unique<TVelmor>(
            m_Dir.Str() + "game.vsc", SJ("ＭＳ ゴシック"),
            EngineServices(m_DllRes.get(), nullptr, &m_Errors));
        m_Engine->SetMonitor(&m_Seen);
        m_Errors.clear();
        return *m_Engine;
    }
    // Clears the wait the message set, then runs to the next.
    std::string Next() {
        m_Engine->ModeObject().Input(TInputCode::Confirm, -1, -1);
        return RunToInput();
    }
    void Click(int x, int y) { m_Engine->ModeObject().Input(TInputCode::Confirm, x, y); }
    uint32_t At(int x, int y) { return m_Engine->Scene().Screen().Image().Pixel(x, y) & 0xFFFFFF; }
    int Mode() { return CodeOf(m_Engine->Mode()); }
};

TEST_F(GalleryCommandTest, TheGalleryTakesOnlyMouseClicksAndHandsBackToTheScript) {
    Picture("ev1.png", 160, 120, 0x112233);
    Picture("ev1s.png", 40, 30, kThumb);
    m_Dir.WriteSjis("cg.ini",
                    Layout("CGMode") + "<ImageList>\nev1.png,ev1s.png\nev2.png\n</ImageList>\n");
    StartWith("#start\nbefore\n:cgmode\nafter\n", "CGModeProject=cg.ini\n");
    m_Engine->SystemState().EventCG = {"EV1.PNG"};
    ASSERT_EQ(RunToInput(), "");
    ASSERT_EQ(Next(), "");
    ASSERT_EQ(Mode(), 4);
    EXPECT_TRUE(m_Engine->Flow().ClickWait);
    EXPECT_EQ(At(10, 10), kThumb);
    EXPECT_EQ(At(5, 5), kBack);
    const TVelmorGameMode::TMenu menu = m_Engine->ModeObject().Menu();
    EXPECT_FALSE(menu.messageItems || menu.saveLoad);

    // Keys, the wheel's skip and the keyboard confirm do nothing; skip mode goes off.
    m_Engine->Flow().Skip = true;
    for (TInputCode code :
         {TInputCode::SkipHeld, TInputCode::HideWindow, TInputCode::Up, TInputCode::Last})
        m_Engine->ModeObject().Input(code, 10, 10);
    m_Engine->ModeObject().Input(TInputCode::Confirm, -1, -1);
    EXPECT_FALSE(m_Engine->Flow().Skip);
    EXPECT_FALSE(m_Engine->Galleries().Gallery()->Viewing());
    Click(15, 15);
    EXPECT_TRUE(m_Engine->Galleries().Gallery()->Viewing());
    EXPECT_EQ(At(100, 100), 0x112233u);
    Click(15, 15);
    Click(12, 92);  // exit
    EXPECT_EQ(Mode(), 1);
    EXPECT_FALSE(m_Engine->Galleries().Gallery()->Entered());
    EXPECT_TRUE(m_Engine->Scene().Background().Visible());
    EXPECT_EQ(m_Seen.modes, (std::vector<int>{4, 1}));
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), "after");
}

TEST_F(GalleryCommandTest, AReplayedSceneEndsOnItsListAndTheListReturnsToWhereItOpened) {
    m_Dir.WriteSjis("ev.ini", Layout("EventMode") +
                                  "<EventList>\ns1,#scene1\ns2,#scene2,start.txt\nlonely\n"
                                  "s3,#nothere\n</EventList>\n");
    StartWith(
        "#start\n:sceneend\n:sceneset S1\n:sceneset s2\n:sceneset s3\n:scenemode\nback\n"
        "#scene1\nin one\n:sceneend\n#scene2\nin two\n:scenemode\n",
        "EventModeProject=ev.ini\n");
    std::vector<int> cd;
    m_Engine->Hooks().cdControl = [&](TCDRequest r) { cd.push_back(CodeOf(r)); };
    ASSERT_EQ(RunToInput(), "");
    ASSERT_EQ(Mode(), 5);  // sceneend outside a replay did nothing
    EXPECT_EQ(m_Engine->Galleries().SceneList()->EntryCount(), 3u);
    EXPECT_EQ(m_Engine->Script().SceneReturnPosition().Line, 5);
    EXPECT_EQ(m_Seen.sounds, TStringList{});

    const struct {
        int x;
        const char* message;
    } scenes[] = {{15, "in one"}, {65, "in two"}};  // sceneend, then scenemode acting as it
    for (const auto& scene : scenes) {
        m_Seen.sounds.clear();
        cd.clear();
        Click(scene.x, 15);
        ASSERT_EQ(Mode(), 1) << scene.message;
        EXPECT_TRUE(m_Engine->Galleries().SceneReplayActive());
        ASSERT_EQ(RunToInput(), "");
        EXPECT_EQ(m_Engine->Message().Text(), scene.message);
        ASSERT_EQ(Next(), "");
        EXPECT_EQ(Mode(), 5) << scene.message;
        EXPECT_FALSE(m_Engine->Galleries().SceneReplayActive());
        ASSERT_EQ(m_Seen.sounds.size(), 2u);
        EXPECT_EQ(m_Seen.sounds[0].substr(0, 4), "0 3 ");
        EXPECT_EQ(m_Seen.sounds[1].substr(0, 4), "1 3 ");
        EXPECT_EQ(cd, (std::vector<int>{CodeOf(TCDRequest::Stop), CodeOf(TCDRequest::Close)}));
        EXPECT_EQ(At(5, 5), kBack);  // the list is drawn again
    }

    // A scene whose paragraph is missing keeps the list, drawn again, with a record and a
    // box with the game's title instead of the end.
    Click(10, 60);  // no cell there
    EXPECT_EQ(Mode(), 5);
    m_Engine->Galleries().SceneList()->Redraw();
    ASSERT_EQ(m_Engine->Galleries().SceneList()->Page(), 0);
    Click(110, 90);  // next page: the third scene
    m_Boxes.Clear();
    Click(15, 15);
    EXPECT_EQ(Mode(), 5);
    EXPECT_FALSE(m_Engine->Galleries().SceneReplayActive());
    EXPECT_FALSE(m_Engine->Flow().WindowHidden);
    EXPECT_EQ(Records().size(), 1u);
    const std::string missing =
        SJ("commandJump : シナリオジャンプ先パラグラフ #nothere が見つかりません");
    ASSERT_EQ(m_Boxes.Records().size(), 1u);
    EXPECT_EQ(m_Boxes.Records()[0].caption, TestApplication().Title());
    EXPECT_EQ(m_Boxes.Records()[0].text, missing);
    EXPECT_EQ(m_Boxes.Records()[0].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(At(5, 5), kBack);
    EXPECT_EQ(At(12, 92), 0xC0C0C0u);  // the exit button shows

    Click(10, 90);  // exit
    EXPECT_EQ(Mode(), 1);
    EXPECT_EQ(m_Engine->Script().Position().Script, "start.txt");
    EXPECT_EQ(m_Engine->Script().Position().Line, 5);
    ASSERT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), "back");
    EXPECT_EQ(m_Seen.jumps.back(), "start.txt#start");
}

TEST_F(GalleryCommandTest, MissingDescriptionFilesStopTheConstruction) {
    const struct {
        const char* keys;
        const char* text;
    } cases[] = {
        {"CGModeProject=art\\cg.ini\n", "CGMode設定ファイル cg.ini が見つかりません"},
        {"EventModeProject=ev/list.ini\n", "EventMode設定ファイル list.ini が見つかりません"},
    };
    for (const auto& c : cases) {
        try {
            StartWith("#start\nhello\n", c.keys);
            ADD_FAILURE() << c.keys;
        } catch (const EEngineError& e) {
            EXPECT_EQ(platform::SjisToUtf8(e.Text()), c.text);
        }
    }
    // Without the keys both commands pass.
    StartWith("#start\n:cgmode\n:scenemode\nafter\n", "");
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), "after");
    EXPECT_EQ(m_Engine->Galleries().Gallery(), nullptr);
}

}  // namespace
