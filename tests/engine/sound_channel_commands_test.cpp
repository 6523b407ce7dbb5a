// The four sound channels on a pumped mixer: what the script's sound commands load and play,
// at which level, from disk or from an archive, and how failures leave the game going.
#include <algorithm>
#include <cstdlib>

#include "platform/pumped_mixer_backend.h"
#include "resources/archive_writer.h"
#include "resources/bcl_manager.h"
#include "sound/ds_player.h"
#include "tests/engine/command_fixture.h"
#include "tests/sound/sound_fixtures.h"

namespace {

constexpr int kRate = 44100;

std::string Str(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// A stereo 16-bit WAVE of a constant level, so the mixed output tells its gain.
std::vector<uint8_t> LevelWave(int16_t level, size_t frames = kRate / 2) {
    return fixtures::MakeWave(fixtures::Bytes16(std::vector<int16_t>(frames * 2, level)));
}

class SoundChannelTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        platform::Mixer::SetBackendFactoryForTests(
            [] { return std::make_unique<platform::PumpedMixerBackend>(); });
    }
    void TearDown() override {
        m_Engine.reset();
        platform::Mixer::SetBackendFactoryForTests(nullptr);
        CommandTest::TearDown();
    }
    // The game with a sound device; state is extra system-state text.
    TVelmor& StartSound(const std::string& script, const std::string& state = "",
                        TyxBCLManager* manager = nullptr) {
        m_Dir.WriteSjis("game.vsc",
                        "<velmor>\nStartScript=start.txt\n</velmor>\n<Screen>\nWidth=160\n"
                        "Height=120\n</Screen>\n");
        m_Dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n" + state);
        m_Dir.WriteSjis("start.txt", script);
        m_Engine = std::make_unique<TVelmor>(m_Dir.Str() + "game.vsc", SJ("ＭＳ ゴシック"),
                                             EngineServices(m_DllRes.get(), manager, &m_Errors));
        m_Engine->SetMonitor(&m_Seen);
        EXPECT_TRUE(m_Engine->Channels().Initialize([](int) {}));
        m_Errors.clear();
        return *m_Engine;
    }
    TyxDSPlayer& Player() { return m_Engine->Channels().Player(); }
    uint8_t State(int channel) {
        TyxDSPlayThread* t = Player().Slot(channel);
        return t ? t->State() : static_cast<uint8_t>(TyxDSPlayThread::StateClosed);
    }
    int32_t Attenuation(int channel) {
        int32_t v = 1;
        TyxDSPlayThread* t = Player().Slot(channel);
        if (!t || !t->Buffer() || !t->Buffer()->GetVolume(&v)) ADD_FAILURE() << "no buffer";
        return v;
    }
    bool Looping(int channel) {
        TyxDSPlayThread* t = Player().Slot(channel);
        return t && t->Loop();
    }
    // The peak of 50 ms of mixed output.
    int Peak() {
        std::vector<int16_t> out(kRate / 20 * 2);
        Player().Device()->Mix(out.data(), out.size() / 2);
        int peak = 0;
        for (int16_t s : out) peak = std::max(peak, std::abs(static_cast<int>(s)));
        return peak;
    }
};

TEST_F(SoundChannelTest, VolumesComeFromTheSystemStateTimesTen) {
    StartSound("x\n",
               "<Sound>\nBGMVolume=5\nBGEVolume=10\nSoundVolume=0\nVoiceVolume=3\n</Sound>\n");
    for (const char* name : {"m.wav", "a.wav", "s.wav", "v.wav"})
        m_Dir.WriteBytes(name, Str(LevelWave(8000)));
    Run("*bgm m.wav");
    Run("*bge a.wav");
    Run("*sound s.wav");
    Run("*v v.wav");
    EXPECT_EQ(Attenuation(0), -602);
    EXPECT_EQ(Attenuation(1), 0);
    EXPECT_EQ(Attenuation(2), -10000);
    EXPECT_EQ(Attenuation(3), -1045);
    // Half level and silence and -10.45 dB mix to about 4000 + 0 + 8000 + 2380.
    EXPECT_NEAR(Peak(), 4010 + 8000 + 2380, 120);

    // The options dialog's new values reach the slots already loaded.
    m_Engine->SystemState().BGMVolume = 10;
    m_Engine->SystemState().SoundVolume = 1;
    m_Engine->Channels().ApplyVolumes();
    EXPECT_EQ(Attenuation(0), 0);
    EXPECT_EQ(Attenuation(2), -2000);
    EXPECT_TRUE(Records().empty());
}

TEST_F(SoundChannelTest, CommandsLoadPlayAndStopTheirChannels) {
    StartSound("x\n");
    m_Dir.WriteBytes("music.wav", Str(LevelWave(1000)));
    m_Dir.WriteBytes("door.wav", Str(LevelWave(2000)));
    Run("*bgm music.wav");
    EXPECT_EQ(State(0), TyxDSPlayThread::StatePlaying);
    EXPECT_TRUE(Looping(0));
    EXPECT_NEAR(Peak(), 1000, 2);

    Run("*sound door.wav");
    EXPECT_EQ(State(2), TyxDSPlayThread::StatePlaying);
    EXPECT_FALSE(Looping(2));
    EXPECT_EQ(m_Engine->Channels().SoundPlayedPosition().Script, "start.txt");
    EXPECT_NEAR(Peak(), 3000, 4);

    // Music stopped by name: silent, and a later save would restore none.
    Run("*bgm");
    EXPECT_EQ(m_Engine->Channels().File(0), "");
    EXPECT_EQ(State(0), TyxDSPlayThread::StateStopped);
    EXPECT_NEAR(Peak(), 2000, 2);
    Run("*sound");
    EXPECT_EQ(Peak(), 0);
    EXPECT_TRUE(Records().empty());
}

