// The streaming player on the pumped mixer: the test moves the play cursors, the real
// workers refill the buffers, and the mixed output bytes are checked.
#include "sound/ds_player.h"

#include <gtest/gtest.h>

#include <thread>

#include <mutex>
#include <vector>

#include "platform/null_mixer_backend.h"
#include "platform/pumped_mixer_backend.h"
#include "sound/ogg_format.h"
#include "tests/sound/sound_fixtures.h"
#include "tests/support/temp_folder.h"

using fixtures::MakeWave;

namespace {

constexpr size_t kRate = 44100;

std::vector<uint8_t> Wave16(const std::vector<int16_t>& samples, uint16_t channels = 2) {
    fixtures::WaveOptions o;
    o.channels = channels;
    return MakeWave(fixtures::Bytes16(samples), o);
}

struct Loaded {
    TMemoryStream memory;
    explicit Loaded(const std::vector<uint8_t>& bytes) {
        memory.Write(bytes.data(), bytes.size());
        memory.SetPosition(0);
    }
};

class DSPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Mixer::SetBackendFactoryForTests([this] {
            auto made = std::make_unique<platform::PumpedMixerBackend>();
            backend = made.get();
            return made;
        });
        ASSERT_TRUE(player.Initialize(
            [this](int slot) {
                std::lock_guard<std::mutex> lock(endedMutex);
                ended.push_back(slot);
            },
            2, 16, 44100));
    }
    void TearDown() override {
        player.CloseAll();
        platform::Mixer::SetBackendFactoryForTests(nullptr);
    }

    std::vector<int> Ended() {
        std::lock_guard<std::mutex> lock(endedMutex);
        return ended;
    }

    // Mixes frames in steps of at most 100 ms; after each step, waits until every worker
    // has served the notifications its cursor crossed, as a real-time device would allow.
    std::vector<int16_t> Pump(size_t frames) {
        std::vector<int16_t> out;
        while (frames > 0) {
            size_t step = std::min<size_t>(frames, 4410);
            uint32_t before[4] = {};
            bool playing[4] = {};
            uint64_t servedBefore[4] = {};  // the workers caught up after the last step
            for (int s = 0; s < 4; ++s) {
                TyxDSPlayThread* t = player.Slot(s);
                if (!t || !t->Buffer()) continue;
                uint32_t status = 0;
                t->Buffer()->GetStatus(&status);
                playing[s] = status & platform::DSBSTATUS_PLAYING;
                servedBefore[s] = t->Served();
                t->Buffer()->GetCurrentPosition(&before[s], nullptr);
            }
            std::vector<int16_t> chunk(step * 2);
            player.Device()->Mix(chunk.data(), step);
            out.insert(out.end(), chunk.begin(), chunk.end());
            for (int s = 0; s < 4; ++s) {
                TyxDSPlayThread* t = player.Slot(s);
                if (!t || !t->Buffer() || !playing[s]) continue;
                uint64_t expected = servedBefore[s];
                uint32_t after = 0;
                t->Buffer()->GetCurrentPosition(&after, nullptr);
                uint32_t size = t->Buffer()->Size();
                uint32_t moved = (after + size - before[s]) % size;
                for (uint32_t i = 0; i < 3; ++i) {
                    uint32_t offset = i * t->SegmentSize();
                    if ((offset + size - before[s]) % size < moved) ++expected;
                }
                if (!t->WaitServed(expected, std::chrono::seconds(10))) {
                    ADD_FAILURE() << "slot " << s << " served " << t->Served() << " of " << expected
                                  << " cursor " << before[s] << " to " << after;
                }
            }
            frames -= step;
        }
        return out;
    }

    platform::PumpedMixerBackend* backend = nullptr;
    TyxDSPlayer player{4};
    std::mutex endedMutex;
    std::vector<int> ended;
};

}  // namespace

TEST_F(DSPlayerTest, LoopedSoundShorterThanASecondWrapsSeamlesslyAndNeverEnds) {
    auto ramp = fixtures::Ramp(13230, 2);  // 0.3 s
    Loaded sound(Wave16(ramp));
    ASSERT_TRUE(player.OpenStream(sound.memory, 0));
    TyxDSPlayThread* slot = player.Slot(0);
    EXPECT_EQ(slot->SegmentSize(), 176400u);
    EXPECT_EQ(slot->Buffer()->Size(), 529200u);
    EXPECT_EQ(slot->State(), TyxDSPlayThread::StateLoaded);
    ASSERT_TRUE(player.Play(0, true));
    auto out = Pump(5 * kRate);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], ramp[i % ramp.size()]) << i;
    EXPECT_TRUE(Ended().empty());
    EXPECT_EQ(slot->State(), TyxDSPlayThread::StatePlaying);
    EXPECT_EQ(slot->EndSegment(), -1);
}

