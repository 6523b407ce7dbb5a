#include "shell/form_main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>

#include "engine/velmor.h"
#include "platform/file_system.h"
#include "platform/joystick.h"
#include "platform/message_box.h"
#include "platform/test_message_responder.h"
#include "resources/bcl_manager.h"
#include "resources/engine_key.h"
#include "resources/sjis_text.h"
#include "shell/display_image.h"
#include "shell/form_main.h"
#include "tests/support/game_window_test.h"
#include "windows/form_info.h"
#include "windows/form_option.h"

namespace {

class FormMainTest : public GameWindowTest {
protected:
    // Each test writes the game files its start-up needs, and only those.
    void SetUp() override {
        GameWindowTest::SetUp();
        std::filesystem::remove(m_Dir.Path() / "game.vsc");
        std::filesystem::remove(m_Dir.Path() / "game.vss");
    }
};

TEST_F(FormMainTest, StartsAWindowOfTheProjectSizeAndWritesStateOnClose) {
    m_Dir.WriteSjis("game.vsc",
                    "<velmor>\nTitle=灯台\nStartScript=start.txt\n</velmor>\n"
                    "<Screen>\nWidth=640\nHeight=480\n</Screen>\n");
    m_Dir.WriteSjis("start.txt", "#start\nはじまり\n");
    m_Dir.WriteSjis("game.vss", "<SystemState>\nWindowMode=1\n</SystemState>\n");
    {
        TFormMain form;
        ASSERT_TRUE(form.FormCreate({Project()}));
        EXPECT_TRUE(Texts().empty());
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.isEnabled());
        EXPECT_EQ(form.windowTitle(), QString::fromUtf8("灯台"));
        EXPECT_EQ(form.ImgPrim()->Image().size(), QSize(640, 480));
        EXPECT_EQ(form.ImgPrim()->Image().pixel(10, 10), qRgb(255, 255, 255));
        EXPECT_FALSE(form.DeveloperMode());
        EXPECT_EQ(form.MenuImages().Count(), 9);
        // The current folder is the project's, so game paths resolve there.
        EXPECT_EQ(platform::FileSystem::ToHostPath("START.TXT"), m_Dir.Str() + "start.txt");
        form.Engine()->SystemState().MessageAnimationSpeed = 70;
        form.close();
        EXPECT_EQ(form.Engine(), nullptr);
    }
    EXPECT_NE(m_Dir.ReadUtf8(m_Dir.Path() / "game.vss").find("MessageAnimationSpeed=70"),
              std::string::npos);
}

TEST_F(FormMainTest, AFullScreenStartStaysFullScreenInEveryReportAndInTheStateFile) {
    m_Dir.WriteSjis("game.vsc",
                    "<velmor>\nStartScript=start.txt\n</velmor>\n"
                    "<Screen>\nWidth=320\nHeight=240\n</Screen>\n");
    m_Dir.WriteSjis("start.txt", "#start\nはじまり\n");
    m_Dir.WriteSjis("game.vss", "<SystemState>\nWindowMode=0\n</SystemState>\n");
    {
        TFormMain form;
        ASSERT_TRUE(form.FormCreate({Project()}));
        EXPECT_TRUE(Texts().empty());
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(form.Engine()->SystemState().WindowMode);
        // The options dialog is told full screen, and cancelling it changes nothing.
        bool offered = false;
        form.SetOptionDialogDriver([&](TFormOption& d) {
            offered = d.m_CBWindowMode->isChecked();
            d.Cancel();
        });
        form.m_ActSystemOptionExecute();
        EXPECT_TRUE(offered);
        EXPECT_FALSE(form.Engine()->SystemState().WindowMode);
        form.close();
    }
    const std::string state = m_Dir.ReadUtf8(m_Dir.Path() / "game.vss");
    EXPECT_NE(state.find("WindowMode=0"), std::string::npos) << state;
}

TEST_F(FormMainTest, MissingArchivesAreNamedInOneMessageAndTheGameGoesOn) {
    m_Dir.WriteBytes("present.bcl", "[BinaryCombineData]\r\np.bcd\r\n[x]\r\nzz\r\n1\r\n");
    m_Dir.WriteSjis("game.vsc", "<BCL>\n" + m_Dir.Str() + "gone1.bcl\n" + m_Dir.Str() +
                                    "present.bcl\n" + m_Dir.Str() + "gone2.bcx\n</BCL>\n");
    TFormMain form;
    ASSERT_TRUE(form.FormCreate({Project()}));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], m_Dir.Str() + "gone1.bcl\r\n" + m_Dir.Str() +
                              "gone2.bcx\r\n以上のファイルが見つかりません。");
    EXPECT_EQ(m_Boxes.Records()[0].icon, platform::MessageIcon::Warning);
    // The one that exists but cannot be read: named in the records, not in a box.
    ASSERT_EQ(form.FormInfo()->ErrorLines().size(), 1u);
    const std::string record = platform::SjisToUtf8(form.FormInfo()->ErrorLines()[0]);
    EXPECT_NE(record.find("アーカイブが読めません"), std::string::npos) << record;
    EXPECT_NE(record.find("present.bcl"), std::string::npos) << record;
    form.close();
}

