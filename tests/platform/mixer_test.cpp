// The sound mixer, pulled by the test: exact output bytes, cursor notifications, volume,
// format conversion and the buffer calls the streaming player relies on.
#include "platform/mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/auto_reset_event.h"
#include "platform/null_mixer_backend.h"
#include "platform/pumped_mixer_backend.h"
#include "platform/sdl_mixer_backend.h"
#include "platform/sound_buffer.h"

using namespace platform;

namespace {

WaveFormatEx Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    WaveFormatEx f;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.nAvgBytesPerSec = f.nBlockAlign * rate;
    return f;
}

std::shared_ptr<Mixer> OpenPumped() {
    auto mixer = std::make_shared<Mixer>(std::make_unique<PumpedMixerBackend>());
    EXPECT_TRUE(mixer->SetPrimaryFormat(Pcm(2, 44100, 16)));
    return mixer;
}

std::unique_ptr<SoundBuffer> MakeBuffer(Mixer& mixer, const WaveFormatEx& f, uint32_t bytes) {
    DSBufferDesc desc;
    desc.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GETCURRENTPOSITION2;
    desc.dwBufferBytes = bytes;
    desc.wfxFormat = f;
    return mixer.CreateSoundBuffer(desc);
}

void Write(SoundBuffer& buffer, uint32_t offset, const void* data, uint32_t bytes) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_TRUE(buffer.Lock(offset, bytes, &p1, &n1, &p2, &n2));
    std::memcpy(p1, data, n1);
    if (p2) std::memcpy(p2, static_cast<const uint8_t*>(data) + n1, n2);
    ASSERT_TRUE(buffer.Unlock(p1, n1, p2, n2));
}

std::vector<int16_t> Pull(Mixer& mixer, size_t frames) {
    std::vector<int16_t> out(frames * 2, 12345);
    mixer.Mix(out.data(), frames);
    return out;
}

}  // namespace

TEST(AutoResetEvent, WaitTakesTheSignalOnceAndPrefersTheLowestIndex) {
    AutoResetEvent a, b, c;
    AutoResetEvent* all[3] = {&a, &b, &c};
    EXPECT_EQ(AutoResetEvent::WaitAny(all, 3, std::chrono::milliseconds(0)), -1);
    c.Set();
    b.Set();
    EXPECT_EQ(AutoResetEvent::WaitAny(all, 3, std::chrono::milliseconds(0)), 1);
    EXPECT_EQ(AutoResetEvent::WaitAny(all, 3, std::chrono::milliseconds(0)), 2);
    EXPECT_EQ(AutoResetEvent::WaitAny(all, 3, std::chrono::milliseconds(0)), -1);
    a.Set();
    a.Reset();
    EXPECT_FALSE(a.Wait(std::chrono::milliseconds(0)));
    a.Set();
    EXPECT_TRUE(a.IsSet());
    EXPECT_TRUE(a.Wait(std::chrono::milliseconds(0)));
    EXPECT_FALSE(a.IsSet());
}

TEST(Mixer, LoopingBufferInOutputFormatComesOutByteForByteAndWraps) {
    auto mixer = OpenPumped();
    auto buffer = MakeBuffer(*mixer, Pcm(2, 44100, 16), 400);  // 100 frames
    ASSERT_TRUE(buffer);
    std::vector<int16_t> pattern(200);
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<int16_t>(i * 100 - 9000);
    Write(*buffer, 0, pattern.data(), 400);

    // Not playing: silence, cursor still.
    EXPECT_EQ(Pull(*mixer, 10), std::vector<int16_t>(20, 0));
    ASSERT_TRUE(buffer->Play(DSBPLAY_LOOPING));
    auto out = Pull(*mixer, 250);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], pattern[i % 200]) << i;
    uint32_t play = 0;
    buffer->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 200u);  // 250 frames into a 100-frame ring
    uint32_t status = 0;
    buffer->GetStatus(&status);
    EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);

    // Stop holds the cursor; a new position restarts from there.
    buffer->Stop();
    EXPECT_EQ(Pull(*mixer, 5), std::vector<int16_t>(10, 0));
    ASSERT_TRUE(buffer->SetCurrentPosition(8));
    ASSERT_TRUE(buffer->Play(DSBPLAY_LOOPING));
    out = Pull(*mixer, 1);
    EXPECT_EQ(out[0], pattern[4]);
    EXPECT_EQ(out[1], pattern[5]);
    EXPECT_FALSE(buffer->SetCurrentPosition(400));
}

