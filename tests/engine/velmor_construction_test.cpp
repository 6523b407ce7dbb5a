#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "engine/velmor.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/test_message_responder.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "tests/support/engine_services.h"
#include "tests/support/temp_folder.h"

namespace {

class VelmorTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::MessageBox::SetCurrent(&m_Boxes);
        m_DllRes =
            std::make_unique<TyxDllRes>(std::string(VELMOR_BINARY_DIR) + "/bin/VELMORRC.DLL", true);
        m_SavedFolder = platform::FileSystem::CurrentFolder();
        platform::FileSystem::SetCurrentFolder(m_Dir.Str());
    }
    void TearDown() override {
        platform::FileSystem::SetCurrentFolder(m_SavedFolder);
        platform::MessageBox::SetCurrent(nullptr);
    }
    std::unique_ptr<TVelmor> Make(const std::string& project = "game.vsc") {
        return std::make_unique<TVelmor>(m_Dir.Str() + project, SJ("ＭＳ ゴシック"),
                                         EngineServices(m_DllRes.get(), nullptr, &m_Errors));
    }

    TempFolder m_Dir;
    TempFolder m_Home;
    ScopedDataHome m_DataHome{m_Home.Str()};
    platform::TestMessageResponder m_Boxes;
    std::unique_ptr<TyxDllRes> m_DllRes;
    TStringList m_Errors;
    std::string m_SavedFolder;
};

TEST_F(VelmorTest, ProjectWithoutScreenSectionUsesDefaultGeometry) {
    m_Dir.WriteSjis("game.vsc", "<velmor>\nTitle=テスト\n</velmor>\n");
    auto engine = Make();
    EXPECT_EQ(engine->SystemData().Width, 800);
    EXPECT_EQ(engine->SystemData().Height, 600);
    EXPECT_EQ(engine->SystemData().Title, SJ("テスト"));
    EXPECT_EQ(engine->SystemData().MessageWindowPoint, (TPoint{400, 581}));
    EXPECT_EQ(engine->SystemData().FacePoint, (TPoint{400, 600}));
    EXPECT_EQ(engine->Scene().Face().PositionX(), 400);
    EXPECT_EQ(engine->Scene().Face().PositionY(), 600);
    EXPECT_EQ(engine->Scene().FontHeight(), 18);
    // The message window stands on its bottom centre; the text area starts inside its border.
    const TSprite& mw = engine->Scene().MessageWindow();
    ASSERT_GT(mw.Width(), 0);
    EXPECT_EQ(mw.Bottom(), 581);
    EXPECT_EQ(engine->Scene().TextArea().Left, mw.Left() + 10);
    EXPECT_EQ(engine->Scene().TextArea().Top, mw.Top() + 10);
    EXPECT_EQ(engine->Scene().TextArea().Bottom, 600);
    EXPECT_EQ(engine->Scene().ShadowRect(0).Left, engine->Scene().TextArea().Left - 1);
    EXPECT_EQ(engine->Scene().ShadowRect(7).Top, engine->Scene().TextArea().Top + 1);
    const int row = (mw.Bottom() - 10 - engine->Scene().TextArea().Top) / 4;
    EXPECT_EQ(engine->Choices().Row(3).Top, engine->Scene().TextArea().Top + 3 * row);
    EXPECT_EQ(engine->Choices().Row(3).Bottom, engine->Scene().TextArea().Top + 4 * row);
    EXPECT_TRUE(m_Boxes.Records().empty());
}

TEST_F(VelmorTest, MiniFaceListsFillGapsWithDefaults) {
    m_Dir.WriteSjis(
        "game.vsc",
        "<Screen>\nWidth=640\nHeight=480\n</Screen>\n"
        "<MiniFace>\nCount=3\nX=100,,300\nY=50\nReverse=1,0,1\nBasePoint=1,,9\n</MiniFace>\n");
    auto engine = Make();
    ASSERT_EQ(engine->Scene().MiniFaceCount(), 3);
    const auto& d = engine->SystemData();
    EXPECT_EQ(d.MiniFacePoint[0].x, 100);
    EXPECT_EQ(d.MiniFacePoint[1].x, 640 / 6);
    EXPECT_EQ(d.MiniFacePoint[2].x, 300);
    EXPECT_EQ(d.MiniFacePoint[0].y, 50);
    EXPECT_EQ(d.MiniFacePoint[1].y, 240);
    EXPECT_EQ(d.MiniFaceBasePoint[1], 5);
    EXPECT_TRUE(engine->Scene().MiniFace(0).Mirrored());
    EXPECT_FALSE(engine->Scene().MiniFace(1).Mirrored());
    EXPECT_TRUE(engine->Scene().MiniFace(2).Mirrored());
}

