#include <gtest/gtest.h>

#include "bcl_fixture.h"
#include "resources/bcx.h"
#include "resources/picture_decoder.h"
#include "resources/xini_file.h"

using namespace archive_fixture;

// The host's image readers, as a resource manager without a decoder of its own uses.
inline TyxPictureDecoder& HostDecoder() {
    static TyxPictureDecoder decoder;
    return decoder;
}

namespace {

class BcxTest : public ArchiveTest {
protected:
    void SetUp() override { WriteData("data.bcd", "0123456789abcdefghij"); }
    std::string Stream(const TyxBCX& bcx, const std::string& name) {
        TMemoryStream s;
        if (!bcx.LoadStream(s, name)) return "<fail>";
        return std::string(s.Data(), s.Data() + s.Size());
    }
    void ExpectReadLikeTheIniFile(const TStringList& lines) {
        const std::string index = WriteIndex("t.bcx", lines);
        TyxBCX bcx(nullptr);
        ASSERT_TRUE(bcx.Open(index));
        TStringList copy = lines;
        TXiniFile ini(copy);
        TStringList sections;
        ini.ReadSections(sections);
        std::vector<std::pair<std::string, int>> expected;
        for (const auto& s : sections) {
            if (s == "?bcd?") continue;
            const int address = ini.ReadInteger(s, "address", 0);
            if (address != 0) expected.emplace_back(s, address);
        }
        std::vector<std::pair<std::string, int>> got;
        for (const auto& item : bcx.Items()) got.emplace_back(item.Name, item.Address);
        std::sort(expected.begin(), expected.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, expected);
        for (const auto& item : bcx.Items())
            EXPECT_EQ(item.Size, ini.ReadInteger(item.Name, "size", 0)) << item.Name;
    }
    std::vector<std::string> Names(const TyxBCX& bcx) {
        std::vector<std::string> names;
        for (const auto& item : bcx.Items()) names.push_back(item.Name);
        return names;
    }
};

TEST_F(BcxTest, SectionsBecomeSortedMembers) {
    const std::string index = WriteIndex("a.bcx", {"<b_x>",
                                                   "address=1",
                                                   "size=2",
                                                   "</b_x>",
                                                   "<?BCD?>",
                                                   "address=5",
                                                   "</?BCD?>",
                                                   "<?bcd?>",
                                                   "BCDFileName=data.bcd",
                                                   "</?bcd?>",
                                                   "<Bz>",
                                                   "address=3",
                                                   "size=1",
                                                   "</Bz>",
                                                   "<zero>",
                                                   "address=0",
                                                   "size=4",
                                                   "</zero>",
                                                   "<noaddr>",
                                                   "size=4",
                                                   "</noaddr>",
                                                   "<nosize>",
                                                   "address=7",
                                                   "</nosize>",
                                                   "<hex>",
                                                   "address=$A",
                                                   "size=0x3",
                                                   "created=2000/01/01",
                                                   "</hex>"});
    TyxBCX bcx(nullptr);
    ASSERT_TRUE(bcx.Open(index));
    EXPECT_EQ(bcx.DataFileName(), m_Dir.Str() + "data.bcd");
    // '_' sorts after the letters, since only a..z are mapped (onto A..Z).
    EXPECT_EQ(Names(bcx), (std::vector<std::string>{"Bz", "b_x", "hex", "nosize"}));
    EXPECT_EQ(Stream(bcx, "B_X"), "12");
    EXPECT_EQ(Stream(bcx, "bZ"), "3");
    EXPECT_EQ(Stream(bcx, "HEX"), "abc");
    EXPECT_EQ(Stream(bcx, "nosize"), "");
    EXPECT_FALSE(bcx.Contains("zero"));
    EXPECT_FALSE(bcx.Contains("noaddr"));
    EXPECT_FALSE(bcx.Contains("?bcd?"));
}

TEST_F(BcxTest, OpenFailsWithoutADataFile) {
    TyxBCX bcx(nullptr);
    EXPECT_FALSE(bcx.Open(m_Dir.Str() + "missing.bcx"));
    EXPECT_FALSE(bcx.Open(WriteIndex("n.bcx", {"<a>", "address=1", "size=1", "</a>"})));
    EXPECT_TRUE(bcx.Items().empty());
    EXPECT_FALSE(bcx.Contains("a"));
    EXPECT_FALSE(bcx.Open(
        WriteIndex("e.bcx", {"<?bcd?>", "BCDFileName=", "</?bcd?>", "<a>", "address=1", "</a>"})));
    EXPECT_TRUE(bcx.Items().empty());
}

// The data file's name is found where the INI reader finds it, whatever ends the lines.
TEST_F(BcxTest, DataFileNameIsReadLikeTheIniFile) {
    const struct {
        const char* text;
        bool opens;
    } cases[] = {
        {"<a>\naddress=1\nsize=1\n</a>\n<?bcd?>\nBCDFileName=data.bcd\n</?bcd?>\n", true},
        {"<?bcd?>\rBCDFileName=data.bcd\r<a>\raddress=1\rsize=1\r</a>", true},  // never closed
        {"<?bcd?>\r\nx=1\r\nBCDFileName=data.bcd\r\n</?bcd?>\r\n<a>\r\naddress=1\r\n", true},
        {"</?bcd?>\r\n<?bcd?>\r\nBCDFileName=data.bcd\r\n<a>\r\naddress=1\r\n", true},
        {"<?bcd?>\r\n</?bcd?>\r\nBCDFileName=data.bcd\r\n<a>\r\naddress=1\r\n", false},
        {"<?bcd?>\r\nbcdfilename=data.bcd\r\n</?bcd?>\r\n<a>\r\naddress=1\r\n", false},
        {"<?bcd?>\r\nBCDFileName =data.bcd\r\n</?bcd?>\r\n<a>\r\naddress=1\r\n", false},
        {"<?bcd?> \r\nBCDFileName=data.bcd\r\n</?bcd?>\r\n<a>\r\naddress=1\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        m_Dir.WriteBytes("d.bcx", c.text);
        TyxBCX bcx(nullptr);
        EXPECT_EQ(bcx.Open(m_Dir.Str() + "d.bcx"), c.opens);
        TStringList lines;
        TXiniFile::SplitLines(c.text, lines);
        EXPECT_EQ(TXiniFile(lines).ReadString("?bcd?", "BCDFileName", "").empty(), !c.opens);
        EXPECT_EQ(bcx.Contains("A"), c.opens);
    }
}

TEST_F(BcxTest, LookupFindsEveryMemberAsciiCaseOnly) {
    std::vector<TyxArchiveWriter::Member> members;
    for (int i = 0; i < 300; ++i)
        members.push_back(
            {"m" + std::to_string(i * 7919 % 1000) + ".txt", Bytes(std::to_string(i))});
    members.push_back({"\x82\x81.txt", Bytes("full-width a")});  // full-width small a
    TyxBCX bcx(nullptr);
    ASSERT_TRUE(bcx.Open(PackBcx("many.bcx", members)));
    const auto items = bcx.Items();
    ASSERT_EQ(items.size(), members.size());
    for (size_t i = 1; i < items.size(); ++i)
        ASSERT_LT(TyxBCX::CompareNames(items[i - 1].Name, items[i].Name), 0);
    for (size_t i = 0; i < 300; ++i)
        ASSERT_EQ(Stream(bcx, "M" + members[i].Name.substr(1)), std::to_string(i));
    EXPECT_TRUE(bcx.Contains(items.front().Name));
    EXPECT_TRUE(bcx.Contains(items.back().Name));
    EXPECT_TRUE(bcx.Contains("\x82\x81.TXT"));
    EXPECT_FALSE(bcx.Contains("\x82\x60.txt"));  // full-width capital A is another name
    EXPECT_FALSE(bcx.Contains("m.txt"));
}

// The index is read in one pass; it must give what key reads of the INI file give.
TEST_F(BcxTest, IndexReadsLikeTheIniFile) {
    const TStringList lines = {"<?bcd?>",     "BCDFileName=data.bcd",
                               "</?bcd?>",    "<a>",
                               "address = 2", "address=3",
                               "size=2",      "</a>",
                               "</b>",        "<b>",
                               "address=4",   "size=1",  // end line before the header: empty body
                               "<c>",         "address=5",
                               "size=1",      "<a>",
                               "address=9",   "</c>",  // second <a> is never found
                               "x=<d>",       "<d>",
                               "nested=1",    "<e>",
                               "address=6",   "size=3",
                               "</e>",        "address=7",
                               "</d>",        "<f>",
                               "ADDRESS=8",   "size=1",
                               "</f>",        "<g>",
                               "address=12x", "</g>",
                               "<h>",         "address=11"};
    ExpectReadLikeTheIniFile(lines);
}

// Indexes of random lines from the shapes an index may hold, well formed or not: the archive
// reads each as the INI file does.
TEST_F(BcxTest, RandomIndexesReadLikeTheIniFile) {
    const char* const shapes[] = {"<a>",       "<b>",        "</a>",     "</b>",       "<A>",
                                  "address=3", "address=7",  "size=2",   "size=5",     "x=<b>",
                                  "address=1<a>", "<a<b>",   "</a>b>",   "<a>b>",      "</a>b",
                                  "ADDRESS=4", "address =9", "address=", "size=1x",    "",
                                  "<?bcd?>",   "</?bcd?>",   "<c>",      "</c>",       "address=11"};
    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE(round);
        TStringList lines = {"<?bcd?>", "BCDFileName=data.bcd", "</?bcd?>"};
        const size_t count = 1 + next() % 24;
        for (size_t i = 0; i < count; ++i) lines.push_back(shapes[next() % std::size(shapes)]);
        ExpectReadLikeTheIniFile(lines);
        if (HasFailure()) break;
    }
}

TEST_F(BcxTest, ReadsStayInsideTheDataFile) {
    const std::string index = WriteIndex("r.bcx", {"<?bcd?>",    "BCDFileName=data.bcd",
                                                   "</?bcd?>",   "<end>",
                                                   "address=15", "size=5",
                                                   "</end>",     "<past>",
                                                   "address=16", "size=5",
                                                   "</past>",    "<neg>",
                                                   "address=1",  "size=-1",
                                                   "</neg>",     "<negoff>",
                                                   "address=-1", "size=1",
                                                   "</negoff>",  "<huge>",
                                                   "address=1",  "size=2147483647",
                                                   "</huge>"});
    TyxBCX bcx(nullptr);
    ASSERT_TRUE(bcx.Open(index));
    EXPECT_EQ(Stream(bcx, "end"), "fghij");
    for (const char* name : {"past", "neg", "negoff", "huge"})
        EXPECT_EQ(Stream(bcx, name), "<fail>") << name;
    std::filesystem::remove(m_Dir.Path() / "data.bcd");
    EXPECT_EQ(Stream(bcx, "end"), "<fail>");
    std::filesystem::create_directory(m_Dir.Path() / "data.bcd");
    EXPECT_EQ(Stream(bcx, "end"), "<fail>");
}

TEST_F(BcxTest, ScrambledMembersAndPictures) {
    const std::string x = m_Witch.Extension();
    const std::string index =
        PackBcx("p.bcx",
                {{"bg\\a.png", Picture("PNG", false)},
                 {"e.txt", Bytes("one\ntwo")},
                 {"d.vpp", Vpp(Picture("PNG", false), Picture("PNG", false))}},
                true);
    TyxBCX bcx(&m_Witch);
    ASSERT_TRUE(bcx.Open(index));
    EXPECT_FALSE(bcx.Contains("e.txt"));
    platform::Bitmap bitmap;
    ASSERT_TRUE(bcx.LoadBitmap(HostDecoder(), bitmap, "BG\\A.PNG" + x));
    EXPECT_EQ(bitmap.Width(), 4);
    bool hasAlpha = true;
    platform::Bitmap alpha;
    ASSERT_TRUE(bcx.LoadPng(HostDecoder(), bitmap, &alpha, "bg\\a.png" + x, hasAlpha));
    EXPECT_FALSE(hasAlpha);
    EXPECT_TRUE(alpha.Empty());
    TStringList lines;
    ASSERT_TRUE(bcx.LoadStrings(lines, "e.txt" + x));
    EXPECT_EQ(lines, (TStringList{"one", "two"}));
    // Not a picture kind: BCX reports failure.
    EXPECT_FALSE(bcx.LoadBitmap(HostDecoder(), bitmap, "e.txt" + x));
    platform::Bitmap picture, mask;
    EXPECT_TRUE(bcx.LoadMaskedImage(HostDecoder(), picture, mask, "d.vpp" + x));

    // A stream that already holds data gets the unscrambled bytes where they are written.
    TMemoryStream stream;
    stream.Write("ZZ", 2);
    ASSERT_TRUE(bcx.LoadStream(stream, "e.txt" + x));
    EXPECT_EQ(std::string(stream.Data(), stream.Data() + stream.Size()), "ZZone\ntwo");
    EXPECT_EQ(stream.Position(), 0u);
}

}  // namespace