TEST(Mixer, BufferPlayedOnceStopsAtItsEnd) {
    auto mixer = OpenPumped();
    auto buffer = MakeBuffer(*mixer, Pcm(2, 44100, 16), 40);
    std::vector<int16_t> pattern(20, 700);
    Write(*buffer, 0, pattern.data(), 40);
    ASSERT_TRUE(buffer->Play(0));
    auto out = Pull(*mixer, 15);
    for (size_t i = 0; i < 20; ++i) EXPECT_EQ(out[i], 700);
    for (size_t i = 20; i < 30; ++i) EXPECT_EQ(out[i], 0);
    uint32_t status = 1;
    buffer->GetStatus(&status);
    EXPECT_EQ(status, 0u);
}

TEST(Mixer, NotificationsFireExactlyWhenTheCursorReachesTheirOffsets) {
    auto mixer = OpenPumped();
    auto buffer = MakeBuffer(*mixer, Pcm(2, 44100, 16), 1200);  // 300 frames, segments of 100
    AutoResetEvent events[3];
    DSBPositionNotify notes[3] = {{0, &events[0]}, {400, &events[1]}, {800, &events[2]}};
    ASSERT_TRUE(buffer->SetNotificationPositions(3, notes));
    ASSERT_TRUE(buffer->Play(DSBPLAY_LOOPING));

    Pull(*mixer, 1);  // starting at 0 reaches offset 0
    EXPECT_TRUE(events[0].Wait(std::chrono::milliseconds(0)));
    Pull(*mixer, 98);  // frames 1..98
    EXPECT_FALSE(events[1].IsSet());
    Pull(*mixer, 1);  // frame 99: the last byte before segment 1
    EXPECT_FALSE(events[1].IsSet());
    Pull(*mixer, 1);  // frame 100
    EXPECT_TRUE(events[1].Wait(std::chrono::milliseconds(0)));
    Pull(*mixer, 250);  // through 2 and around to 0 again, in one call
    EXPECT_TRUE(events[2].Wait(std::chrono::milliseconds(0)));
    EXPECT_TRUE(events[0].Wait(std::chrono::milliseconds(0)));
    EXPECT_FALSE(events[1].IsSet());

    DSBPositionNotify bad = {1200, &events[0]};
    EXPECT_FALSE(buffer->SetNotificationPositions(1, &bad));
}

TEST(Mixer, VolumeIsTheLinearGainOfItsAttenuation) {
    auto mixer = OpenPumped();
    auto buffer = MakeBuffer(*mixer, Pcm(2, 44100, 16), 400);
    std::vector<int16_t> pattern(200, 20000);
    Write(*buffer, 0, pattern.data(), 400);
    buffer->Play(DSBPLAY_LOOPING);

    ASSERT_TRUE(buffer->SetVolume(-602));  // about half the amplitude
    auto out = Pull(*mixer, 10);
    EXPECT_NEAR(out[0], 20000 * std::pow(10.0, -602 / 2000.0), 1.0);
    EXPECT_NEAR(out[0], 10000, 15);
    ASSERT_TRUE(buffer->SetVolume(-2000));
    EXPECT_EQ(Pull(*mixer, 1)[0], 2000);
    ASSERT_TRUE(buffer->SetVolume(DSBVOLUME_MIN));
    EXPECT_EQ(Pull(*mixer, 1)[0], 0);
    EXPECT_FALSE(buffer->SetVolume(1));
    EXPECT_FALSE(buffer->SetVolume(-10001));
    int32_t volume = 0;
    buffer->GetVolume(&volume);
    EXPECT_EQ(volume, DSBVOLUME_MIN);
}