TEST_F(DSPlayerTest, MusicPlaysOnOnceALostDeviceIsBack) {
    auto ramp = fixtures::Ramp(13230, 2);
    Loaded sound(Wave16(ramp));
    ASSERT_TRUE(player.OpenStream(sound.memory, 0));
    ASSERT_TRUE(player.Play(0, true));
    Pump(kRate / 2);
    ASSERT_NE(backend, nullptr);
    backend->lost = true;
    // The worker notices at its next idle wait, opens the output again and plays on.
    TyxDSPlayThread* slot = player.Slot(0);
    uint32_t status = 0;
    for (int i = 0; i < 500 && status != (platform::DSBSTATUS_PLAYING | platform::DSBSTATUS_LOOPING);
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        slot->Buffer()->GetStatus(&status);
    }
    EXPECT_EQ(status, platform::DSBSTATUS_PLAYING | platform::DSBSTATUS_LOOPING);
    EXPECT_FALSE(backend->lost);
    uint32_t cursor = 0;
    slot->Buffer()->GetCurrentPosition(&cursor, nullptr);
    auto out = Pump(kRate / 2);
    const size_t first = cursor / 2 % ramp.size();  // 16-bit samples
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], ramp[(first + i) % ramp.size()]) << i;
    EXPECT_TRUE(Ended().empty());
}