TEST_F(VelmorTest, SystemStateGoesToThePerUserFolderUnlessOneLiesBesideTheProject) {
    m_Dir.WriteSjis("game.vsc", "<velmor>\nCompany=Acme\nProduct=Tale\n</velmor>\n");
    {
        auto engine = Make();
        EXPECT_EQ(platform::FileSystem::ToHostPath(engine->SystemStatePath()),
                  m_Home.Str() + "velmor/Acme/Tale/game.vss");
    }
    // Written at destruction, with the unfinished game leaving Finished out.
    const auto written = m_Home.Path() / "velmor/Acme/Tale/game.vss";
    ASSERT_TRUE(std::filesystem::exists(written));
    EXPECT_EQ(m_Home.ReadUtf8(written).find("Finished"), std::string::npos);

    m_Dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimationSpeed=40\n</SystemState>\n");
    auto engine = Make();
    EXPECT_EQ(platform::FileSystem::ToHostPath(engine->SystemStatePath()),
              m_Dir.Str() + "game.vss");
    EXPECT_EQ(engine->SystemState().MessageAnimationSpeed, 40);
    engine.reset();
    // A project named without a folder lies in the current one.
    engine = std::make_unique<TVelmor>("game.vsc", SJ("ＭＳ ゴシック"),
                                       EngineServices(m_DllRes.get(), nullptr, &m_Errors));
    EXPECT_EQ(platform::FileSystem::ToHostPath(engine->SystemStatePath()),
              m_Dir.Str() + "game.vss");
}

