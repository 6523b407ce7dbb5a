// The CD device on a fake drive: the commands each request sends, in TMSF time, the retry on a
// fresh device, and the pause positions.
#include "platform/cd_audio.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/fake_cd_audio.h"
#include "platform/virtual_clock.h"
#include "sound/cd_audio.h"

namespace {

using platform::CdAudio;
using platform::FakeCdAudio;
using Command = FakeCdAudio::Command;

class CdAudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Clock::SetCurrent(&m_Clock);
        CdAudio::SetCurrent(&m_Drive);
        m_Clock.Advance(1234);
        m_Drive.SetDisc({75 * 180, 75 * 200, 75 * 240, 75 * 190, 75 * 300});
    }
    void TearDown() override {
        CdAudio::SetCurrent(nullptr);
        platform::Clock::SetCurrent(nullptr);
    }
    // The play commands of the log, as (from, to, notify).
    std::vector<Command> Plays() const {
        std::vector<Command> out;
        for (const Command& c : m_Drive.Log())
            if (c.name == "play") out.push_back(c);
        return out;
    }

    platform::VirtualClock m_Clock;
    FakeCdAudio m_Drive;
    TyxCDAudio::Window m_Window = [this](uint32_t device, uint32_t code) {
        m_Notified.push_back({device, code});
    };
    std::vector<std::pair<uint32_t, uint32_t>> m_Notified;
};

TEST_F(CdAudioTest, OpeningNamesTheDriveAndANewAliasEachTimeAndClosesTheFirst) {
    TyxCDAudio cd{m_Clock};
    EXPECT_EQ(cd.DriveIndex(), 0);
    EXPECT_TRUE(cd.DriveGiven());
    EXPECT_EQ(cd.Device(), 0u);
    ASSERT_TRUE(cd.OpenDrive(3));
    EXPECT_EQ(cd.TrackCount(), 5);
    const uint32_t first = cd.Device();
    EXPECT_EQ(m_Drive.Log(),
              (std::vector<Command>{
                  {"open", 0, 4, 0, false, "CD1234:"}, {"format", first, 10}, {"tracks", first}}));
    m_Clock.Advance(16);
    m_Drive.ClearLog();
    ASSERT_TRUE(cd.OpenDrive(3));
    EXPECT_NE(cd.Device(), first);
    EXPECT_TRUE(cd.IsDevice(cd.Device()));
    EXPECT_FALSE(cd.IsDevice(first));
    ASSERT_GE(m_Drive.Log().size(), 2u);
    EXPECT_EQ(m_Drive.Log()[0], (Command{"close", first}));
    EXPECT_EQ(m_Drive.Log()[1].alias, "CD1250:");
    EXPECT_EQ(m_Drive.OpenDevices(), 1);

    // No drive named: the device is opened without one. A drive with no disc is no CD.
    m_Drive.SetDisc({});
    m_Drive.ClearLog();
    m_Clock.Advance(1);
    EXPECT_FALSE(cd.OpenDrive(-1));
    EXPECT_FALSE(cd.DriveGiven());
    EXPECT_EQ(m_Drive.Log()[1].from, 0u);
    EXPECT_FALSE(cd.PlayTrack(1));
}

TEST_F(CdAudioTest, TracksPlayToTheNextTrackOrTheEndOfTheDiscAndOthersAreRefused) {
    TyxCDAudio cd{m_Clock};
    EXPECT_FALSE(cd.PlayTrack(1));  // not open
    EXPECT_FALSE(cd.Stop());
    EXPECT_FALSE(cd.Close());
    ASSERT_TRUE(cd.OpenDrive(3));
    struct Case {
        int track;
        bool played;
        uint32_t to;
        uint8_t endTrack;
    } const cases[] = {
        {3, true, CdAudio::Tmsf(4), 4},
        {1, true, CdAudio::Tmsf(2), 2},
        {5, true, 0, 0},  // the last track plays to the end of the disc
        {6, false, 0, 0},
        {0, false, 0, 0},
        {-1, false, 0, 0},
    };
    for (const Case& c : cases) {
        m_Drive.ClearLog();
        EXPECT_EQ(cd.PlayTrackNotify(m_Window, c.track), c.played) << c.track;
        if (!c.played) {
            EXPECT_TRUE(Plays().empty()) << c.track;
            continue;
        }
        ASSERT_EQ(Plays().size(), 1u);
        EXPECT_EQ(Plays()[0].from, CdAudio::Tmsf(c.track));
        EXPECT_EQ(Plays()[0].to, c.to);
        EXPECT_TRUE(Plays()[0].notify);
        EXPECT_EQ(cd.CurrentTrack(), c.track);
        EXPECT_EQ(cd.EndTrack(), c.endTrack);
    }
    // The last one that played ends normally: the window hears it from this device.
    ASSERT_TRUE(cd.PlayTrackNotify(m_Window, 5));
    m_Notified.clear();
    ASSERT_TRUE(m_Drive.FinishPlay());
    ASSERT_EQ(m_Notified.size(), 1u);
    EXPECT_TRUE(cd.IsDevice(m_Notified[0].first));
    EXPECT_EQ(m_Notified[0].second, CdAudio::kNotifySuccessful);
    // Without notification nothing is heard.
    m_Notified.clear();
    ASSERT_TRUE(cd.PlayTrack(2));
    m_Drive.FinishPlay();
    EXPECT_TRUE(m_Notified.empty());
}