TEST(Mixer, BuffersAreSummedAndClipped) {
    auto mixer = OpenPumped();
    auto a = MakeBuffer(*mixer, Pcm(2, 44100, 16), 40);
    auto b = MakeBuffer(*mixer, Pcm(2, 44100, 16), 40);
    std::vector<int16_t> loud(20, 30000), quiet(20, -1000);
    Write(*a, 0, loud.data(), 40);
    Write(*b, 0, quiet.data(), 40);
    a->Play(DSBPLAY_LOOPING);
    b->Play(DSBPLAY_LOOPING);
    EXPECT_EQ(Pull(*mixer, 1)[0], 29000);
    Write(*b, 0, loud.data(), 40);
    EXPECT_EQ(Pull(*mixer, 1)[0], 32767);
}

// Long pulls take the wide paths, one-frame pulls the sample-by-sample ones: the same samples
// for loud sums that clip, attenuated buffers, halves that round either way and 8-bit mono.
TEST(Mixer, LongAndShortPullsGiveTheSameSamples) {
    struct Case {
        const char* what;
        int32_t volume;
        bool eightBitMono;
    };
    const Case cases[] = {{"full volume", DSBVOLUME_MAX, false},
                          {"attenuated", -602, false},
                          {"quiet, 8-bit mono beside", -1500, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int16_t> pieces[2];
        for (int way = 0; way < 2; ++way) {
            auto mixer = OpenPumped();
            const uint32_t frames = 301;
            auto a = MakeBuffer(*mixer, Pcm(2, 44100, 16), frames * 4);
            auto b = c.eightBitMono ? MakeBuffer(*mixer, Pcm(1, 44100, 8), frames)
                                    : MakeBuffer(*mixer, Pcm(2, 44100, 16), frames * 4);
            std::vector<int16_t> loud(frames * 2), other(frames * 2);
            for (uint32_t i = 0; i < frames * 2; ++i) {
                loud[i] = static_cast<int16_t>((i * 7919u) % 65536u - 32768u);
                other[i] = static_cast<int16_t>((i * 104729u) % 60001u - 30000u);
            }
            Write(*a, 0, loud.data(), frames * 4);
            if (c.eightBitMono) {
                std::vector<uint8_t> bytes(frames);
                for (uint32_t i = 0; i < frames; ++i) bytes[i] = static_cast<uint8_t>(i * 37);
                Write(*b, 0, bytes.data(), frames);
            } else {
                Write(*b, 0, other.data(), frames * 4);
            }
            ASSERT_TRUE(a->SetVolume(c.volume));
            ASSERT_TRUE(b->SetVolume(-300));
            a->Play(DSBPLAY_LOOPING);
            b->Play(DSBPLAY_LOOPING);
            for (int n = 0; n < 970; n += way == 0 ? 1 : 97) {
                const auto out = Pull(*mixer, way == 0 ? 1 : 97);
                pieces[way].insert(pieces[way].end(), out.begin(), out.end());
            }
        }
        ASSERT_EQ(pieces[0].size(), pieces[1].size());
        for (size_t i = 0; i < pieces[0].size(); ++i)
            ASSERT_EQ(pieces[0][i], pieces[1][i]) << "sample " << i;
    }
}

TEST(Mixer, EightBitMonoIsConvertedToTheOutputFormat) {
    auto mixer = OpenPumped();
    auto buffer = MakeBuffer(*mixer, Pcm(1, 44100, 8), 8);
    // A new 8-bit buffer holds 8-bit silence.
    EXPECT_EQ(Pull(*mixer, 1)[0], 0);
    const uint8_t bytes[8] = {0x80, 0xC0, 0x40, 0xFF, 0x00, 0x80, 0x81, 0x7F};
    Write(*buffer, 0, bytes, 8);
    buffer->Play(DSBPLAY_LOOPING);
    auto out = Pull(*mixer, 8);
    const int16_t expected[8] = {0, 0x4000, -0x4000, 0x7F00, -0x8000, 0, 0x100, -0x100};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(out[2 * i], expected[i]) << i;
        EXPECT_EQ(out[2 * i + 1], expected[i]) << i;
    }
}

