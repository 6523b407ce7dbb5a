// WAVE and Ogg Vorbis sources: what they accept, what they refuse, and the bytes they hand
// out at the end of a sound, looped or not.
#include <gtest/gtest.h>

#include <vector>

#include "resources/memory_stream.h"
#include "sound/memory_sound_stream.h"
#include "sound/ogg_format.h"
#include "sound/wave_format.h"
#include "tests/sound/sound_fixtures.h"

using fixtures::MakeWave;
using fixtures::WaveOptions;

namespace {

struct Held {
    TMemoryStream memory;
    TyxMemorySoundStream stream{memory};
    explicit Held(const std::vector<uint8_t>& bytes, size_t at = 0) {
        memory.Write(bytes.data(), bytes.size());
        memory.SetPosition(at);
    }
};

bool OpensWave(const std::vector<uint8_t>& bytes) {
    Held held(bytes);
    TyxWaveFormat wave;
    return wave.Open(&held.stream);
}

std::vector<uint8_t> Data(size_t n, uint8_t first = 1) {
    std::vector<uint8_t> d(n);
    for (size_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(first + i);
    return d;
}

}  // namespace

TEST(WaveFormat, OpensPlainPcmAndReportsItsFormat) {
    WaveOptions o;
    o.channels = 1;
    o.rate = 22050;
    o.bits = 8;
    Held held(MakeWave(Data(100), o));
    TyxWaveFormat wave;
    ASSERT_TRUE(wave.Open(&held.stream));
    EXPECT_EQ(wave.Format().wFormatTag, 1);
    EXPECT_EQ(wave.Format().nChannels, 1);
    EXPECT_EQ(wave.Format().nSamplesPerSec, 22050u);
    EXPECT_EQ(wave.Format().nAvgBytesPerSec, 22050u);
    EXPECT_EQ(wave.Format().nBlockAlign, 1);
    EXPECT_EQ(wave.Format().wBitsPerSample, 8);
    EXPECT_EQ(wave.Format().cbSize, 0);
    EXPECT_EQ(wave.DataSize(), 100u);
    EXPECT_EQ(wave.FactChunkSize(), 0u);
    EXPECT_FALSE(wave.Ended());
}

TEST(WaveFormat, AcceptsFactChunksAndLongFormatChunks) {
    WaveOptions o;
    o.factSize = 4;
    EXPECT_TRUE(OpensWave(MakeWave(Data(40), o)));
    o.factSize = 12;
    o.extraFormatBytes = 2;
    Held held(MakeWave(Data(40), o));
    TyxWaveFormat wave;
    ASSERT_TRUE(wave.Open(&held.stream));
    EXPECT_EQ(wave.FactChunkSize(), 12u);
    EXPECT_EQ(wave.FactValue(), 16u);
    EXPECT_EQ(wave.FormatChunkSize(), 18u);
    std::vector<uint8_t> out(40);
    EXPECT_EQ(wave.Read(out.data(), 40, false), 40u);
    EXPECT_EQ(out, Data(40));
}

TEST(WaveFormat, RefusesEverythingButFmtFactDataWithAnExactSize) {
    auto good = MakeWave(Data(40));
    EXPECT_TRUE(OpensWave(good));

    WaveOptions list;
    list.before = {{"LIST", Data(6)}};
    EXPECT_FALSE(OpensWave(MakeWave(Data(40), list)));
    WaveOptions trailing;
    trailing.after = {{"LIST", Data(6)}};
    EXPECT_FALSE(OpensWave(MakeWave(Data(40), trailing)));
    WaveOptions sizeOff;
    sizeOff.riffSizeDelta = 2;
    EXPECT_FALSE(OpensWave(MakeWave(Data(40), sizeOff)));
    sizeOff.riffSizeDelta = -2;
    EXPECT_FALSE(OpensWave(MakeWave(Data(40), sizeOff)));

    auto notRiff = good;
    notRiff[0] = 'X';
    EXPECT_FALSE(OpensWave(notRiff));
    auto notWave = good;
    notWave[8] = 'A';
    EXPECT_FALSE(OpensWave(notWave));
    auto noFmt = good;
    noFmt[12] = 'x';
    EXPECT_FALSE(OpensWave(noFmt));
    auto fmtAnyFourth = good;  // only "fmt" is checked
    fmtAnyFourth[15] = '!';
    EXPECT_TRUE(OpensWave(fmtAnyFourth));

    // Cut anywhere: the headers or the data come short, and the open says so.
    for (size_t cut : {0, 3, 11, 20, 35, 43, 44, 60, 83}) {
        std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_FALSE(OpensWave(truncated)) << cut;
    }
    EXPECT_FALSE(OpensWave({}));
}

TEST(WaveFormat, EndsWithSilenceOfItsSampleSizeOrWrapsWhenLooped) {
    WaveOptions eight;
    eight.channels = 1;
    eight.bits = 8;
    {
        Held held(MakeWave(Data(10), eight));
        TyxWaveFormat wave;
        ASSERT_TRUE(wave.Open(&held.stream));
        std::vector<uint8_t> out(16, 0x55);
        EXPECT_EQ(wave.Read(out.data(), 16, false), 10u);
        EXPECT_TRUE(wave.Ended());
        for (size_t i = 10; i < 16; ++i) EXPECT_EQ(out[i], 0x80) << i;
        // The next read without loop is all silence and stays ended.
        EXPECT_EQ(wave.Read(out.data(), 4, false), 0u);
        EXPECT_EQ(out[0], 0x80);
        EXPECT_TRUE(wave.Ended());
    }
    {
        Held held(MakeWave(Data(10)));
        TyxWaveFormat wave;
        ASSERT_TRUE(wave.Open(&held.stream));
        std::vector<uint8_t> out(10, 0x55);
        // Reaching the end exactly sets ended; the next read wraps.
        EXPECT_EQ(wave.Read(out.data(), 10, false), 10u);
        EXPECT_TRUE(wave.Ended());
        std::vector<uint8_t> more(14, 0x55);
        EXPECT_EQ(wave.Read(more.data(), 14, false), 0u);
        EXPECT_EQ(more, std::vector<uint8_t>(14, 0));
        std::vector<uint8_t> looped(35, 0);
        EXPECT_EQ(wave.Read(looped.data(), 35, true), 35u);
        for (size_t i = 0; i < 35; ++i) EXPECT_EQ(looped[i], Data(10)[i % 10]) << i;
        EXPECT_FALSE(wave.Ended());
    }
}

TEST(WaveFormat, StartsWhereTheStreamStoodAndSurvivesAnEmptyLoop) {
    std::vector<uint8_t> bytes(7, 0xEE);
    auto wav = MakeWave(Data(8));
    bytes.insert(bytes.end(), wav.begin(), wav.end());
    Held held(bytes, 7);
    TyxWaveFormat wave;
    ASSERT_TRUE(wave.Open(&held.stream));
    std::vector<uint8_t> out(8);
    EXPECT_EQ(wave.Read(out.data(), 8, true), 8u);
    EXPECT_EQ(out, Data(8));

    // No data at all: a looped read must not spin looking for some.
    Held empty(MakeWave({}));
    TyxWaveFormat none;
    ASSERT_TRUE(none.Open(&empty.stream));
    std::vector<uint8_t> silent(6, 0x55);
    EXPECT_EQ(none.Read(silent.data(), 6, true), 0u);
    EXPECT_EQ(silent, std::vector<uint8_t>(6, 0));
}

TEST(WaveFormat, DataThatShrinksAwayEndsTheSoundInSilence) {
    Held held(MakeWave(Data(100)));
    TyxWaveFormat wave;
    ASSERT_TRUE(wave.Open(&held.stream));
    held.memory.Bytes().resize(44 + 30);
    std::vector<uint8_t> out(200, 0x55);
    EXPECT_EQ(wave.Read(out.data(), 200, true), 30u);
    EXPECT_TRUE(wave.Failed());
    for (size_t i = 30; i < 200; ++i) ASSERT_EQ(out[i], 0) << i;
}

namespace {

const std::vector<uint8_t>& OggStereo() {
    static const std::vector<uint8_t> bytes =
        fixtures::EncodeOgg(fixtures::Sine(11025, 2, 44100, 440.0, 12000.0), 2, 44100);
    return bytes;
}

std::vector<uint8_t> DecodeAll(const std::vector<uint8_t>& ogg) {
    Held held(ogg);
    TyxOggFormat source;
    EXPECT_TRUE(source.Open(&held.stream));
    std::vector<uint8_t> out(1 << 20);
    uint32_t n = source.Read(out.data(), static_cast<uint32_t>(out.size()), false);
    out.resize(n);
    return out;
}

const std::vector<uint8_t>& OggLong() {
    static const std::vector<uint8_t> bytes =
        fixtures::EncodeOgg(fixtures::Sine(88200, 2, 44100, 330.0, 9000.0), 2, 44100);
    return bytes;
}

}  // namespace

TEST(OggFormat, OpensFromAMemoryStreamAndDecodesEveryFrame) {
    ASSERT_FALSE(OggStereo().empty());
    Held held(OggStereo());
    TyxOggFormat source;
    ASSERT_TRUE(source.Open(&held.stream));
    EXPECT_EQ(source.Format().wFormatTag, 1);
    EXPECT_EQ(source.Format().nChannels, 2);
    EXPECT_EQ(source.Format().nSamplesPerSec, 44100u);
    EXPECT_EQ(source.Format().wBitsPerSample, 16);
    EXPECT_EQ(source.Format().nBlockAlign, 4);
    EXPECT_EQ(source.Format().nAvgBytesPerSec, 176400u);
    EXPECT_EQ(source.TotalLength(), 250);
    EXPECT_EQ(DecodeAll(OggStereo()).size(), 11025u * 4);
}

TEST(OggFormat, LoopWrapsWithoutAGapAndTheEndIsPaddedWithZero) {
    auto once = DecodeAll(OggStereo());
    Held held(OggStereo());
    TyxOggFormat source;
    ASSERT_TRUE(source.Open(&held.stream));
    std::vector<uint8_t> looped(once.size() * 2 + 400, 0x55);
    EXPECT_EQ(source.Read(looped.data(), static_cast<uint32_t>(looped.size()), true),
              looped.size());
    EXPECT_FALSE(source.Ended());
    EXPECT_TRUE(std::equal(once.begin(), once.end(), looped.begin()));
    EXPECT_TRUE(std::equal(once.begin(), once.end(), looped.begin() + once.size()));

    std::vector<uint8_t> rest(once.size(), 0x55);
    uint32_t n = source.Read(rest.data(), static_cast<uint32_t>(rest.size()), false);
    EXPECT_EQ(n, once.size() - 400);
    EXPECT_TRUE(source.Ended());
    for (size_t i = n; i < rest.size(); ++i) ASSERT_EQ(rest[i], 0) << i;
    ASSERT_TRUE(source.Rewind());
    EXPECT_FALSE(source.Ended());
}

TEST(OggFormat, SoundInsideALargerStreamIsFoundAtItsStart) {
    std::vector<uint8_t> bytes(1000, 0x42);
    bytes.insert(bytes.end(), OggStereo().begin(), OggStereo().end());
    Held held(bytes, 1000);
    TyxOggFormat source;
    ASSERT_TRUE(source.Open(&held.stream));
    std::vector<uint8_t> out(8000);
    source.Read(out.data(), 8000, true);
    auto once = DecodeAll(OggStereo());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), once.begin()));
}