// The program is not kept in the game's folder here: archive names of the list are looked
// for beside the project file as well, and only one found in neither place is reported.
TEST_F(FormMainTest, ArchivesOfTheListAreFoundBesideTheProjectFile) {
    struct Row {
        const char* listed;
        const char* present;  // made in the project's folder
        std::string message;
    };
    const Row rows[] = {
        {"arc\\DATA.BCL", "arc/DATA.BCL", ""},
        {"ARC\\data.bcl", "arc/DATA.BCL", ""},
        {"arc\\gone.bcl", "arc/DATA.BCL",
         m_Dir.Str() + "arc\\gone.bcl\r\n以上のファイルが見つかりません。"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.listed);
        m_Boxes.Clear();
        m_Dir.WriteBytes(r.present, "[BinaryCombineData]\r\n");
        m_Dir.WriteSjis("game.vsc", std::string("<BCL>\n") + r.listed + "\n</BCL>\n");
        TFormMain form;
        ASSERT_TRUE(form.FormCreate({Project()}));
        EXPECT_EQ(Texts(), r.message.empty() ? std::vector<std::string>{}
                                             : std::vector<std::string>{r.message});
        form.close();
    }
}

// Game data climbs out of the project's folder with "..\\" as the original lets it, within
// the game's tree; what lies beyond it is refused with a record, never silently.
TEST_F(FormMainTest, DataBesideTheProjectFolderIsReadAndFartherIsRecorded) {
    TempFolder far;
    far.WriteBytes("far.bcd", "far bytes");
    m_Dir.WriteBytes("pics/bg.png", "picture");
    m_Dir.WriteBytes("shared/data.bcd", std::string(16, '-') + "shared bytes");
    m_Dir.WriteSjis("game/near.bcx",
                    "<?bcd?>\nBCDFileName=..\\shared\\data.bcd\n</?bcd?>\n"
                    "<m.txt>\naddress=16\nsize=12\n</m.txt>\n");
    m_Dir.WriteSjis("game/far.bcl", "[BinaryCombineData]\n..\\..\\" +
                                        far.Path().filename().string() +
                                        "\\far.bcd\n[f.txt]\n0\n3\n");
    m_Dir.WriteSjis("game/game.vsc", "<velmor>\n</velmor>\n");
    TFormMain form;
    ASSERT_TRUE(form.FormCreate({Project("game/game.vsc")}));
    EXPECT_TRUE(platform::FileSystem::FileExists("..\\pics\\bg.png"));
    const TyxBCLManager& manager = *form.Engine()->Services().manager;
    TMemoryStream stream;
    ASSERT_TRUE(manager.LoadStream(stream, "M.TXT"));
    EXPECT_EQ(std::string(stream.Data(), stream.Data() + stream.Size()), "shared bytes");
    EXPECT_FALSE(manager.LoadStream(stream, "f.txt"));
    ASSERT_EQ(form.FormInfo()->ErrorLines().size(), 1u);
    const std::string record = platform::SjisToUtf8(form.FormInfo()->ErrorLines()[0]);
    EXPECT_NE(record.find("ファイルを使えません " + far.Str() + "far.bcd"), std::string::npos)
        << record;
    EXPECT_NE(record.find("outside the game's folders"), std::string::npos) << record;
    form.close();
}

TEST_F(FormMainTest, MissingStartScriptStopsStartUpWithItsMessage) {
    m_Dir.WriteSjis("game.vsc", "<velmor>\nStartScript=nothere.txt\n</velmor>\n");
    TFormMain form;
    EXPECT_FALSE(form.FormCreate({Project()}));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "TVelmor : nothere.txt がロードできません");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Engine(), nullptr);
}

TEST_F(FormMainTest, MarkerFileEnablesDeveloperModeAndMissingIconIsRecorded) {
    m_Dir.WriteSjis("game.vsc", "<velmor>\nIcon=none.ico\n</velmor>\n");
    m_Dir.WriteBytes(platform::SjisToUtf8(EngineKeyText()), "");
    TFormMain form;
    ASSERT_TRUE(form.FormCreate({Project()}));
    EXPECT_TRUE(form.DeveloperMode());
    EXPECT_FALSE(form.FormInfo()->Restricted());
    EXPECT_TRUE(form.acceptDrops());
    ASSERT_EQ(form.FormInfo()->ErrorLines().size(), 1u);
    EXPECT_EQ(platform::SjisToUtf8(form.FormInfo()->ErrorLines()[0]),
              "-1: アイコンファイル none.ico が見つからない : ");
    form.close();
}

TEST_F(FormMainTest, AnArgumentThatIsNoProjectFileIsIgnored) {
    // With no project found beside the program, the player is asked and declines.
    m_Boxes.PushAnswer(platform::MessageAnswer::Ok);
    m_Boxes.PushAnswer(platform::MessageAnswer::No);
    TFormMain form;
    EXPECT_FALSE(form.FormCreate({Project("readme.txt")}));
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"シナリオファイルが見つかりません。",
                                        "シナリオファイルを直接指定しますか？", "終了します"}));
    EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[1].caption), "確認");
}

}  // namespace