TEST(Mixer, OtherRatesAreResampledAndMoveTheCursorAtTheirOwnPace) {
    auto mixer = OpenPumped();
    auto buffer = MakeBuffer(*mixer, Pcm(2, 22050, 16), 22050 * 4);  // one second
    std::vector<int16_t> level(22050 * 2, 8000);
    Write(*buffer, 0, level.data(), 22050 * 4);
    buffer->Play(DSBPLAY_LOOPING);
    auto out = Pull(*mixer, 4410);  // 100 ms; the resampler takes a little ahead at first
    uint32_t before = 0, after = 0;
    buffer->GetCurrentPosition(&before, nullptr);
    EXPECT_LT(before / 4, 2205u + 1024u);
    Pull(*mixer, 4410);
    buffer->GetCurrentPosition(&after, nullptr);
    EXPECT_NEAR((after - before) / 4.0, 2205, 64);
    // Past the resampler's start-up the level comes through.
    EXPECT_NEAR(out[4000 * 2], 8000, 80);
}

TEST(Mixer, LockWrapsIntoTwoRegionsAndRefusesBadRanges) {
    auto mixer = OpenPumped();
    auto buffer = MakeBuffer(*mixer, Pcm(2, 44100, 16), 40);
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_TRUE(buffer->Lock(32, 16, &p1, &n1, &p2, &n2));
    EXPECT_EQ(n1, 8u);
    EXPECT_EQ(n2, 8u);
    ASSERT_NE(p2, nullptr);
    std::memset(p1, 0x11, n1);
    std::memset(p2, 0x22, n2);
    // A second lock before the unlock is refused.
    EXPECT_FALSE(buffer->Lock(0, 4, &p1, &n1, &p2, &n2));
    ASSERT_TRUE(buffer->Unlock(p1, n1, p2, n2));
    buffer->Play(DSBPLAY_LOOPING);
    auto out = Pull(*mixer, 10);
    EXPECT_EQ(out[0], 0x2222);
    EXPECT_EQ(out[3], 0x2222);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(out[16], 0x1111);
    EXPECT_FALSE(buffer->Lock(40, 4, &p1, &n1, &p2, &n2));
    EXPECT_FALSE(buffer->Lock(0, 44, &p1, &n1, &p2, &n2));
}

TEST(Mixer, LostBuffersRefuseToPlayUntilRestored) {
    auto mixer = OpenPumped();
    auto buffer = MakeBuffer(*mixer, Pcm(2, 44100, 16), 40);
    buffer->Play(DSBPLAY_LOOPING);
    mixer->MarkBuffersLost();
    uint32_t status = 0;
    buffer->GetStatus(&status);
    EXPECT_EQ(status, DSBSTATUS_BUFFERLOST);
    EXPECT_FALSE(buffer->Play(DSBPLAY_LOOPING));
    void* p1 = nullptr;
    uint32_t n1 = 0;
    EXPECT_FALSE(buffer->Lock(0, 4, &p1, &n1, nullptr, nullptr));
    ASSERT_TRUE(buffer->Restore());
    EXPECT_TRUE(buffer->Play(DSBPLAY_LOOPING));
}