// A game on a disc or in a write-protected folder: the state file beside the project is read,
// then it and its saves live in the per-user folder, without a question, from then on.
TEST_F(VelmorTest, AStateFileThatCannotBeChangedMovesToThePerUserFolderWithItsSaves) {
    namespace fs = std::filesystem;
    using fs::perms;
    const perms kFile = perms::owner_read | perms::owner_write | perms::group_read;
    const perms kFolder = perms::owner_all | perms::group_read | perms::group_exec;
    const perms kReadOnlyFile = perms::owner_read | perms::group_read;
    const perms kReadOnlyFolder = perms::owner_read | perms::owner_exec;
    struct Case {
        perms file, folder;
        bool perUser;
    } const cases[] = {
        {kFile, kFolder, false},
        {kReadOnlyFile, kFolder, true},
        {kFile, kReadOnlyFolder, true},
        {kReadOnlyFile, kReadOnlyFolder, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "case" + std::to_string(++n);
        SCOPED_TRACE(name);
        m_Dir.WriteSjis(name + "/game.vsc",
                        "<velmor>\nCompany=Acme\nProduct=" + name + "\nStartScript=\n</velmor>\n");
        m_Dir.WriteSjis(name + "/game.vss",
                        "<SystemState>\nMessageAnimationSpeed=40\n"
                        "</SystemState>\n<SaveData>\n1=slot1\n</SaveData>\n");
        m_Dir.WriteBytes(name + "/game/slot1", "saved game");
        const fs::path folder = m_Dir.Path() / name;
        const std::string original = m_Dir.ReadUtf8(folder / "game.vss");
        fs::permissions(folder / "game.vss", c.file);
        fs::permissions(folder, c.folder);
        const fs::path perUser = m_Home.Path() / "velmor/Acme" / name;
        for (int start = 0; start < 2; ++start) {
            auto engine = Make(name + "/game.vsc");
            EXPECT_EQ(platform::FileSystem::ToHostPath(engine->SystemStatePath()),
                      ((c.perUser ? perUser : folder) / "game.vss").string());
            // The second start reads what the first one wrote, not the original again.
            EXPECT_EQ(engine->SystemState().MessageAnimationSpeed, start == 0 ? 40 : 55);
            engine->SystemState().MessageAnimationSpeed = 55;
        }
        const fs::path written = (c.perUser ? perUser : folder) / "game.vss";
        EXPECT_NE(m_Dir.ReadUtf8(written).find("MessageAnimationSpeed=55"), std::string::npos);
        EXPECT_NE(m_Dir.ReadUtf8(written).find("1=slot1"), std::string::npos);
        if (c.perUser) {
            EXPECT_EQ(m_Dir.ReadUtf8(folder / "game.vss"), original);
            EXPECT_EQ(m_Dir.ReadUtf8(perUser / "game/slot1"), "saved game");
        }
        fs::permissions(folder, kFolder);
    }
    EXPECT_TRUE(m_Boxes.Records().empty());
    EXPECT_TRUE(m_Errors.empty());
}

TEST_F(VelmorTest, EmptyCompanyAddsNoFolderLevel) {
    m_Dir.WriteSjis("story.vsc", "<velmor>\nProduct=Only\nVssFileName=save.vss\n</velmor>\n");
    auto engine = Make("story.vsc");
    EXPECT_EQ(platform::FileSystem::ToHostPath(engine->SystemStatePath()),
              m_Home.Str() + "velmor/Only/save.vss");
}

TEST_F(VelmorTest, SystemStateKeepsForeignSectionsAndAFinishedGame) {
    m_Dir.WriteSjis("game.vsc", "<velmor>\nTitle=x\n</velmor>\n");
    m_Dir.WriteSjis(
        "game.vss",
        "<Mine>\nkeep=me\n</Mine>\n<SystemState>\nFinished=1\nWindowMode=0\n</SystemState>\n"
        "<Paragraph>\n#a\n#b\n</Paragraph>\n");
    {
        auto engine = Make();
        int32_t finished = 0;
        ASSERT_TRUE(engine->Variables().Get("VELMOR@finished", finished));
        EXPECT_EQ(finished, 1);
        EXPECT_FALSE(engine->SystemState().WindowMode);
        EXPECT_EQ(engine->SystemState().ReadParagraphs, (TStringList{"#a", "#b"}));
        engine->SystemState().Finished = false;  // never clears the stored mark
        engine->SystemState().ReadParagraphs.push_back("#c");
    }
    const std::string text = m_Dir.ReadUtf8(m_Dir.Path() / "game.vss");
    EXPECT_NE(text.find("<Mine>\r\nkeep=me\r\n</Mine>"), std::string::npos);
    EXPECT_NE(text.find("Finished=1"), std::string::npos);
    EXPECT_NE(text.find("<Paragraph>\r\n#a\r\n#b\r\n#c\r\n</Paragraph>"), std::string::npos);
}

TEST_F(VelmorTest, GarbageInTheSystemStateGivesThoseKeysTheirDefaults) {
    m_Dir.WriteSjis("game.vsc", "<velmor>\nTitle=x\n</velmor>\n");
    m_Dir.WriteSjis(
        "game.vss",
        "<SystemState>\nMessageAnimationSpeed=fast\nNoReadTextSkip=0yes\nFinished=\n"
        "MessageAnimation=no\n</SystemState>\n<Sound>\nBGMVolume=1e3\nVoiceVolume=$7\n</Sound>\n");
    auto engine = Make();
    const auto& state = engine->SystemState();
    EXPECT_EQ(state.MessageAnimationSpeed, 10);
    EXPECT_FALSE(state.NoReadTextSkip);
    EXPECT_FALSE(state.Finished);
    EXPECT_TRUE(state.MessageAnimation);  // anything not starting with 0 is true
    EXPECT_EQ(state.BGMVolume, 10);
    EXPECT_EQ(state.VoiceVolume, 7);
}

TEST_F(VelmorTest, MissingProjectFileStartsWithDefaultsAndNoScript) {
    auto engine = Make("absent.vsc");
    EXPECT_EQ(engine->SystemData().Width, 800);
    EXPECT_TRUE(engine->Script().Lines().empty());
    EXPECT_EQ(engine->Script().Position().Line, -1);
    EXPECT_EQ(engine->SystemData().VssFileName, "absent.vss");
}

TEST_F(VelmorTest, StartScriptLoadsOrStopsConstruction) {
    m_Dir.WriteSjis("game.vsc", "<velmor>\nStartScript=Start.TXT\n</velmor>\n");
    try {
        Make();
        FAIL() << "construction went on without its start script";
    } catch (const EEngineError& e) {
        EXPECT_EQ(e.Text(), SJ("TVelmor : Start.TXT がロードできません"));
    }
    // Game paths are found whatever their letter case.
    m_Dir.WriteSjis("start.txt", "#start\nこんにちは\n");
    auto engine = Make();
    EXPECT_EQ(engine->Script().Lines(), (TStringList{"#start", SJ("こんにちは")}));
    EXPECT_EQ(engine->Script().Position().Script, "Start.TXT");
    EXPECT_EQ(engine->Mode(), TGameMode::Script);
}

TEST_F(VelmorTest, ErrorRecordsCarryLineAndKeepTheNewest255) {
    m_Dir.WriteSjis("game.vsc", "");
    auto engine = Make();
    for (int i = 0; i < 300; ++i) engine->AddErrorRecord("e" + std::to_string(i));
    ASSERT_EQ(m_Errors.size(), 255u);
    EXPECT_EQ(m_Errors.front(), "-1: e45 : ");
    EXPECT_EQ(m_Errors.back(), "-1: e299 : ");
}

TEST_F(VelmorTest, CDLocatorForms) {
    std::vector<platform::DriveInfo> drives = {
        {'c', m_Dir.Str(), "SYSTEM", platform::DriveType::Fixed},
        {'d', m_Dir.Str(), "GameDisc", platform::DriveType::CdRom},
    };
    platform::FileSystem::SetDriveTableForTests(&drives);
    EXPECT_EQ(TVelmorCD::Locate("VOL:gamedisc", TestApplication()), "d:\\");
    EXPECT_TRUE(m_Boxes.Records().empty());
    // A fixed drive never counts as the game's disc, whatever its label.
    EXPECT_EQ(TVelmorCD::Locate("volume:system", TestApplication()), "");
    ASSERT_EQ(m_Boxes.Records().size(), 1u);
    EXPECT_EQ(m_Boxes.Records()[0].text.substr(0, SJ("ゲームのCDが見つかりません。").size()),
              SJ("ゲームのCDが見つかりません。"));
    EXPECT_EQ(TVelmorCD::Locate("d:\\", TestApplication()), "");  // no prefix finds nothing
    EXPECT_EQ(m_Boxes.Records().size(), 2u);
    EXPECT_EQ(TVelmorCD::Locate("", TestApplication()), "");
    EXPECT_EQ(m_Boxes.Records().size(), 2u);
    platform::FileSystem::SetDriveTableForTests(nullptr);
}

}  // namespace
