#include <gtest/gtest.h>

#include <QString>
#include <cstring>

#include "platform/sjis.h"
#include "resources/memory_stream.h"
#include "resources/yxstringlib.h"

// Shift-JIS characters whose second byte is an ASCII separator or letter.
#define HYO "\x95\x5C"     // 表: trail byte '\'
#define SO "\x83\x5C"      // ソ: trail byte '\'
#define PO "\x83\x7C"      // ポ: trail byte '|'
#define A_KANA "\x83\x41"  // ア: trail byte 'A'
#define DA_KANA \
    "\x83\x5F"  \
    "\x83\x61"              // ダ (0x835F) + a character with trail byte 'a'
#define FW_A_UP "\x82\x60"  // Ａ
#define FW_A_LO "\x82\x81"  // ａ
#define FW_Z_LO "\x82\x9A"  // ｚ
#define FW_Z_UP "\x82\x79"  // Ｚ

using TL = TStringList;

namespace {
TL SplitOf(std::string_view text, std::string_view seps, int* count = nullptr) {
    TL list;
    int n = yx::Split(text, seps, list);
    if (count) *count = n;
    return list;
}
}  // namespace

TEST(StringLib, CommaTextSplitsAtCommasAndBlanks) {
    EXPECT_EQ(yx::SplitCommaText("a,b c"), (TL{"a", "b", "c"}));
    EXPECT_EQ(yx::SplitCommaText("  a , b  "), (TL{"a", "b"}));
    EXPECT_EQ(yx::SplitCommaText("a,,b"), (TL{"a", "", "b"}));
    EXPECT_EQ(yx::SplitCommaText(",a,"), (TL{"", "a"}));
    EXPECT_EQ(yx::SplitCommaText("\"x y,z\" \"q\"\"r\""), (TL{"x y,z", "q\"r"}));
    EXPECT_EQ(yx::SplitCommaText("\"\",a"), (TL{"", "a"}));
    EXPECT_EQ(yx::SplitCommaText(SO "," PO), (TL{SO, PO}));
    EXPECT_EQ(yx::SplitCommaText(""), TL{});
}

TEST(StringLib, SplitSeparatesQuotesAndEmptyItems) {
    EXPECT_EQ(SplitOf("a b,c", " ,"), (TL{"a", "b", "c"}));
    EXPECT_EQ(SplitOf("a  b", " ,"), (TL{"a", "", "b"}));
    // The comma after a closing quote ends an item that has just begun.
    EXPECT_EQ(SplitOf("\"x y\",z", " ,"), (TL{"x y", "", "z"}));
    EXPECT_EQ(SplitOf("\"a,b\",c", ","), (TL{"a,b", "", "c"}));
    EXPECT_EQ(SplitOf("", ","), (TL{""}));
    EXPECT_EQ(SplitOf("\"\"", ","), (TL{"", ""}));
    // An opening quote inside an item does not end it; an unclosed run keeps separators.
    EXPECT_EQ(SplitOf("ab\"c,d", ","), (TL{"abc,d"}));
    EXPECT_EQ(SplitOf("1,2,3", ","), (TL{"1", "2", "3"}));

    int n = 0;
    TL list{"keep"};
    n = yx::Split("p,q", ",", list);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(list, (TL{"keep", "p", "q"}));  // appends without clearing
}

TEST(StringLib, SplitNeverCutsDoubleByteCharacters) {
    EXPECT_EQ(SplitOf("a\\" HYO "\\b", "\\"), (TL{"a", HYO, "b"}));
    EXPECT_EQ(SplitOf(SO SO "\\" SO, "\\"), (TL{SO SO, SO}));
    EXPECT_EQ(SplitOf(PO "|x", "|"), (TL{PO, "x"}));
    // Inside a quoted run too, and a lead byte cut off at the end is kept.
    EXPECT_EQ(SplitOf("\"" HYO "\"", "\\"), (TL{HYO, ""}));
    EXPECT_EQ(SplitOf("a,\x95", ","), (TL{"a", "\x95"}));
    // Half-width katakana are single-byte characters and never swallow the next byte.
    EXPECT_EQ(SplitOf("\xB1,b", ","), (TL{"\xB1", "b"}));
}