TEST_F(CdAudioTest, PauseKeepsThePositionAndResumeOrReplayPlaysOnFromIt) {
    TyxCDAudio cd{m_Clock};
    ASSERT_TRUE(cd.OpenDrive(3));
    ASSERT_TRUE(cd.PlayTrackNotify(m_Window, 3));
    const uint32_t at = CdAudio::Tmsf(3, 1, 2, 3);
    m_Drive.SetPosition(at);
    m_Drive.ClearLog();
    ASSERT_TRUE(cd.Pause());
    const uint32_t d = cd.Device();
    EXPECT_EQ(m_Drive.Log(),
              (std::vector<Command>{{"format", d, 10}, {"position", d}, {"stop", d}}));
    EXPECT_EQ(cd.PausedPosition(), at);
    m_Drive.ClearLog();
    ASSERT_TRUE(cd.Resume());
    // From the pause to the start of track 4, without notification.
    EXPECT_EQ(m_Drive.Log(), (std::vector<Command>{{"play", d, at, CdAudio::Tmsf(4), false}}));

    // Replay after a pause plays on from it, notified, so the track loops afterwards.
    ASSERT_TRUE(cd.Pause());
    m_Drive.ClearLog();
    ASSERT_TRUE(cd.Replay(m_Window));
    EXPECT_EQ(m_Drive.Log(), (std::vector<Command>{{"play", d, at, CdAudio::Tmsf(4), true}}));
    EXPECT_EQ(cd.PausedPosition(), 0u);

    // A position that cannot be read twice: the device pauses itself and resumes itself.
    m_Drive.FailNext("position", 2);
    m_Drive.ClearLog();
    ASSERT_TRUE(cd.Pause());
    EXPECT_EQ(m_Drive.Log().back(), (Command{"pause", d}));
    EXPECT_EQ(cd.PausedPosition(), 0u);
    ASSERT_TRUE(cd.Replay(m_Window));
    EXPECT_EQ(m_Drive.Log().back(), (Command{"resume", d, 0, 0, true}));
    ASSERT_TRUE(cd.Pause());  // with a position again
    ASSERT_TRUE(cd.PlayTrack(2));
    // A new track leaves the pause behind.
    EXPECT_EQ(cd.PausedPosition(), 0u);
}

TEST_F(CdAudioTest, AFailedCommandIsSentOnceMoreOnADeviceOpenedAnew) {
    TyxCDAudio cd{m_Clock};
    ASSERT_TRUE(cd.OpenDrive(4));
    const uint32_t first = cd.Device();
    m_Clock.Advance(5);
    m_Drive.FailNext("stop");
    m_Drive.ClearLog();
    EXPECT_TRUE(cd.Stop());
    const uint32_t second = cd.Device();
    EXPECT_NE(second, first);
    EXPECT_EQ(m_Drive.Log(), (std::vector<Command>{{"stop", first},
                                                   {"close", first},
                                                   {"open", 0, 5, 0, false, "CD1239:"},
                                                   {"format", second, 10},
                                                   {"stop", second}}));
    // Failing on the fresh device too: the request fails, and only two attempts were made.
    m_Drive.FailNext("play", 2);
    m_Drive.ClearLog();
    m_Clock.Advance(5);
    EXPECT_FALSE(cd.PlayTrack(2));
    EXPECT_EQ(Plays().size(), 2u);
    // Closing: the device becomes 0 and every later request is refused.
    EXPECT_TRUE(cd.Close());
    EXPECT_EQ(cd.Device(), 0u);
    EXPECT_FALSE(cd.Pause());
    EXPECT_FALSE(cd.Resume());
    EXPECT_FALSE(cd.Replay(m_Window));
    EXPECT_EQ(m_Drive.OpenDevices(), 0);
}

TEST_F(CdAudioTest, DestroyingAnOpenDeviceStopsAndClosesIt) {
    {
        TyxCDAudio cd{m_Clock};
        ASSERT_TRUE(cd.OpenDrive(3));
        ASSERT_TRUE(cd.PlayTrack(1));
        m_Drive.ClearLog();
    }
    ASSERT_EQ(m_Drive.Log().size(), 2u);
    EXPECT_EQ(m_Drive.Log()[0].name, "stop");
    EXPECT_EQ(m_Drive.Log()[1].name, "close");
    EXPECT_EQ(m_Drive.OpenDevices(), 0);
}

}  // namespace
