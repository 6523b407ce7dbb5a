#include "resources/xini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "resources/engine_error.h"
#include "resources/sjis_text.h"

namespace fs = std::filesystem;
using TL = TStringList;

namespace {

class XiniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("velmor_xini_" + std::to_string(rd()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }
    std::string Get(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path dir_;
};

TL Parse(const std::string& bytes) {
    TL lines;
    TXiniFile::SplitLines(bytes, lines);
    return lines;
}

}  // namespace

TEST(XiniLines, SplitsAtEveryLineEndAndStopsAtNul) {
    EXPECT_EQ(Parse("a\rb\nc\r\nd"), (TL{"a", "b", "c", "d"}));
    EXPECT_EQ(Parse("a\r\n"), (TL{"a"}));
    EXPECT_EQ(Parse("a\n\n"), (TL{"a", ""}));
    EXPECT_EQ(Parse("\n\r"), (TL{"", ""}));  // LF then a lone CR: two lines
    EXPECT_EQ(Parse("\r\n\r\n"), (TL{"", ""}));
    EXPECT_EQ(Parse(""), TL{});
    EXPECT_EQ(Parse(std::string("a\nb\0c\nd", 7)), (TL{"a", "b"}));
    EXPECT_EQ(Parse(std::string("\0abc", 4)), TL{});
}

TEST(XiniRead, KeysAreExactAndValuesRunToTheLineEnd) {
    TL lines{"<S>",       "Foo =1", "foo=2", "a=b=c", "=empty key",
             "free line", "e=",     "Foo=3", "Foo=4", "</S>"};
    TXiniFile ini(lines);
    EXPECT_EQ(ini.ReadString("S", "Foo", "d"), "3");  // not "Foo " nor "foo"; first match wins
    EXPECT_EQ(ini.ReadInteger("S", "foo", 0), 2);
    EXPECT_EQ(ini.ReadString("S", "a", ""), "b=c");
    EXPECT_EQ(ini.ReadString("S", "", ""), "empty key");
    EXPECT_EQ(ini.ReadString("S", "e", "d"), "");  // present and empty is not the default
    EXPECT_EQ(ini.ReadString("S", "free line", "d"), "d");
    EXPECT_EQ(ini.ReadString("s", "Foo", "d"), "d");
    EXPECT_EQ(ini.ReadString(" S", "Foo", "d"), "d");
    EXPECT_EQ(ini.ReadInteger("S", "a", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "Missing", -1), -1);
    EXPECT_FALSE(ini.Modified());
}

TEST(XiniRead, SectionBoundaries) {
    // Only the first header counts; a section without an end line runs to the end of the file.
    TL lines{"<Data>",  "k=1",    "</Data>", "<Data>",  "k=2", "j=2",
             "</Data>", "<Open>", "k=3",     "<Inner>", "n=4", "</Inner>"};
    TXiniFile ini(lines);
    EXPECT_EQ(ini.ReadInteger("Data", "k", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Data", "j", 0), 0);
    EXPECT_EQ(ini.ReadInteger("Open", "k", 0), 3);
    EXPECT_EQ(ini.ReadInteger("Open", "n", 0), 4);  // nesting is not interpreted
    EXPECT_EQ(ini.ReadInteger("Inner", "n", 0), 4);

    TL body;
    EXPECT_TRUE(ini.ReadSectionLines("Open", body));
    EXPECT_EQ(body, (TL{"k=3", "<Inner>", "n=4", "</Inner>"}));
    TL none{"x"};
    EXPECT_FALSE(ini.ReadSectionLines("Nope", none));
    EXPECT_EQ(none, TL{"x"});

    // A stray end line before the header does not hide the body.
    TL stray{"</S>", "<S>", "k=5", "</S>"};
    TXiniFile ini2(stray);
    EXPECT_EQ(ini2.ReadInteger("S", "k", 0), 5);
    ini2.WriteInteger("S", "j", 6);
    EXPECT_EQ(ini2.ReadInteger("S", "j", 0), 6);
}

TEST(XiniRead, TypedValues) {
    TL lines{"<S>",   "b0=0",    "b1=1",   "bx=x",           "b00=01",
             "be=",   "p1=12",   "p2=12,", "p3=12,x",        "p4=3,-4",
             "p5=,7", "hex=$10", "neg=-5", "big=2147483648", "</S>"};
    TXiniFile ini(lines);
    EXPECT_FALSE(ini.ReadBool("S", "b0", true));
    EXPECT_TRUE(ini.ReadBool("S", "b1", false));
    EXPECT_TRUE(ini.ReadBool("S", "bx", false));
    EXPECT_FALSE(ini.ReadBool("S", "b00", true));
    EXPECT_TRUE(ini.ReadBool("S", "be", true));  // empty value: the default, no error
    EXPECT_FALSE(ini.ReadBool("S", "be", false));
    EXPECT_TRUE(ini.ReadBool("S", "none", true));

    EXPECT_EQ(ini.ReadPoint("S", "p1", 7, 8), (TPoint{7, 8}));
    EXPECT_EQ(ini.ReadPoint("S", "p2", 7, 8), (TPoint{7, 8}));
    EXPECT_EQ(ini.ReadPoint("S", "p3", 7, 8), (TPoint{12, 8}));
    EXPECT_EQ(ini.ReadPoint("S", "p4", 7, 8), (TPoint{3, -4}));
    EXPECT_EQ(ini.ReadPoint("S", "p5", 7, 8), (TPoint{7, 7}));
    EXPECT_EQ(ini.ReadPoint("S", "none", 7, 8), (TPoint{7, 8}));

    EXPECT_EQ(ini.ReadInteger("S", "hex", 0), 16);
    EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -5);
    EXPECT_EQ(ini.ReadInteger("S", "big", 3), 3);
}

TEST(XiniRead, ListsAndArrays) {
    TL lines{"<S>", "l=a,\"b,c\",d", "e=", "i=5,,7", "b=0,abc,2", "one=9", "</S>"};
    TXiniFile ini(lines);
    TL list{"keep"};
    EXPECT_EQ(ini.ReadList("S", "l", list), 4);
    EXPECT_EQ(list, (TL{"keep", "a", "b,c", "", "d"}));
    EXPECT_EQ(ini.ReadList("S", "e", list), 0);
    EXPECT_EQ(ini.ReadList("S", "none", list), 0);
    EXPECT_EQ(list.size(), 5u);

    int32_t iv[3];
    ini.ReadIntegerArray("S", "i", -1, 3, iv);
    EXPECT_EQ(std::vector<int32_t>(iv, iv + 3), (std::vector<int32_t>{5, -1, 7}));
    ini.ReadIntegerArray("S", "none", -2, 3, iv);
    EXPECT_EQ(std::vector<int32_t>(iv, iv + 3), (std::vector<int32_t>{-2, -2, -2}));
    ini.ReadIntegerArray("S", "b", -3, 3, iv);
    EXPECT_EQ(std::vector<int32_t>(iv, iv + 3), (std::vector<int32_t>{0, -3, 2}));

    bool bv[4];
    ini.ReadBoolArray("S", "b", true, 4, bv);
    EXPECT_FALSE(bv[0]);
    EXPECT_TRUE(bv[1]);  // not a number: 1
    EXPECT_TRUE(bv[2]);
    EXPECT_TRUE(bv[3]);  // missing: the default
    ini.ReadBoolArray("S", "i", false, 3, bv);
    EXPECT_TRUE(bv[0]);
    EXPECT_FALSE(bv[1]);  // empty: the default
    EXPECT_TRUE(bv[2]);

    TPoint pts[3] = {{1, 1}, {2, 2}, {3, 3}};
    ini.ReadPointArray("S", "i", 0, 3, false, pts);
    ini.ReadPointArray("S", "one", 4, 3, true, pts);
    EXPECT_EQ(pts[0], (TPoint{5, 9}));
    EXPECT_EQ(pts[1], (TPoint{0, 4}));
    EXPECT_EQ(pts[2], (TPoint{7, 4}));
}

TEST(XiniRead, SectionNames) {
    TL lines{"<A>", "k=<b>", "</A>", "<>", "</>", "x<y", "<C>junk>", "<A>", "z>w<v", "< D >"};
    TXiniFile ini(lines);
    TL names{"first"};
    ini.ReadSections(names);
    EXPECT_EQ(names, (TL{"first", "A", "b", "C>junk", "A", " D "}));
}

TEST(XiniWrite, KeyPlacement) {
    TL lines{"<S>", "a=1", "</S>", "<T>", "x=1"};
    TXiniFile ini(lines);
    ini.WriteString("S", "a", "2");    // replaced in place
    ini.WriteInteger("S", "b", -3);    // inserted before the end line
    ini.WriteBool("T", "y", true);     // no end line: after the last line
    ini.WriteBool("New", "z", false);  // exactly three lines at the end
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(lines,
              (TL{"<S>", "a=2", "b=-3", "</S>", "<T>", "x=1", "y=1", "<New>", "z=0", "</New>"}));
    // Line ends and NUL cannot survive a save; they become blanks.
    ini.WriteString("S", "a", std::string("p\r\nq\0r", 6));
    EXPECT_EQ(lines[1], "a=p  q r");
}

TEST(XiniWrite, SectionLines) {
    TL lines{"<A>", "old1", "old2", "</A>", "<B>", "b1"};
    TXiniFile ini(lines);
    ini.WriteSectionLines("A", TL{"n1", "n2", "n3"});
    ini.WriteSectionLines("B", TL{"x"});  // end line added right after the header
    ini.WriteSectionLines("C", TL{});
    EXPECT_EQ(lines,
              (TL{"<A>", "n1", "n2", "n3", "</A>", "<B>", "x", "</B>", "b1", "<C>", "</C>"}));
    // Our own lines as the source.
    ini.WriteSectionLines("A", ini.Lines());
    EXPECT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[0], "<A>");
    EXPECT_EQ(lines[1], "<A>");
}

TEST_F(XiniFileTest, RoundTripAndWriteBack) {
    Put("a.xin", "<S>\r\nk=v\nfree\r</S>\r\n\x95\x5C=\x83\x5C\r\n");
    {
        TXiniFile ini(Path("a.xin"), false);
        EXPECT_EQ(ini.Lines(), (TL{"<S>", "k=v", "free", "</S>", "\x95\x5C=\x83\x5C"}));
        ini.WriteString("S", "k", "w");
    }
    EXPECT_EQ(Get("a.xin"), "<S>\r\nk=w\r\nfree\r\n</S>\r\n\x95\x5C=\x83\x5C\r\n");
}

TEST_F(XiniFileTest, OnlyWrittenWhenModifiedWritableAndNamed) {
    const std::string odd = "<S>\nk=v";  // any rewrite would change these bytes
    Put("r.xin", odd);
    {
        TXiniFile ini(Path("r.xin"), false);
        EXPECT_EQ(ini.ReadString("S", "k", ""), "v");
        TL l;
        ini.ReadSections(l);
        ini.ReadSectionLines("S", l);
    }
    EXPECT_EQ(Get("r.xin"), odd);
    {
        TXiniFile ini(Path("r.xin"), true);
        ini.WriteString("S", "k", "changed");
        ini.UpdateFile();
    }
    EXPECT_EQ(Get("r.xin"), odd);
    {
        TXiniFile ini(Path("new.xin"), true);
        ini.WriteString("S", "k", "v");
    }
    EXPECT_FALSE(fs::exists(dir_ / "new.xin"));
    TL wrapped{"<S>", "</S>"};
    {
        TXiniFile ini(wrapped);
        EXPECT_TRUE(ini.ReadOnly());
        EXPECT_TRUE(ini.FileName().empty());
        ini.WriteString("S", "k", "v");
        ini.UpdateFile();
    }
    EXPECT_EQ(wrapped, (TL{"<S>", "k=v", "</S>"}));  // the caller's list, still alive
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(XiniFileTest, MissingFileAndFolderChain) {
    std::string name = Path("one/two/three/s.xin");
    {
        TXiniFile ini(name, false);
        EXPECT_TRUE(ini.Lines().empty());
        EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
        TL l;
        EXPECT_FALSE(ini.ReadSectionLines("S", l));
        ini.WriteInteger("S", "k", 5);
    }
    EXPECT_EQ(Get("one/two/three/s.xin"), "<S>\r\nk=5\r\n</S>\r\n");
    // No temporary file is left beside it.
    EXPECT_EQ(
        std::distance(fs::directory_iterator(dir_ / "one/two/three"), fs::directory_iterator()), 1);
}

TEST_F(XiniFileTest, FolderThatCannotBeMade) {
    Put("blocker", "x");
    std::string folder = Path("blocker/sub");
    std::string expected = SJ("ディレクトリを作成できません:") + "\"" + folder + "\"";
    {
        TXiniFile ini(folder + "/s.xin", false);
        ini.WriteString("S", "k", "v");
        try {
            ini.UpdateFile();
            FAIL() << "no error";
        } catch (const EEngineError& e) {
            EXPECT_EQ(e.Text(), expected);
        }
    }  // the destructor fails the same way and must not throw
    EXPECT_EQ(Get("blocker"), "x");
}

TEST_F(XiniFileTest, ExplicitUpdateIsNotRepeatedByTheDestructor) {
    {
        TXiniFile ini(Path("u.xin"), false);
        ini.WriteString("S", "k", "1");
        ini.UpdateFile();
        EXPECT_EQ(Get("u.xin"), "<S>\r\nk=1\r\n</S>\r\n");
        Put("u.xin", "newer");  // someone else wrote it since
    }
    EXPECT_EQ(Get("u.xin"), "newer");
}

TEST_F(XiniFileTest, FailedWriteIsAnError) {
    fs::create_directories(dir_ / "adir.xin");
    // A folder under the name is not a file: reads as empty, and writing it fails cleanly.
    TXiniFile ini(Path("adir.xin"), false);
    ini.WriteString("S", "k", "v");
    EXPECT_THROW(ini.UpdateFile(), EEngineError);
}