TEST(StringLib, SplitNonEmptyAndRemoveEmpty) {
    TL list{"old"};
    EXPECT_EQ(yx::SplitNonEmpty("a  b", " ,", list), 3);
    EXPECT_EQ(list, (TL{"a", "b"}));
    EXPECT_EQ(yx::SplitNonEmpty("\"x y\",z", " ,", list), 3);
    EXPECT_EQ(list, (TL{"x y", "z"}));
    EXPECT_EQ(yx::SplitNonEmpty("", " ,", list), 1);
    EXPECT_TRUE(list.empty());

    TL l2{"", "a", "", "", "b", ""};
    yx::RemoveEmpty(l2);
    EXPECT_EQ(l2, (TL{"a", "b"}));
}

TEST(StringLib, GetField) {
    EXPECT_EQ(yx::GetField("a,,b", ",", 0), "a");
    EXPECT_EQ(yx::GetField("a,,b", ",", 1), "");
    EXPECT_EQ(yx::GetField("a,,b", ",", 2), "b");
    EXPECT_EQ(yx::GetField("a,,b", ",", 3), "");
    EXPECT_EQ(yx::GetField("a,,b", ",", -1), "");
    EXPECT_EQ(yx::GetField("\"a,b\"", ",", 1), "b\"");  // quotes mean nothing here
    EXPECT_EQ(yx::GetField(HYO "\\x", "\\", 0), HYO);
    EXPECT_EQ(yx::GetField(HYO "\\x", "\\", 1), "x");
    EXPECT_EQ(yx::GetField("", ",", 0), "");
}

TEST(StringLib, SplitAtAndSplitAtComma) {
    std::string l = "L", r = "R";
    EXPECT_FALSE(yx::SplitAt("key=", "=", l, r));
    EXPECT_EQ(l, "L");
    EXPECT_EQ(r, "R");
    EXPECT_FALSE(yx::SplitAt("key", "=", l, r));
    EXPECT_FALSE(yx::SplitAt("key", "", l, r));
    EXPECT_TRUE(yx::SplitAt("=5", "=", l, r));
    EXPECT_EQ(l, "");
    EXPECT_EQ(r, "5");
    EXPECT_TRUE(yx::SplitAt("a=b=c", "=", l, r));
    EXPECT_EQ(l, "a");
    EXPECT_EQ(r, "b=c");
    EXPECT_TRUE(yx::SplitAt("a::b", "::", l, r));
    EXPECT_EQ(r, "b");
    // The trail byte of ポ is not the separator.
    EXPECT_TRUE(yx::SplitAt(PO "|x", "|", l, r));
    EXPECT_EQ(l, PO);
    EXPECT_EQ(r, "x");
    EXPECT_FALSE(yx::SplitAt(PO "x", "|", l, r));

    EXPECT_TRUE(yx::SplitAtComma("a,", l, r));
    EXPECT_EQ(l, "a");
    EXPECT_EQ(r, "");
    EXPECT_TRUE(yx::SplitAtComma("1,2,3", l, r));
    EXPECT_EQ(r, "2,3");
    EXPECT_FALSE(yx::SplitAtComma("abc", l, r));
}

TEST(StringLib, TextAfterAndIndexOfText) {
    EXPECT_EQ(yx::TextAfter("reg:HKEY_CURRENT_USER\\x", "reg:"), "HKEY_CURRENT_USER\\x");
    EXPECT_EQ(yx::TextAfter("REG:HKEY_CURRENT_USER\\x", "reg:"), "");
    EXPECT_EQ(yx::TextAfter("xreg:abc", "reg:"), "abc");  // starts at position 2 < 4
    EXPECT_EQ(yx::TextAfter("abcreg:x", "reg:"), "");     // position 4 is not < 4
    EXPECT_EQ(yx::TextAfter("abc", ""), "");
    EXPECT_EQ(yx::TextAfter("reg:", "reg:"), "");

    TL list{"Alpha", "beta", FW_A_UP};
    EXPECT_EQ(yx::IndexOfText(list, "alpha", false), -1);
    EXPECT_EQ(yx::IndexOfText(list, "alpha", true), 0);
    EXPECT_EQ(yx::IndexOfText(list, "beta", false), 1);
    EXPECT_EQ(yx::IndexOfText(list, FW_A_LO, true), 2);
    EXPECT_EQ(yx::IndexOfText(list, "gamma", true), -1);
}