TEST_F(DSPlayerTest, SoundNotLoopedEndsAtTheNextSegmentBoundaryAfterTrailingSilence) {
    auto ramp = fixtures::Ramp(kRate / 2, 2);
    Loaded sound(Wave16(ramp));
    ASSERT_TRUE(player.OpenStream(sound.memory, 2));
    EXPECT_EQ(player.Slot(2)->EndSegment(), 1);
    ASSERT_TRUE(player.Play(2, false));
    auto out = Pump(kRate);
    EXPECT_TRUE(Ended().empty());
    for (size_t i = 0; i < ramp.size(); ++i) ASSERT_EQ(out[i], ramp[i]) << i;
    for (size_t i = ramp.size(); i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
    Pump(1);  // the first byte of segment 1 is reached
    EXPECT_EQ(Ended(), std::vector<int>{2});
    EXPECT_EQ(player.Slot(2)->State(), TyxDSPlayThread::StateStopped);
    EXPECT_FALSE(player.Slot(2)->Running());
    out = Pump(kRate);
    for (int16_t s : out) ASSERT_EQ(s, 0);
    EXPECT_EQ(Ended(), std::vector<int>{2});
}

TEST_F(DSPlayerTest, WaveEndingOnABoundaryStopsThereAndOggOneSegmentLater) {
    Loaded wave(Wave16(std::vector<int16_t>(kRate * 2, 300)));  // exactly one second
    Loaded ogg(fixtures::EncodeOgg(fixtures::Sine(kRate, 2, kRate, 500.0, 8000.0), 2, kRate));
    ASSERT_TRUE(player.OpenStream(wave.memory, 0));
    ASSERT_TRUE(player.OpenStream(ogg.memory, 1));
    EXPECT_EQ(player.Slot(0)->EndSegment(), 1);
    EXPECT_EQ(player.Slot(1)->EndSegment(), 2);
    player.Play(0, false);
    player.Play(1, false);
    Pump(kRate);
    EXPECT_TRUE(Ended().empty());
    Pump(1);
    EXPECT_EQ(Ended(), std::vector<int>{0});
    Pump(kRate - 1);
    EXPECT_EQ(Ended().size(), 1u);
    Pump(1);
    EXPECT_EQ(Ended(), (std::vector<int>{0, 1}));
}

TEST_F(DSPlayerTest, EightBitSoundIsPaddedWithItsOwnSilence) {
    fixtures::WaveOptions o;
    o.channels = 1;
    o.bits = 8;
    Loaded sound(MakeWave(std::vector<uint8_t>(kRate / 4, 0x90), o));
    ASSERT_TRUE(player.OpenStream(sound.memory, 3));
    platform::SoundBuffer* buffer = player.Slot(3)->Buffer();
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_TRUE(buffer->Lock(0, 2 * kRate, &p1, &n1, &p2, &n2));
    auto* bytes = static_cast<uint8_t*>(p1);
    for (size_t i = 0; i < kRate / 4; ++i) ASSERT_EQ(bytes[i], 0x90) << i;
    for (size_t i = kRate / 4; i < 2 * kRate; ++i) ASSERT_EQ(bytes[i], 0x80) << i;
    buffer->Unlock(p1, n1, p2, n2);

    player.Play(3, false);
    auto out = Pump(kRate);
    for (size_t i = 0; i < kRate / 4 * 2; ++i) ASSERT_EQ(out[i], 0x1000) << i;
    for (size_t i = kRate / 4 * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
    Pump(1);
    EXPECT_EQ(Ended(), std::vector<int>{3});
}

TEST_F(DSPlayerTest, VolumeBecomesAttenuationInHundredthsOfADecibel) {
    EXPECT_EQ(TyxDSPlayer::VolumeToAttenuation(0), -10000);
    EXPECT_EQ(TyxDSPlayer::VolumeToAttenuation(-5), -10000);
    EXPECT_EQ(TyxDSPlayer::VolumeToAttenuation(10), -2000);
    EXPECT_EQ(TyxDSPlayer::VolumeToAttenuation(30), -1045);
    EXPECT_EQ(TyxDSPlayer::VolumeToAttenuation(50), -602);
    EXPECT_EQ(TyxDSPlayer::VolumeToAttenuation(90), -91);
    EXPECT_EQ(TyxDSPlayer::VolumeToAttenuation(100), 0);
    EXPECT_EQ(TyxDSPlayer::VolumeToAttenuation(250), 0);

    EXPECT_FALSE(player.SetVolume(1, 50));  // empty slot
    Loaded sound(Wave16(std::vector<int16_t>(kRate / 10 * 2, 20000)));
    ASSERT_TRUE(player.OpenStream(sound.memory, 1));
    ASSERT_TRUE(player.SetVolume(1, 50));
    int32_t volume = 0;
    player.Slot(1)->Buffer()->GetVolume(&volume);
    EXPECT_EQ(volume, -602);
    player.Play(1, true);
    auto out = Pump(100);
    EXPECT_EQ(out[0], 10001);  // 20000 at -6.02 dB
    player.SetVolume(1, 0);
    EXPECT_EQ(Pump(1)[0], 0);
}

TEST_F(DSPlayerTest, ReopeningAPlayingSlotStopsItAtOnce) {
    Loaded first(Wave16(std::vector<int16_t>(kRate * 2, 1000)));
    Loaded second(Wave16(fixtures::Ramp(kRate / 2, 2, 7)));
    ASSERT_TRUE(player.OpenStream(first.memory, 1));
    player.Play(1, true);
    EXPECT_EQ(Pump(kRate / 5)[0], 1000);
    ASSERT_TRUE(player.OpenStream(second.memory, 1));
    EXPECT_EQ(player.Slot(1)->State(), TyxDSPlayThread::StateLoaded);
    for (int16_t s : Pump(kRate / 5)) ASSERT_EQ(s, 0);
    player.Play(1, false);
    auto out = Pump(kRate / 2);
    auto ramp = fixtures::Ramp(kRate / 2, 2, 7);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], ramp[i]) << i;
    // Stop, then play: from position 0 of the buffer, the source not rewound.
    player.Stop(1);
    EXPECT_EQ(player.Slot(1)->State(), TyxDSPlayThread::StateStopped);
    for (int16_t s : Pump(100)) ASSERT_EQ(s, 0);
}

TEST_F(DSPlayerTest, SlotsPlayTogether) {
    std::vector<Loaded> sounds;
    sounds.reserve(4);
    for (int s = 0; s < 4; ++s) {
        sounds.emplace_back(Wave16(std::vector<int16_t>(kRate, static_cast<int16_t>(100 << s)), 1));
        ASSERT_TRUE(player.OpenStream(sounds.back().memory, s));
        player.Play(s, s < 2);
    }
    auto out = Pump(kRate * 2);
    EXPECT_EQ(out[0], 1500);
    EXPECT_EQ(out[out.size() - 1], 300);  // the two looped ones go on
    EXPECT_EQ(Ended().size(), 2u);
}

