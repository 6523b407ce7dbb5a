// Ripped tracks standing in for a CD: the folder's numbering, damaged and missing tracks, the
// sound through the mixer, the position and the end notification.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/cd_stream_device.h"
#include "platform/file_system.h"
#include "platform/host_cd_audio.h"
#include "platform/mixer.h"
#include "platform/pumped_mixer_backend.h"
#include "tests/sound/sound_fixtures.h"
#include "tests/support/temp_folder.h"

namespace {

using platform::CdAudio;

std::string Str(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class RippedTracksTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Mixer = std::make_shared<platform::Mixer>(std::make_unique<platform::PumpedMixerBackend>());
        platform::WaveFormatEx f;
        f.wFormatTag = platform::WAVE_FORMAT_PCM;
        f.nChannels = 2;
        f.nSamplesPerSec = 44100;
        f.wBitsPerSample = 16;
        f.nBlockAlign = 4;
        f.nAvgBytesPerSec = 44100 * 4;
        ASSERT_TRUE(m_Mixer->SetPrimaryFormat(f));
        std::filesystem::create_directories(m_Dir.Path() / "Cd");
        // Track 1 is the data track and has no file; 4 is damaged; 5 is Ogg.
        m_Track2 = fixtures::Ramp(44100, 2, 3);
        m_Dir.WriteBytes("Cd/track02.wav", Str(fixtures::MakeWave(fixtures::Bytes16(m_Track2))));
        m_Dir.WriteBytes("Cd/TRACK03.WAV",
                         Str(fixtures::MakeWave(fixtures::Bytes16(fixtures::Ramp(22050, 2, 5)))));
        m_Dir.WriteBytes("Cd/track04.ogg", "OggS this is no sound at all");
        m_Dir.WriteBytes("Cd/track05.ogg",
                         Str(fixtures::EncodeOgg(fixtures::Sine(44100, 2, 44100, 440, 0.3), 2, 44100)));
        m_Dir.WriteBytes("Cd/track5.ogg", "not a track name");
        m_Host.SetTrackFolder(platform::FileSystem::FromHostPath(m_Dir.Str() + "cd"));
        m_Host.SetMixer(m_Mixer);
    }
    // Pulls sound a segment at a time, each once the device has written the next, until the
    // notification came (at most seconds of sound).
    void PumpUntilNotified(uint32_t device, double seconds) {
        platform::CdStreamDevice* cd = m_Host.DeviceFor(device);
        ASSERT_TRUE(cd && cd->WaitStarted(2000));
        std::vector<int16_t> chunk(2 * 11025);
        for (int i = 0; i < seconds * 4 && !m_Code; ++i) {
            const uint64_t filled = cd->Filled();
            m_Mixer->Mix(chunk.data(), 11025);
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (!m_Code && cd->Filled() == filled && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
        }
    }

    TempFolder m_Dir;
    std::shared_ptr<platform::Mixer> m_Mixer;
    platform::HostCdAudio m_Host;
    std::vector<int16_t> m_Track2;
    std::atomic<uint32_t> m_Code{0};
    std::atomic<uint32_t> m_Device{0};
    CdAudio::Notify m_Notify = [this](uint32_t device, uint32_t code) {
        m_Device = device;
        m_Code = code;
    };
};

TEST_F(RippedTracksTest, TheHighestNumberCountsAndOnlyTracksThatDecodeCanPlay) {
    const uint32_t d = m_Host.Open("CD1:", -1);
    ASSERT_NE(d, 0u);
    EXPECT_EQ(m_Host.Open("CD1:", -1), 0u);  // an alias in use
    int count = 0;
    ASSERT_TRUE(m_Host.TrackCount(d, count));
    EXPECT_EQ(count, 5);
    EXPECT_FALSE(m_Host.Play(d, CdAudio::Tmsf(2), 0, nullptr));  // no time format yet
    ASSERT_TRUE(m_Host.SetTimeFormat(d, CdAudio::kFormatTmsf));
    struct Case {
        uint32_t from, to;
        bool plays;
    } const cases[] = {
        {CdAudio::Tmsf(1), CdAudio::Tmsf(2), false},  // no file
        {CdAudio::Tmsf(4), CdAudio::Tmsf(5), false},  // damaged
        {CdAudio::Tmsf(6), 0, false},                 // past the last
        {CdAudio::Tmsf(2, 0, 2), CdAudio::Tmsf(3), false},  // past the track's end
        {CdAudio::Tmsf(5), 0, true},
        {CdAudio::Tmsf(2), CdAudio::Tmsf(3), true},
    };
    for (const Case& c : cases) EXPECT_EQ(m_Host.Play(d, c.from, c.to, nullptr), c.plays) << c.from;
    EXPECT_TRUE(m_Host.Close(d));
    EXPECT_FALSE(m_Host.Close(d));

    // Without the folder (and no disc) there is no device at all.
    m_Host.SetTrackFolder(platform::FileSystem::FromHostPath(m_Dir.Str() + "gone"));
    EXPECT_EQ(m_Host.Open("CD2:", -1), 0u);
}

TEST_F(RippedTracksTest, ATrackPlaysThroughTheMixerAndSaysWhenItEnded) {
    const uint32_t d = m_Host.Open("CD1:", 2);
    ASSERT_NE(d, 0u);
    ASSERT_TRUE(m_Host.SetTimeFormat(d, CdAudio::kFormatTmsf));
    ASSERT_TRUE(m_Host.Play(d, CdAudio::Tmsf(2), CdAudio::Tmsf(3), m_Notify));
    ASSERT_TRUE(m_Host.DeviceFor(d)->WaitStarted(2000));
    std::vector<int16_t> heard(2 * 11025);
    m_Mixer->Mix(heard.data(), 11025);
    // The first quarter second is the file's own frames, unchanged.
    EXPECT_TRUE(std::equal(heard.begin(), heard.end(), m_Track2.begin()));
    uint32_t at = 0;
    ASSERT_TRUE(m_Host.Position(d, at));
    EXPECT_EQ(at, CdAudio::Tmsf(2, 0, 0, 18));  // 11025 frames = 18 CD frames and a bit

    // Stopped in the middle: the position stays, and resume plays on to the track's end.
    ASSERT_TRUE(m_Host.Pause(d));
    ASSERT_TRUE(m_Host.Position(d, at));
    EXPECT_EQ(at, CdAudio::Tmsf(2, 0, 0, 18));
    EXPECT_EQ(m_Code, CdAudio::kNotifyAborted);
    m_Code = 0;
    ASSERT_TRUE(m_Host.Resume(d, m_Notify));
    PumpUntilNotified(d, 3);
    EXPECT_EQ(m_Code, CdAudio::kNotifySuccessful);
    EXPECT_EQ(m_Device, d);
    ASSERT_TRUE(m_Host.Position(d, at));
    EXPECT_EQ(at, CdAudio::Tmsf(3));

    // To the end of the disc from track 3: the damaged track 4 ends it there, normally.
    m_Code = 0;
    ASSERT_TRUE(m_Host.Play(d, CdAudio::Tmsf(3), 0, m_Notify));
    PumpUntilNotified(d, 3);
    EXPECT_EQ(m_Code, CdAudio::kNotifySuccessful);
    EXPECT_TRUE(m_Host.Close(d));
}

}  // namespace