TEST(StringLib, ParsePoint) {
    EXPECT_EQ(yx::ParsePoint("12, 34"), (TPoint{12, 34}));
    EXPECT_EQ(yx::ParsePoint("-5,7"), (TPoint{5, 7}));
    EXPECT_EQ(yx::ParsePoint("1a2"), (TPoint{12, 0}));
    EXPECT_EQ(yx::ParsePoint("1,2,3"), (TPoint{1, 23}));
    EXPECT_EQ(yx::ParsePoint(""), (TPoint{0, 0}));
    EXPECT_EQ(yx::ParsePoint(HYO "3,4"), (TPoint{3, 4}));
    yx::ParsePoint("99999999999999999999999,99999999999999999999");  // wraps, no overflow
}

TEST(StringLib, StripFileNameChars) {
    EXPECT_EQ(yx::StripFileNameChars("a:b?c"), "abc");
    EXPECT_EQ(yx::StripFileNameChars("\"*/:<>?\\|x"), "x");
    EXPECT_EQ(yx::StripFileNameChars(HYO "\\" SO PO "|"), HYO SO PO);
}

// The locale comparison folds exactly the letters Unicode gives a case: every pair of
// characters of the first four lead bytes (symbols, full-width Latin, kana, Greek, Cyrillic)
// is equal under SameText when, and only when, their case-folded Unicode forms are.
TEST(StringLib, SameTextFoldsEveryShiftJisLetterThatHasACase) {
    std::vector<std::pair<std::string, QString>> chars;
    for (int lead = 0x81; lead <= 0x84; ++lead)
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const std::string c = {static_cast<char>(lead), static_cast<char>(trail)};
            const QString u = QString::fromUtf8(platform::SjisToUtf8(c));
            if (u.size() == 1 && u[0] != QChar::ReplacementCharacter && u[0] != u'?')
                chars.emplace_back(c, u.toCaseFolded());
        }
    ASSERT_GT(chars.size(), 500u);
    int folded = 0;
    for (const auto& [a, ua] : chars)
        for (const auto& [b, ub] : chars) {
            ASSERT_EQ(yx::SameText(a, b), ua == ub) << platform::SjisToUtf8(a + " / " + b);
            ASSERT_EQ(yx::FoldsTo(a, yx::FoldText(b)), ua == ub);
            folded += a != b && ua == ub;
        }
    EXPECT_EQ(folded, 2 * (26 + 24 + 33));  // full-width Latin, Greek, Cyrillic pairs
}

TEST(StringLib, ComparisonsFoldTheRightLetters) {
    EXPECT_TRUE(yx::SameText("Hello", "hELLO"));
    EXPECT_TRUE(yx::SameText(FW_A_LO FW_Z_LO, FW_A_UP FW_Z_UP));
    EXPECT_FALSE(yx::SameText(FW_A_LO, "a"));
    EXPECT_FALSE(yx::SameText("abc", "abcd"));
    // Trail bytes in the ASCII letter range are part of their character, never folded.
    EXPECT_FALSE(yx::SameText(A_KANA, "\x83\x61"));
    EXPECT_FALSE(yx::SameTextAscii(A_KANA, "\x83\x61"));
    // The folded key agrees with SameText.
    for (auto [x, y] : {std::pair<const char*, const char*>{"Hello", "hELLO"},
                        {FW_A_LO FW_Z_LO, FW_A_UP FW_Z_UP},
                        {FW_A_LO, "a"},
                        {A_KANA, "\x83\x61"}})
        EXPECT_EQ(yx::FoldText(x) == yx::FoldText(y), yx::SameText(x, y)) << x;
    EXPECT_FALSE(yx::SameText(DA_KANA, "\x83\x5F\x83\x41"));

    EXPECT_TRUE(yx::SameTextAscii("File.BCX", "file.bcx"));
    EXPECT_FALSE(yx::SameTextAscii(FW_A_LO, FW_A_UP));

    EXPECT_LT(yx::CompareText("apple", "Banana"), 0);
    EXPECT_GT(yx::CompareText("b", "A"), 0);
    EXPECT_LT(yx::CompareText("ab", "AbC"), 0);  // a prefix sorts first
    EXPECT_EQ(yx::CompareText("ab", "AB"), 0);
    EXPECT_LT(yx::CompareTextAscii("a_", "B"), 0);
    EXPECT_GT(yx::CompareTextAscii(HYO, "z"), 0);  // double-byte characters by byte value
    EXPECT_EQ(yx::CompareTextAscii("x", "X"), 0);

    EXPECT_EQ(yx::LowerCaseAscii("AbC" A_KANA FW_A_UP), "abc" A_KANA FW_A_UP);
    EXPECT_EQ(yx::UpperCaseAscii("aBc\x83\x61"), "ABC\x83\x61");
}

