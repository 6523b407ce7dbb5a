#include "resources/witch.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/sjis.h"
#include "resources/engine_key.h"
#include "resources/sjis_text.h"

namespace {

const std::string kExt = ".`a0";

TyxWitch KeyedWitch() {
    TyxWitch witch(0);
    witch.SetKey(EngineKeyText());
    return witch;
}

TEST(WitchTest, KeyIsThirtyTwoDoubleByteCharacters) {
    const std::string key = EngineKeyText();
    ASSERT_EQ(key.size(), 64u);
    for (size_t i = 0; i < key.size(); i += 2)
        EXPECT_TRUE(platform::IsSjisLeadByte(static_cast<unsigned char>(key[i]))) << i;
    TyxWitch witch(0);
    EXPECT_EQ(witch.Extension(), kExt);
    EXPECT_TRUE(witch.Key().empty());
}

TEST(WitchTest, DecodeWrapsAfterTheKeyAndRestartsEachCall) {
    const TyxWitch witch = KeyedWitch();
    const std::string key = EngineKeyText();
    std::vector<uint8_t> zeros(150, 0);
    ASSERT_TRUE(witch.Decode(zeros.data(), zeros.size()));
    for (size_t i = 0; i < zeros.size(); ++i)
        ASSERT_EQ(zeros[i], static_cast<uint8_t>(key[i % 64])) << i;

    // Halves decoded separately each start at the first key byte.
    std::vector<uint8_t> whole(100, 0x5A), halves(100, 0x5A);
    witch.Decode(whole.data(), 100);
    witch.Decode(halves.data(), 50);
    witch.Decode(halves.data() + 50, 50);
    EXPECT_NE(whole, halves);
    EXPECT_EQ(std::vector<uint8_t>(whole.begin(), whole.begin() + 50),
              std::vector<uint8_t>(halves.begin(), halves.begin() + 50));

    // Its own inverse.
    witch.Decode(whole.data(), 100);
    EXPECT_EQ(whole, std::vector<uint8_t>(100, 0x5A));
}

TEST(WitchTest, WithoutKeyOrRoutineNothingChanges) {
    TyxWitch noKey(0);
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_FALSE(noKey.Decode(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
    std::string name = "a.png" + kExt;
    EXPECT_FALSE(noKey.StripAndDecode(bytes.data(), bytes.size(), name));

    TyxWitch other(1);
    other.SetKey(EngineKeyText());
    EXPECT_TRUE(other.Extension().empty());
    EXPECT_TRUE(other.Decode(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
    TMemoryStream stream;
    stream.Write(bytes.data(), 3);
    EXPECT_TRUE(other.DecodeStream(stream));
    EXPECT_EQ(stream.Position(), 3u);  // untouched
    EXPECT_EQ(other.RealExtension("a.png" + kExt), kExt);
}

TEST(WitchTest, DecodeStreamLeavesPositionAtZero) {
    const TyxWitch witch = KeyedWitch();
    TMemoryStream stream;
    const uint8_t plain[5] = {9, 8, 7, 6, 5};
    stream.Write(plain, 5);
    ASSERT_EQ(stream.Position(), 5u);
    EXPECT_TRUE(witch.DecodeStream(stream));
    EXPECT_EQ(stream.Position(), 0u);
    EXPECT_EQ(stream.Data()[0], plain[0] ^ static_cast<uint8_t>(EngineKeyText()[0]));
    witch.DecodeStream(stream);
    EXPECT_EQ(std::vector<uint8_t>(stream.Data(), stream.Data() + 5),
              std::vector<uint8_t>(plain, plain + 5));
}

TEST(WitchTest, RealExtensionStripsEveryScrambleExtension) {
    const TyxWitch witch = KeyedWitch();
    EXPECT_EQ(witch.RealExtension("bg01.png"), ".png");
    EXPECT_EQ(witch.RealExtension("bg01.png" + kExt), ".png");
    EXPECT_EQ(witch.RealExtension("bg01.PNG.`A0"), ".png");
    EXPECT_EQ(witch.RealExtension("face.jpg"), ".jpg");
    EXPECT_EQ(witch.RealExtension("data.OGG" + kExt + kExt), ".ogg");
    EXPECT_EQ(witch.RealExtension("noext"), "");
    EXPECT_EQ(witch.RealExtension("noext" + kExt), "");
    EXPECT_EQ(witch.RealExtension("dir.d\\file"), "");
    EXPECT_EQ(witch.RealExtension("c:file"), "");
    // 0x95 0x5C: a double-byte character whose trail byte is '\'.
    EXPECT_EQ(witch.RealExtension(SJ("表.VPP")), ".vpp");
    EXPECT_EQ(witch.RealExtension(SJ("ア.bmp\\表")), "");
    EXPECT_EQ(witch.StripScrambleExtension("a.b" + kExt + kExt), "a.b");
}

TEST(WitchTest, StripAndDecodeUndoesEachLayer) {
    const TyxWitch witch = KeyedWitch();
    const std::vector<uint8_t> plain = {'P', 'N', 'G', 0, 1, 2};
    std::vector<uint8_t> once = plain;
    witch.Decode(once.data(), once.size());
    std::string name = "title.png" + kExt;
    ASSERT_TRUE(witch.StripAndDecode(once.data(), once.size(), name));
    EXPECT_EQ(once, plain);
    EXPECT_EQ(name, "title.png");

    // Two layers: decoded twice, so the stored bytes are the plain ones.
    std::string two = "title.png" + kExt + kExt;
    std::vector<uint8_t> same = plain;
    ASSERT_TRUE(witch.StripAndDecode(same.data(), same.size(), two));
    EXPECT_EQ(same, plain);
    EXPECT_EQ(two, "title.png");

    std::string loose = "title.png";
    ASSERT_TRUE(witch.StripAndDecode(same.data(), same.size(), loose));
    EXPECT_EQ(same, plain);
}

}  // namespace