TEST(Mixer, ADeviceThatGoesAwayIsNoticedAndOpenedAgainOnRestore) {
    auto backend = std::make_unique<PumpedMixerBackend>();
    PumpedMixerBackend* device = backend.get();
    auto mixer = std::make_shared<Mixer>(std::move(backend));
    ASSERT_TRUE(mixer->SetPrimaryFormat(Pcm(2, 44100, 16)));
    auto a = MakeBuffer(*mixer, Pcm(2, 44100, 16), 40);
    auto b = MakeBuffer(*mixer, Pcm(2, 44100, 16), 40);
    const int16_t level[20] = {100, 100, 100, 100, 100, 100, 100, 100, 100, 100,
                               100, 100, 100, 100, 100, 100, 100, 100, 100, 100};
    Write(*a, 0, level, 40);
    a->Play(DSBPLAY_LOOPING);

    device->lost = true;
    uint32_t status = 0;
    a->GetStatus(&status);
    EXPECT_EQ(status, DSBSTATUS_BUFFERLOST);
    b->GetStatus(&status);  // every buffer, not only the one that asked
    EXPECT_EQ(status, DSBSTATUS_BUFFERLOST);
    EXPECT_EQ(Pull(*mixer, 4), std::vector<int16_t>(8, 0));

    ASSERT_TRUE(a->Restore());
    EXPECT_FALSE(device->lost);  // the output was opened again
    ASSERT_TRUE(b->Restore());
    Write(*a, 0, level, 40);
    ASSERT_TRUE(a->Play(DSBPLAY_LOOPING));
    EXPECT_EQ(Pull(*mixer, 2), std::vector<int16_t>(4, 100));
}

TEST(Mixer, RefusesFormatsAndSizesADeviceWouldRefuse) {
    auto mixer = OpenPumped();
    EXPECT_FALSE(MakeBuffer(*mixer, Pcm(2, 44100, 24), 600));
    EXPECT_FALSE(MakeBuffer(*mixer, Pcm(3, 44100, 16), 600));
    EXPECT_FALSE(MakeBuffer(*mixer, Pcm(2, 50, 16), 600));
    EXPECT_FALSE(MakeBuffer(*mixer, Pcm(2, 44100, 16), 602));  // not whole frames
    EXPECT_FALSE(MakeBuffer(*mixer, Pcm(2, 44100, 16), 0));
    WaveFormatEx wrong = Pcm(2, 44100, 16);
    wrong.nAvgBytesPerSec = 1;
    EXPECT_FALSE(MakeBuffer(*mixer, wrong, 600));
    wrong = Pcm(2, 44100, 16);
    wrong.wFormatTag = 3;
    EXPECT_FALSE(MakeBuffer(*mixer, wrong, 600));
    EXPECT_TRUE(MakeBuffer(*mixer, Pcm(1, 8000, 8), 600));
}

TEST(Mixer, NullBackendFailsToOpenAndMakesNoBuffers) {
    auto mixer = std::make_shared<Mixer>(std::make_unique<NullMixerBackend>());
    EXPECT_FALSE(mixer->SetPrimaryFormat(Pcm(2, 44100, 16)));
    EXPECT_FALSE(MakeBuffer(*mixer, Pcm(2, 44100, 16), 400));
    std::vector<int16_t> out(8, 5);
    mixer->Mix(out.data(), 4);
    EXPECT_EQ(out, std::vector<int16_t>(8, 0));
}

TEST(Mixer, FactoryChoosesTheBackendAndSdlOpensOnTheDummyDriver) {
    Mixer::SetBackendFactoryForTests([] { return std::make_unique<NullMixerBackend>(); });
    EXPECT_FALSE(Mixer::Create()->SetPrimaryFormat(Pcm(2, 44100, 16)));
    Mixer::SetBackendFactoryForTests(nullptr);
    // The real backend on SDL's dummy driver (the test environment's SDL_AUDIODRIVER).
    auto mixer = Mixer::Create();
    EXPECT_TRUE(mixer->SetPrimaryFormat(Pcm(2, 44100, 16)));
    EXPECT_FALSE(mixer->SetPrimaryFormat(Pcm(2, 44100, 8)));
}