TEST(StringLib, IntegerConversion) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"12", true, 12},
        {"  12", true, 12},
        {"\t-12", true, -12},
        {"+7", true, 7},
        {"$1F", true, 31},
        {"x1f", true, 31},
        {"X10", true, 16},
        {"0x10", true, 16},
        {"0X1a", true, 26},
        {"-$10", true, -16},
        {"$FFFFFFFF", true, -1},
        {"$80000000", true, INT32_MIN},
        {"$000000001", true, 1},
        {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"007", true, 7},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"$100000000", false, 0},
        {"99999999999999999999", false, 0},
        {"", false, 0},
        {" ", false, 0},
        {"-", false, 0},
        {"$", false, 0},
        {"0x", false, 0},
        {"12 ", false, 0},
        {"1a", false, 0},
        {"1.5", false, 0},
        {"--1", false, 0},
        {"$G", false, 0},
        {"0b1", false, 0},
    };
    for (const Case& c : cases) {
        int32_t v = 4242;
        EXPECT_EQ(yx::TryStrToInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
        EXPECT_EQ(yx::StrToIntDef(c.text, -77), c.ok ? c.value : -77) << c.text;
    }
    EXPECT_EQ(yx::IntToStr(-42), "-42");
    EXPECT_EQ(yx::IntToStr(0), "0");
    EXPECT_EQ(yx::IntToStr(INT32_MIN), "-2147483648");
}

TEST(StringLib, FileNameHelpersIgnoreTrailBytes) {
    EXPECT_EQ(yx::ExtractFilePath("dir\\sub/" HYO), "dir\\sub/");
    EXPECT_EQ(yx::ExtractFilePath("dir\\" HYO "x"), "dir\\");
    EXPECT_EQ(yx::ExtractFilePath("name"), "");
    EXPECT_EQ(yx::ExtractFileName("a\\" HYO), HYO);
    EXPECT_EQ(yx::ExtractFileName("a/b" SO ".png"), "b" SO ".png");
    EXPECT_EQ(yx::ExtractFileName("C:x.txt"), "x.txt");
    EXPECT_EQ(yx::ExtractFileExt("x.png"), ".png");
    EXPECT_EQ(yx::ExtractFileExt("a.b\\c"), "");
    EXPECT_EQ(yx::ExtractFileExt("a.tar.gz"), ".gz");
    EXPECT_EQ(yx::ChangeFileExt("dir.d\\a.png", ".bmp"), "dir.d\\a.bmp");
    EXPECT_EQ(yx::ChangeFileExt("dir.d\\a", ".bmp"), "dir.d\\a.bmp");
    EXPECT_EQ(yx::ChangeFileExt("a.png", ""), "a");
    EXPECT_EQ(yx::IncludeTrailingBackslash(HYO), HYO "\\");
    EXPECT_EQ(yx::IncludeTrailingBackslash("a\\"), "a\\");
    EXPECT_EQ(yx::IncludeTrailingBackslash("a/"), "a/");
    EXPECT_EQ(yx::ExcludeTrailingBackslash(HYO), HYO);
    EXPECT_EQ(yx::ExcludeTrailingBackslash(HYO "\\"), HYO);
    EXPECT_EQ(yx::ExcludeTrailingBackslash("a/"), "a");
    EXPECT_EQ(yx::ExcludeTrailingBackslash(""), "");
}

TEST(MemoryStream, WritesGrowAndReadsStopAtTheEnd) {
    TMemoryStream s;
    s.Write("abcdef", 6);
    s.SetPosition(2);
    s.Write("XYZWV", 5);  // overwrites and grows
    EXPECT_EQ(s.Size(), 7u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Data()), s.Size()), "abXYZWV");
    s.SetPosition(5);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 2u);
    EXPECT_EQ(std::string(buf, 2), "WV");
    EXPECT_EQ(s.Read(buf, 8), 0u);
    s.SetPosition(100);
    EXPECT_EQ(s.Position(), 7u);
    s.Write(nullptr, 0);
    EXPECT_EQ(s.Size(), 7u);
}
