#include "platform/sjis.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Sjis, RoundTripsJapaneseAndAscii) {
    const std::string utf8 = "表示テスト ABC \\~ ｱｲｳ ＡＢＣ";
    const std::string sjis = Utf8ToSjis(utf8);
    EXPECT_EQ(sjis.substr(0, 2), "\x95\x5C");  // 表: its trail byte is a backslash
    EXPECT_EQ(SjisToUtf8(sjis), utf8);
    EXPECT_EQ(Utf8ToSjis("plain"), "plain");
    EXPECT_EQ(SjisToUtf8(""), "");
}

TEST(Sjis, BytesThatDoNotConvertAreReplaced) {
    // A lone trailing lead byte, an unassigned pair, and a byte that is never Shift-JIS.
    EXPECT_EQ(SjisToUtf8("a\x82"), "a\xEF\xBF\xBD");
    EXPECT_EQ(SjisToUtf8("a\x85\x40z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(SjisToUtf8("\xFD!"), "\xEF\xBF\xBD!");
    // Characters without a Shift-JIS code, and broken UTF-8.
    EXPECT_EQ(Utf8ToSjis("x\xF0\x9F\x98\x80y"), "x?y");
    EXPECT_EQ(Utf8ToSjis("x\xC3y"), "x?y");
    EXPECT_EQ(Utf8ToSjis("\xE8\xA1"), "?");
}

TEST(Sjis, TellsUtf8FromShiftJis) {
    EXPECT_TRUE(IsValidUtf8("ascii"));
    EXPECT_TRUE(IsValidUtf8("表示"));
    EXPECT_FALSE(IsValidUtf8(Utf8ToSjis("表示")));
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE8\xA1"));      // cut short
}
