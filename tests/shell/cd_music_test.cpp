// CD music through the main window: ripped tracks standing in for the drive, the loop of a
// track that ended, the tracks the disc does not have, and the requests on the way out.
#include <gtest/gtest.h>

#include <QApplication>

#include "engine/velmor.h"
#include "engine/velmor_snapshot.h"
#include "engine/velmor_sound_channels.h"
#include "platform/cd_audio.h"
#include "platform/clock.h"
#include "platform/fake_cd_audio.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/test_message_responder.h"
#include "platform/virtual_clock.h"
#include "resources/sjis_text.h"
#include "shell/form_main.h"
#include "sound/cd_audio.h"
#include "tests/support/game_window_test.h"

namespace {

using platform::CdAudio;
using platform::FakeCdAudio;

class CdMusicTest : public GameWindowTest {
protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        CdAudio::SetCurrent(&m_Drive);
        m_Drive.SetDisc({75 * 10, 75 * 20, 75 * 30, 75 * 40, 75 * 50});
        m_Dir.WriteSjis("game.vsc",
                        "<velmor>\nStartScript=start.txt\n</velmor>\n"
                        "<Sound>\nCDRomDrive=vol:NOSUCHDISC\n</Sound>\n");
        std::filesystem::remove(m_Dir.Path() / "game.vss");
    }
    void TearDown() override {
        GameWindowTest::TearDown();
        CdAudio::SetCurrent(nullptr);
    }
    void Confirm() {
        m_Form->DeliverInput(TInputCode::Confirm, -1, -1);
        Settle();
    }
    std::vector<FakeCdAudio::Command> Named(const std::string& name) const {
        std::vector<FakeCdAudio::Command> out;
        for (const auto& c : m_Drive.Log())
            if (c.name == name) out.push_back(c);
        return out;
    }

    FakeCdAudio m_Drive;
};

TEST_F(CdMusicTest, RippedTracksStandInForTheDriveAndATrackThatEndsPlaysAgain) {
    std::filesystem::create_directories(m_Dir.Path() / "cD");
    TVelmor& engine = Start("#start\n*cd 5\n一\n*cd 6\n二\n*cd pause\n三\n*cd replay\n四\n");
    // No "no CD" message: the folder is the CD, opened with no drive named.
    EXPECT_TRUE(m_Boxes.Records().empty());
    ASSERT_NE(engine.CD().Audio(), nullptr);
    ASSERT_EQ(Named("open").size(), 1u);
    EXPECT_EQ(Named("open")[0].from, 0u);
    EXPECT_EQ(engine.CD().Audio()->TrackCount(), 5);
    // Track 5 of 5 plays to the end of the disc, with notification.
    ASSERT_EQ(Named("play").size(), 1u);
    EXPECT_EQ(Named("play")[0], (FakeCdAudio::Command{"play", engine.CD().Audio()->Device(),
                                                      CdAudio::Tmsf(5), 0, true}));
    // Its normal end reaches the window later, from the sound thread, and plays it again.
    ASSERT_TRUE(m_Drive.FinishPlay());
    EXPECT_EQ(Named("play").size(), 1u);
    QApplication::processEvents();
    ASSERT_EQ(Named("play").size(), 2u);
    EXPECT_EQ(Named("play")[1].from, CdAudio::Tmsf(5));
    // A stopped track does not loop.
    m_Drive.ClearLog();
    engine.CD().Audio()->Stop();
    QApplication::processEvents();
    EXPECT_TRUE(Named("play").empty());

    // Track 6 of 5: nothing plays, but the engine remembers it and a save keeps it.
    Confirm();
    EXPECT_EQ(engine.Channels().CDTrack(), 6);
    EXPECT_TRUE(Named("play").empty());
    EXPECT_EQ(engine.Snapshot().CDTrack, 6);
    // Pause and replay reach the device; track 6 is still refused on the replay's loop.
    m_Drive.SetPosition(CdAudio::Tmsf(5, 0, 3));
    Confirm();
    EXPECT_EQ(Named("position").size(), 1u);
    Confirm();
    ASSERT_EQ(Named("play").size(), 1u);
    EXPECT_EQ(Named("play")[0].from, CdAudio::Tmsf(5, 0, 3));

    // Closing the game stops and closes the device.
    m_Drive.ClearLog();
    m_Form->close();
    m_Form.reset();
    EXPECT_EQ(Named("stop").size(), 1u);
    EXPECT_EQ(Named("close").size(), 1u);
    EXPECT_EQ(m_Drive.OpenDevices(), 0);
}

TEST_F(CdMusicTest, WithoutDriveOrFolderThePlayerIsToldAndNoCDIsPlayed) {
    TVelmor& engine = Start("#start\n*cd 2\n一\n");
    ASSERT_EQ(m_Boxes.Records().size(), 1u);
    EXPECT_NE(platform::SjisToUtf8(m_Boxes.Records()[0].text).find("ゲームのCDが見つかりません"),
              std::string::npos);
    EXPECT_EQ(engine.CD().Audio(), nullptr);
    EXPECT_TRUE(m_Drive.Log().empty());
    EXPECT_EQ(engine.Channels().CDTrack(), 2);
}

}  // namespace
