#include "resources/bcl_manager.h"

#include <gtest/gtest.h>

#include "bcl_fixture.h"
#include "resources/bcl.h"
#include "resources/bcx.h"

using namespace archive_fixture;

namespace {

class BclManagerTest : public ArchiveTest {
protected:
    std::string Stream(const TyxBCLManager& manager, const std::string& name) {
        TMemoryStream s;
        if (!manager.LoadStream(s, name)) return "<fail>";
        return std::string(s.Data(), s.Data() + s.Size());
    }
};

TEST_F(BclManagerTest, SearchOrderIsBcxNewestFirstThenBclNewestFirst) {
    const std::string bcl1 = PackBcl("l1.bcl", {{"same", Bytes("bcl1")}, {"lonly", Bytes("L")}});
    const std::string bcl2 = PackBcl("l2.bcl", {{"SAME", Bytes("bcl2")}});
    const std::string bcx1 = PackBcx("x1.bcx", {{"same", Bytes("bcx1")}, {"xonly", Bytes("X")}});
    const std::string bcx2 = PackBcx("x2.bcx", {{"Same", Bytes("bcx2")}});
    TyxBCLManager manager(&m_Witch);
    ASSERT_TRUE(manager.AddArchive(bcl1));
    ASSERT_TRUE(manager.AddArchive(bcx1));
    EXPECT_EQ(Stream(manager, "same"), "bcx1");  // BCX before BCL, whatever the order
    ASSERT_TRUE(manager.AddArchive(bcl2));
    EXPECT_EQ(Stream(manager, "same"), "bcx1");
    ASSERT_TRUE(manager.AddArchive(bcx2));
    EXPECT_EQ(Stream(manager, "same"), "bcx2");  // the later BCX answers
    EXPECT_EQ(Stream(manager, "lonly"), "L");
    EXPECT_EQ(Stream(manager, "xonly"), "X");
    EXPECT_EQ(Stream(manager, "none"), "<fail>");
    EXPECT_EQ(manager.Find("same"), manager.Bcxs().front().get());

    TyxBCLManager bclOnly(&m_Witch);
    bclOnly.AddArchive(bcl1);
    bclOnly.AddArchive(bcl2);
    EXPECT_EQ(Stream(bclOnly, "same"), "bcl2");
    manager.Clear();
    EXPECT_EQ(Stream(manager, "same"), "<fail>");
}

TEST_F(BclManagerTest, AddArchiveRules) {
    const std::string bcl = PackBcl("a.bcl", {{"m", Bytes("1")}});
    const std::string bcx = PackBcx("a.bcx", {{"m", Bytes("2")}});
    m_Dir.WriteBytes("notes.txt", "x");
    TyxBCLManager manager(&m_Witch);
    EXPECT_FALSE(manager.AddArchive(m_Dir.Str() + "missing.bcl"));
    EXPECT_FALSE(manager.AddArchive(m_Dir.Str()));  // a folder is no archive
    EXPECT_TRUE(manager.AddArchive(m_Dir.Str() + "notes.txt"));
    EXPECT_TRUE(manager.Bcls().empty() && manager.Bcxs().empty());
    // Opening the same index again, in any letter case, adds nothing.
    EXPECT_TRUE(manager.AddArchive(bcl));
    EXPECT_TRUE(manager.AddArchive(m_Dir.Str() + "A.BCL"));
    EXPECT_TRUE(manager.AddArchive(bcx));
    EXPECT_TRUE(manager.AddArchive(bcx));
    EXPECT_EQ(manager.Bcls().size(), 1u);
    EXPECT_EQ(manager.Bcxs().size(), 1u);
    // An index that cannot be used still joins the search and never answers.
    m_Dir.WriteBytes("broken.bcx", "<x>\r\naddress=1\r\n</x>\r\n");
    EXPECT_TRUE(manager.AddArchive(m_Dir.Str() + "broken.bcx"));
    EXPECT_EQ(manager.Bcxs().size(), 2u);
    EXPECT_EQ(Stream(manager, "m"), "2");
}

TEST_F(BclManagerTest, AddFolderOpensBothKindsDownToTheDepth) {
    TempFolder root;
    auto pack = [&](const std::string& rel, TyxArchiveWriter::Format f, const std::string& text) {
        std::filesystem::create_directories((root.Path() / rel).parent_path());
        std::string error;
        ASSERT_TRUE(
            TyxArchiveWriter::Write(f, root.Str() + rel, {{"who", Bytes(text)}}, nullptr, error));
    };
    pack("top.bcl", TyxArchiveWriter::Format::Bcl, "top");
    pack("sub/child.bcx", TyxArchiveWriter::Format::Bcx, "child");
    pack("sub/deep/deeper.bcx", TyxArchiveWriter::Format::Bcx, "deeper");
    TyxBCLManager manager(&m_Witch);
    EXPECT_FALSE(manager.AddFolder(root.Str() + "nope", 0));
    ASSERT_TRUE(manager.AddFolder(root.Str(), 0));
    EXPECT_EQ(manager.Bcls().size(), 1u);
    ASSERT_EQ(manager.Bcxs().size(), 1u);  // the folder and its direct subfolders only
    EXPECT_EQ(Stream(manager, "who"), "child");
    ASSERT_TRUE(manager.AddFolder(root.Str(), 1));
    EXPECT_EQ(manager.Bcls().size(), 1u);  // nothing opened twice
    EXPECT_EQ(manager.Bcxs().size(), 2u);
}

// A folder's archives open in name order, so the later-named patch archive is searched first.
TEST_F(BclManagerTest, AFoldersLaterNamedArchiveAnswers) {
    TempFolder root;
    const std::vector<std::string> byName = {"data1", "Data10", "DATA2", "_patch"};
    for (const std::string kind : {".bcx", ".bcl"}) {
        const auto format =
            kind == ".bcx" ? TyxArchiveWriter::Format::Bcx : TyxArchiveWriter::Format::Bcl;
        for (const size_t i : {1, 3, 0, 2}) {
            std::string error;
            ASSERT_TRUE(TyxArchiveWriter::Write(format, root.Str() + byName[i] + kind,
                                                {{"same.txt", Bytes(byName[i])}}, nullptr, error));
        }
    }
    TyxBCLManager manager(&m_Witch);
    ASSERT_TRUE(manager.AddFolder(root.Str(), 0));
    EXPECT_EQ(Stream(manager, "same.txt"), "_patch");
    std::vector<std::string> bcxs, bcls;
    for (const auto& a : manager.Bcxs()) bcxs.push_back(a->IndexFileName());
    for (const auto& a : manager.Bcls()) bcls.push_back(a->IndexFileName());
    std::vector<std::string> expected;
    for (auto it = byName.rbegin(); it != byName.rend(); ++it) expected.push_back(root.Str() + *it);
    for (std::string& e : expected) e += ".bcx";
    EXPECT_EQ(bcxs, expected);
    for (std::string& e : expected) e.replace(e.size() - 4, 4, ".bcl");
    EXPECT_EQ(bcls, expected);
}

TEST_F(BclManagerTest, FirstHolderAnswersEvenWhenItsReadFails) {
    const std::string good =
        PackBcl("good.bcl", {{"icon.ico", Picture("ICO", false)}, {"t.txt", Bytes("a\r\nb")}});
    WriteIndex("bad.bcl",
               {"[BinaryCombineData]", "bad.bcd", "[icon.ico]", "0", "999", "[t.txt]", "0", "99"});
    m_Dir.WriteBytes("bad.bcd", "short");
    TyxBCLManager manager(&m_Witch);
    manager.AddArchive(good);
    manager.AddArchive(m_Dir.Str() + "bad.bcl");
    TStringList lines;
    EXPECT_FALSE(manager.LoadStrings(lines, "t.txt"));
    // Icons alone go on to the next archive that holds the name.
    TMemoryStream stream;
    ASSERT_TRUE(manager.LoadIconFile(stream, "ICON.ICO"));
    EXPECT_EQ(stream.Position(), 0u);
    platform::Bitmap icon;
    ASSERT_TRUE(manager.LoadIcon(icon, "icon.ico"));
    EXPECT_EQ(icon.Width(), 4);
    EXPECT_FALSE(manager.LoadIcon(icon, "t.txt"));  // read, but not an icon
    EXPECT_FALSE(manager.LoadIconFile(stream, "none.ico"));
}

TEST_F(BclManagerTest, TypedLoadsAndBadIndexReports) {
    const std::string x = m_Witch.Extension();
    PackBcx("p.bcx",
            {{"a.png", Picture("PNG", true)},
             {"d.vpp", Vpp(Picture("PNG", false), Picture("PNG", false))}},
            true);
    WriteIndex("bad.bcl", {"[BinaryCombineData]", "p.bcd", "[x]", "zz", "1"});
    TyxBCLManager manager(&m_Witch);
    ASSERT_TRUE(manager.AddFolder(m_Dir.Str(), 0));
    ASSERT_EQ(manager.OpenErrors().size(), 1u);
    EXPECT_NE(manager.OpenErrors()[0].find("bad.bcl"), std::string::npos);
    platform::Bitmap bitmap, alpha, mask;
    bool hasAlpha = false;
    EXPECT_TRUE(manager.LoadBitmap(bitmap, "a.png" + x));
    EXPECT_TRUE(manager.LoadPng(bitmap, &alpha, "a.png" + x, hasAlpha));
    EXPECT_TRUE(hasAlpha);
    EXPECT_EQ(alpha.Width(), 4);
    EXPECT_TRUE(manager.LoadMaskedImage(nullptr, bitmap, mask, "d.vpp" + x));
    EXPECT_FALSE(manager.LoadBitmap(bitmap, "a.png"));
}

}  // namespace