TEST(OggFormat, RefusesWhatIsNotVorbis) {
    TyxOggFormat source;
    for (const auto& bytes : {std::vector<uint8_t>{}, std::vector<uint8_t>{'O', 'g', 'g', 'S'},
                              std::vector<uint8_t>(OggStereo().begin(), OggStereo().begin() + 200),
                              MakeWave(Data(40))}) {
        Held held(bytes);
        EXPECT_FALSE(source.Open(&held.stream));
    }
    // Damaged headers.
    auto damaged = OggStereo();
    for (size_t i = 28; i < 120; ++i) damaged[i] ^= 0x5A;
    Held held(damaged);
    EXPECT_FALSE(source.Open(&held.stream));
    // A failed open leaves nothing to read.
    std::vector<uint8_t> out(16, 1);
    EXPECT_EQ(source.Read(out.data(), 16, true), 0u);
    EXPECT_EQ(out, std::vector<uint8_t>(16, 0));
}

TEST(OggFormat, DamageInTheMiddleNeitherHangsNorOverruns) {
    auto once = DecodeAll(OggLong());
    auto damage = [](std::vector<uint8_t>& bytes, size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) bytes[i] = static_cast<uint8_t>(i * 31);
    };
    // Pages lost in the middle: decoding skips them and still reaches the end.
    {
        auto damaged = OggLong();
        damage(damaged, damaged.size() / 2, damaged.size() * 7 / 10);
        Held held(damaged);
        TyxOggFormat source;
        ASSERT_TRUE(source.Open(&held.stream));
        std::vector<uint8_t> all(once.size() * 2, 0x55);
        uint32_t n = source.Read(all.data(), static_cast<uint32_t>(all.size()), false);
        EXPECT_TRUE(source.Ended());
        EXPECT_LT(n, once.size());
        for (size_t i = n; i < all.size(); ++i) ASSERT_EQ(all[i], 0) << i;
    }
    // The stream turns to noise after the open (a file rewritten while it plays): a looped
    // read plays what the decoder still holds, and a whole pass of a short sound is kept and
    // loops on from memory.
    {
        struct Souring : TyxMemorySoundStream {
            using TyxMemorySoundStream::TyxMemorySoundStream;
            bool sour = false;
            size_t Read(void* buffer, size_t size) override {
                size_t n = TyxMemorySoundStream::Read(buffer, size);
                if (sour) {
                    auto* p = static_cast<uint8_t*>(buffer);
                    for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(i * 131 + 7);
                }
                return n;
            }
        };
        TMemoryStream memory;
        memory.Write(OggLong().data(), OggLong().size());
        memory.SetPosition(0);
        Souring stream(memory);
        TyxOggFormat source;
        ASSERT_TRUE(source.Open(&stream));
        stream.sour = true;
        std::vector<uint8_t> out(once.size() * 3 + 8, 0x55);
        uint32_t n = source.Read(out.data(), static_cast<uint32_t>(out.size() - 8), true);
        // This one is short, and the decoder read it whole before the noise.
        EXPECT_EQ(n, out.size() - 8);
        EXPECT_FALSE(source.Failed());
        for (size_t pass = 0; pass < 3; ++pass)
            ASSERT_TRUE(std::equal(once.begin(), once.end(), out.begin() + pass * once.size()));
        for (size_t i = out.size() - 8; i < out.size(); ++i) EXPECT_EQ(out[i], 0x55);
    }
}