TEST_F(DSPlayerTest, BadInputFailsToOpenAndLeavesAnEmptyThread) {
    Loaded junk(std::vector<uint8_t>{'J', 'U', 'N', 'K', 0, 0, 0, 0});
    EXPECT_FALSE(player.OpenStream(junk.memory, 0));
    ASSERT_NE(player.Slot(0), nullptr);
    EXPECT_FALSE(player.Play(0, false));
    EXPECT_TRUE(player.Stop(0));
    EXPECT_FALSE(player.SetVolume(0, 50));
    Loaded tiny(std::vector<uint8_t>{'R', 'I'});
    EXPECT_FALSE(player.OpenStream(tiny.memory, 0));
    auto cut = Wave16(std::vector<int16_t>(1000, 5));
    cut.resize(cut.size() - 10);
    Loaded truncated(cut);
    EXPECT_FALSE(player.OpenStream(truncated.memory, 0));
    fixtures::WaveOptions o;
    o.bits = 24;
    Loaded refused(MakeWave(std::vector<uint8_t>(600, 0), o));
    EXPECT_FALSE(player.OpenStream(refused.memory, 0));
    EXPECT_FALSE(player.OpenStream(static_cast<TyxSoundStream*>(nullptr), 0));
    EXPECT_FALSE(player.OpenFile("no such file.wav", 0));
    EXPECT_FALSE(player.OpenStream(junk.memory, 4));
    EXPECT_FALSE(player.Play(-1, false));
    EXPECT_TRUE(player.Stop(3));
}

TEST_F(DSPlayerTest, OpensFilesFromDisk) {
    TempFolder folder;
    auto bytes = Wave16(std::vector<int16_t>(kRate / 2, 4321));
    folder.WriteBytes("bgm.wav", std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(player.OpenFile(folder.Str() + "BGM.WAV", 0));
    player.Play(0, true);
    EXPECT_EQ(Pump(10)[0], 4321);
    folder.WriteBytes("bad.wav", "RIFF....WAVE");
    EXPECT_FALSE(player.OpenFile(folder.Str() + "bad.wav", 0));
}

TEST_F(DSPlayerTest, OggThatGoesBadWhilePlayingEndsInSilence) {
    struct Souring : TyxSoundStream {
        std::vector<uint8_t> bytes;
        int64_t position = 0;
        bool sour = false;
        size_t Read(void* buffer, size_t size) override {
            size_t n = std::min<size_t>(size, bytes.size() - static_cast<size_t>(position));
            auto* p = static_cast<uint8_t*>(buffer);
            for (size_t i = 0; i < n; ++i) {
                p[i] = sour ? static_cast<uint8_t>(i * 131 + 7) : bytes[position + i];
            }
            position += static_cast<int64_t>(n);
            return n;
        }
        bool Seek(int64_t to) override {
            if (to < 0 || to > Size()) return false;
            position = to;
            return true;
        }
        int64_t Position() const override { return position; }
        int64_t Size() const override { return static_cast<int64_t>(bytes.size()); }
    } stream;
    stream.bytes =
        fixtures::EncodeOgg(fixtures::Sine(kRate / 2, 2, kRate, 700.0, 6000.0), 2, kRate);
    // Not kept in memory: a kept first pass would loop on from there.
    TyxOggFormat::SetKeptLimitForTests(0);
    ASSERT_TRUE(player.OpenStream(&stream, 0));
    TyxOggFormat::SetKeptLimitForTests(size_t(4) << 20);
    stream.sour = true;
    player.Play(0, true);  // looped: only the damage can end it
    auto out = Pump(kRate * 4);
    EXPECT_EQ(Ended(), std::vector<int>{0});
    EXPECT_EQ(player.Slot(0)->State(), TyxDSPlayThread::StateStopped);
    for (size_t i = kRate * 2 * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
}

TEST(DSPlayer, WithoutASoundDeviceNothingOpens) {
    platform::Mixer::SetBackendFactoryForTests(
        [] { return std::make_unique<platform::NullMixerBackend>(); });
    TyxDSPlayer player(4);
    EXPECT_FALSE(player.Initialize(nullptr, 2, 16, 44100));
    EXPECT_EQ(player.Device(), nullptr);
    Loaded sound(Wave16(std::vector<int16_t>(100, 1)));
    EXPECT_FALSE(player.OpenStream(sound.memory, 0));
    EXPECT_FALSE(player.Play(0, true));
    EXPECT_TRUE(player.Stop(0));
    platform::Mixer::SetBackendFactoryForTests(nullptr);
}