TEST_F(SoundChannelTest, SkipModeSilencesTheVoiceOnly) {
    StartSound("x\n");
    m_Dir.WriteBytes("hello.wav", Str(LevelWave(3000)));
    Run("*v hello.wav");
    EXPECT_EQ(State(3), TyxDSPlayThread::StatePlaying);
    m_Engine->Flow().Skip = true;
    Run("*v hello.wav");
    EXPECT_EQ(m_Engine->Channels().File(3), "");
    EXPECT_NE(State(3), TyxDSPlayThread::StatePlaying);
    EXPECT_EQ(Peak(), 0);
    Run("*sound hello.wav");
    EXPECT_EQ(State(2), TyxDSPlayThread::StatePlaying);
}

TEST_F(SoundChannelTest, BadFilesAreRecordedAndTheGameGoesOn) {
    StartSound("*sound gone.wav\n*v junk.wav\n*bgm short.wav\nまだ続く\n");
    m_Dir.WriteBytes("junk.wav", "RIFF but not really a sound");
    std::vector<uint8_t> cut = LevelWave(500);
    cut.resize(30);
    m_Dir.WriteBytes("short.wav", Str(cut));
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(m_Engine->Message().Text(), SJ("まだ続く"));
    EXPECT_EQ(Records(),
              (TStringList{"soundPlayer : 音楽ファイル gone.wav をストリームロードできません",
                           "soundPlayer : 音楽ファイル junk.wav をオープンできません",
                           "soundPlayer : 音楽ファイル short.wav をオープンできません"}));
    // The name stays; no played position is recorded for a sound that never loaded.
    EXPECT_EQ(m_Engine->Channels().File(2), "gone.wav");
    EXPECT_EQ(m_Engine->Channels().SoundPlayedPosition().Line, -1);
    EXPECT_EQ(m_Engine->Channels().VoicePlayedPosition().Line, -1);
    EXPECT_EQ(Peak(), 0);
}

TEST_F(SoundChannelTest, ArchiveMembersPlayFromTheChannelBuffer) {
    TyxBCLManager manager(nullptr);
    std::string error;
    ASSERT_TRUE(TyxArchiveWriter::Write(
        TyxArchiveWriter::Format::Bcl, m_Dir.Str() + "snd.bcl",
        {{"bgm\\theme.wav", LevelWave(1500)}, {"bgm\\rain.wav", LevelWave(700)}}, nullptr, error))
        << error;
    ASSERT_TRUE(manager.AddArchive(m_Dir.Str() + "snd.bcl"));
    StartSound("x\n", "", &manager);

    Run("*bgm bgm\\theme.wav");
    EXPECT_EQ(State(0), TyxDSPlayThread::StatePlaying);
    EXPECT_NEAR(Peak(), 1500, 2);
    // The same buffer refilled with another member while the first plays.
    Run("*bgm bgm\\rain.wav");
    EXPECT_EQ(State(0), TyxDSPlayThread::StatePlaying);
    EXPECT_NEAR(Peak(), 700, 2);
    Run("*bgm bgm\\none.wav");
    EXPECT_EQ(
        Records(),
        (TStringList{"soundPlayer : 音楽ファイル bgm\\none.wav をストリームロードできません"}));
    EXPECT_EQ(Peak(), 0);
}

TEST_F(SoundChannelTest, WithoutADeviceEveryRequestQuietlyFails) {
    StartSound("x\n");
    m_Dir.WriteBytes("music.wav", Str(LevelWave(1000)));
    m_Engine->Channels().GoSilent();
    Run("*bgm music.wav");
    Run("*v music.wav");
    EXPECT_EQ(m_Engine->Channels().File(0), "music.wav");
    EXPECT_FALSE(m_Engine->Channels().Play(0, TSoundOperation::PlayLooped));
    EXPECT_TRUE(m_Engine->Channels().Play(0, TSoundOperation::Reserved));
    m_Engine->Channels().ApplyVolumes();
    m_Engine->RestoreSound();
    EXPECT_TRUE(Records().empty());
}

TEST_F(SoundChannelTest, RestoreAfterLoadPlaysMusicOnceAndLeavesVoiceLoaded) {
    StartSound("x\n");
    m_Dir.WriteBytes("music.wav", Str(LevelWave(1000)));
    m_Dir.WriteBytes("wind.wav", Str(LevelWave(200)));
    m_Dir.WriteBytes("hello.wav", Str(LevelWave(3000)));
    Run("*sound hello.wav");
    // What a loaded save hands over.
    m_Engine->Channels().SetFile(0, "music.wav");
    m_Engine->Channels().SetFile(1, "wind.wav");
    m_Engine->Channels().SetFile(2, "");
    m_Engine->Channels().SetFile(3, "hello.wav");
    m_Engine->RestoreSound();
    EXPECT_EQ(State(0), TyxDSPlayThread::StatePlaying);
    EXPECT_FALSE(Looping(0));
    EXPECT_EQ(State(1), TyxDSPlayThread::StatePlaying);
    EXPECT_NE(State(2), TyxDSPlayThread::StatePlaying);
    EXPECT_EQ(State(3), TyxDSPlayThread::StateLoaded);
    EXPECT_NEAR(Peak(), 1200, 3);

    // A music file gone since the save: the load and the play are both reported.
    m_Engine->Channels().SetFile(0, "lost.wav");
    m_Engine->Channels().SetFile(1, "");
    m_Engine->RestoreSound();
    EXPECT_EQ(Records(),
              (TStringList{"soundPlayer : 音楽ファイル lost.wav をストリームロードできません",
                           "soundPlayer : 音楽ファイル lost.wav を再生できません"}));
}

}  // namespace
