#include <gtest/gtest.h>

#include "bcl_fixture.h"
#include "resources/bcl.h"
#include "resources/picture_decoder.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

using namespace archive_fixture;

// The host's image readers, as a resource manager without a decoder of its own uses.
inline TyxPictureDecoder& HostDecoder() {
    static TyxPictureDecoder decoder;
    return decoder;
}

namespace {

class BclTest : public ArchiveTest {
protected:
    // "data.bcd" holds "0123456789abcdefghij".
    void SetUp() override { WriteData("data.bcd", "0123456789abcdefghij"); }
    std::string Stream(const TyxBCL& bcl, const std::string& name) {
        TMemoryStream s;
        if (!bcl.LoadStream(s, name)) return "<fail>";
        return std::string(s.Data(), s.Data() + s.Size());
    }
};

TEST_F(BclTest, CanonicalIndexFromThePacker) {
    const std::string index = PackBcl(
        "game.bcl",
        {{"bg\\bg01.txt", Bytes("hello\r\nworld")}, {"empty.txt", {}}, {"b.bin", Bytes("xyz")}});
    TyxBCL bcl(&m_Witch);
    ASSERT_TRUE(bcl.Open(index));
    EXPECT_EQ(bcl.IndexFileName(), index);
    EXPECT_EQ(bcl.DataFileName(), m_Dir.Str() + "game.bcd");
    ASSERT_EQ(bcl.Items().size(), 3u);
    EXPECT_EQ(bcl.Items()[0].Name, "bg\\bg01.txt");  // index order
    EXPECT_EQ(bcl.Items()[0].Offset, 16);
    EXPECT_EQ(bcl.Items()[0].Size, 12);
    TStringList lines = {"old"};
    ASSERT_TRUE(bcl.LoadStrings(lines, "BG\\BG01.TXT"));
    EXPECT_EQ(lines, (TStringList{"hello", "world"}));
    EXPECT_EQ(Stream(bcl, "empty.txt"), "");
    EXPECT_EQ(Stream(bcl, "b.bin"), "xyz");
    EXPECT_FALSE(bcl.Contains("missing"));
    EXPECT_EQ(Stream(bcl, "missing"), "<fail>");
}

TEST_F(BclTest, HeaderAndNumberRules) {
    const std::string index =
        WriteIndex("a.bcl", {"garbage line", "  [binarycombinedata]  ", "data.bcd", "",
                             "[ spaced ]", "0", "3", "\t[hex]\t", " $A ", "0x2", "[fw\x82\x81]",
                             "1", "1", "", "[]", "2", "1", "[tail]", "5"});
    TyxBCL bcl(nullptr);
    ASSERT_TRUE(bcl.Open(index));
    ASSERT_EQ(bcl.Items().size(), 4u);  // "[tail]" lacks its size line
    EXPECT_EQ(bcl.Items()[0].Name, " spaced ");
    EXPECT_FALSE(bcl.Contains("spaced"));
    EXPECT_EQ(Stream(bcl, " SPACED "), "012");
    EXPECT_EQ(Stream(bcl, "hex"), "ab");
    // Locale comparison: full-width letters match either case.
    EXPECT_TRUE(bcl.Contains("FW\x82\x60"));
    EXPECT_EQ(Stream(bcl, ""), "2");
    EXPECT_FALSE(bcl.Contains("tail"));
}

TEST_F(BclTest, DataHeaderRules) {
    // No data header: nothing is found, members listed or not.
    TyxBCL none(nullptr);
    ASSERT_TRUE(none.Open(WriteIndex("n.bcl", {"[a]", "0", "1"})));
    EXPECT_EQ(none.Items().size(), 1u);
    EXPECT_FALSE(none.Contains("a"));
    TStringList lines;
    EXPECT_FALSE(none.LoadStrings(lines, "a"));

    // The name line is used untrimmed, and a later data header replaces an earlier one.
    TyxBCL blank(nullptr);
    ASSERT_TRUE(
        blank.Open(WriteIndex("b.bcl", {"[BinaryCombineData]", "data.bcd ", "[a]", "0", "1"})));
    EXPECT_EQ(blank.DataFileName(), m_Dir.Str() + "data.bcd ");
    EXPECT_TRUE(blank.Contains("a"));
    EXPECT_EQ(Stream(blank, "a"), "<fail>");
    TyxBCL later(nullptr);
    ASSERT_TRUE(later.Open(WriteIndex("c.bcl", {"[BinaryCombineData]", "other.bcd", "[a]", "0", "1",
                                                "[BinaryCombineData]", "data.bcd"})));
    EXPECT_EQ(Stream(later, "a"), "0");
    // A data header in the last line names nothing.
    TyxBCL last(nullptr);
    ASSERT_TRUE(last.Open(WriteIndex("d.bcl", {"[a]", "0", "1", "[BinaryCombineData]"})));
    EXPECT_TRUE(last.DataFileName().empty());
}

// A damaged index may have lost any member: the part read before the bad number is not kept.
TEST_F(BclTest, BadNumberRefusesTheWholeIndex) {
    const std::string index = WriteIndex("bad.bcl", {"[BinaryCombineData]", "data.bcd", "[a]", "1",
                                                     "2", "[b]", "12x", "3", "[c]", "0", "1"});
    TyxBCL bcl(nullptr);
    EXPECT_FALSE(bcl.Open(index));
    EXPECT_NE(bcl.LastError().find("12x"), std::string::npos);
    EXPECT_TRUE(bcl.Items().empty());
    for (const char* name : {"a", "b", "c"}) EXPECT_FALSE(bcl.Contains(name)) << name;
    EXPECT_EQ(Stream(bcl, "a"), "<fail>");
}

TEST_F(BclTest, MissingIndexChangesNothing) {
    TyxBCL bcl(nullptr);
    ASSERT_TRUE(
        bcl.Open(WriteIndex("ok.bcl", {"[BinaryCombineData]", "data.bcd", "[a]", "0", "1"})));
    EXPECT_FALSE(bcl.Open(m_Dir.Str() + "nope.bcl"));
    EXPECT_EQ(Stream(bcl, "a"), "0");
}

TEST_F(BclTest, ReadsStayInsideTheDataFile) {
    const std::string index = WriteIndex("r.bcl", {"[BinaryCombineData]",
                                                   "data.bcd",
                                                   "[end]",
                                                   "15",
                                                   "5",
                                                   "[past]",
                                                   "16",
                                                   "5",
                                                   "[neg]",
                                                   "0",
                                                   "-1",
                                                   "[negoff]",
                                                   "-1",
                                                   "2",
                                                   "[huge]",
                                                   "0",
                                                   "2147483647",
                                                   "[beyond]",
                                                   "2147483647",
                                                   "1",
                                                   "[dup]",
                                                   "18",
                                                   "9",
                                                   "[DUP]",
                                                   "2",
                                                   "2"});
    TyxBCL bcl(nullptr);
    ASSERT_TRUE(bcl.Open(index));
    EXPECT_EQ(Stream(bcl, "end"), "fghij");
    for (const char* name : {"past", "neg", "negoff", "huge", "beyond"})
        EXPECT_EQ(Stream(bcl, name), "<fail>") << name;
    // The first "dup" runs past the end: the next member of that name is read.
    EXPECT_EQ(Stream(bcl, "dup"), "23");

    // A truncated data file fails members that fitted before.
    WriteData("data.bcd", "0123456789abcdef");
    EXPECT_EQ(Stream(bcl, "end"), "<fail>");
    std::filesystem::remove(m_Dir.Path() / "data.bcd");
    EXPECT_EQ(Stream(bcl, "end"), "<fail>");
}

TEST_F(BclTest, LoadStreamWritesAtThePosition) {
    TyxBCL bcl(nullptr);
    ASSERT_TRUE(
        bcl.Open(WriteIndex("s.bcl", {"[BinaryCombineData]", "data.bcd", "[a]", "10", "3"})));
    TMemoryStream stream;
    stream.Write("ABCDEFG", 7);
    stream.SetPosition(2);
    ASSERT_TRUE(bcl.LoadStream(stream, "a"));
    EXPECT_EQ(std::string(stream.Data(), stream.Data() + stream.Size()), "ABabcFG");
    EXPECT_EQ(stream.Position(), 0u);
}

TEST_F(BclTest, ScrambledMembersAndPictures) {
    const auto png = Picture("PNG", true, 100);
    const auto jpg = Picture("JPG", false);
    const auto bmp = Picture("BMP", false);
    const std::string index = PackBcl("p.bcl",
                                      {{"a.png", png},
                                       {"b.jpg", jpg},
                                       {"c.bmp", bmp},
                                       {"d.vpp", Vpp(Picture("PNG", false), png)},
                                       {"e.txt", Bytes("text")},
                                       {"f.png", Bytes("not a png")}},
                                      true);
    TyxBCL bcl(&m_Witch);
    ASSERT_TRUE(bcl.Open(index));
    EXPECT_FALSE(bcl.Contains("a.png"));  // only under the full stored name
    const std::string x = m_Witch.Extension();
    ASSERT_TRUE(bcl.Contains("A.PNG" + x));

    platform::Bitmap bitmap, alpha;
    bool hasAlpha = false;
    ASSERT_TRUE(bcl.LoadPng(HostDecoder(), bitmap, &alpha, "a.png" + x, hasAlpha));
    EXPECT_TRUE(hasAlpha);
    EXPECT_EQ(bitmap.Width(), 4);
    ASSERT_EQ(alpha.BitsPerPixel(), 8);
    EXPECT_EQ(alpha.ScanLine(0)[0], 255 - 100);
    EXPECT_EQ(alpha.ScanLine(0)[1], 0);

    for (const char* name : {"a.png", "b.jpg", "c.bmp"}) {
        platform::Bitmap b;
        ASSERT_TRUE(bcl.LoadBitmap(HostDecoder(), b, name + x)) << name;
        EXPECT_EQ(b.Height(), 3) << name;
    }
    platform::Bitmap picture, mask;
    ASSERT_TRUE(bcl.LoadMaskedImage(HostDecoder(), picture, mask, "d.vpp" + x));
    EXPECT_EQ(mask.Width(), 4);
    EXPECT_EQ(picture.Width(), 4);

    // Not a picture kind: BCL leaves the bitmap and reports success; a broken PNG fails.
    platform::Bitmap untouched;
    EXPECT_TRUE(bcl.LoadBitmap(HostDecoder(), untouched, "e.txt" + x));
    EXPECT_TRUE(untouched.Empty());
    EXPECT_FALSE(bcl.LoadBitmap(HostDecoder(), untouched, "f.png" + x));
    EXPECT_FALSE(bcl.LoadMaskedImage(HostDecoder(), picture, mask, "e.txt" + x));

    // Without the key the bytes cannot be unscrambled.
    TyxWitch keyless(0);
    TyxBCL locked(&keyless);
    ASSERT_TRUE(locked.Open(index));
    TStringList lines;
    EXPECT_FALSE(locked.LoadStrings(lines, "e.txt" + x));
}

TEST_F(BclTest, NameIndexFindsEveryMemberAsTheLocaleCompares) {
    std::vector<TyxArchiveWriter::Member> members;
    for (int i = 0; i < 500; ++i)
        members.push_back({"ev\\" + std::to_string(i) + ".png", Bytes(std::to_string(i))});
    TyxBCL bcl(nullptr);
    ASSERT_TRUE(bcl.Open(PackBcl("many.bcl", members)));
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(Stream(bcl, "EV\\" + std::to_string(i) + ".PNG"), std::to_string(i));
    EXPECT_FALSE(bcl.Contains("ev\\500.png"));
    // Greek and Cyrillic member names are found in the other case too (α as Α, о as О).
    TyxBCL letters(nullptr);
    ASSERT_TRUE(letters.Open(
        PackBcl("letters.bcl", {{"\x83\xBF.png", Bytes("alpha")}, {"\x84\x80.png", Bytes("o")}})));
    EXPECT_EQ(Stream(letters, "\x83\x9F.PNG"), "alpha");
    EXPECT_EQ(Stream(letters, "\x84\x4F.png"), "o");

    // The index key joins exactly the names the locale comparison calls equal.
    const std::vector<std::string> names = {
        "abc",      "ABC",      "aBc",      "ab",       "abc ",     "\x82\x81",
        "\x82\x60", "\x82\x9A", "\x82\x79", "\x82\x9B", "\x82\x7A", "\x83\x41",
        "\x83\x61", "[]",       "{}",       "@",        "`",        "\x83\x9F",
        "\x83\xBF", "\x84\x4F", "\x84\x80", "\x84\x7E", "\x84\x7F"};
    for (const auto& a : names)
        for (const auto& b : names)
            EXPECT_EQ(yx::SameText(a, b), TyxBCL::NameKey(a) == TyxBCL::NameKey(b))
                << a << " / " << b;
}

TEST_F(BclTest, EqualNamesAreTriedInIndexOrder) {
    TyxBCL bcl(nullptr);
    ASSERT_TRUE(bcl.Open(
        WriteIndex("d.bcl", {"[BinaryCombineData]", "data.bcd", "[x]", "0", "99", "[other]", "0",
                             "1", "[X]", "-5", "1", "[x]", "4", "2", "[x]", "6", "2"})));
    EXPECT_EQ(Stream(bcl, "x"), "45");
    // Reopening forgets the old members.
    ASSERT_TRUE(
        bcl.Open(WriteIndex("e.bcl", {"[BinaryCombineData]", "data.bcd", "[y]", "0", "1"})));
    EXPECT_FALSE(bcl.Contains("x"));
    EXPECT_EQ(Stream(bcl, "y"), "0");
}

}  // namespace
