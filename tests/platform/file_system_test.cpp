#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/sjis.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// 表示 (表 = 0x95 0x5C: its trail byte is a backslash), 画像, 音楽 in Shift-JIS.
const std::string kHyouji = "\x95\x5C\x8E\xA6";
const std::string kGazou = "\x89\xE6\x91\x9C";
const std::string kOngaku = "\x89\xB9\x8A\x79";

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-fs-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_Root = tmpl;
        m_OldCwd = fs::current_path();
        Touch(m_Root + "/Data/Sub/File.TXT", "loose");
        Touch(m_Root + "/表示/画像.png", "utf8 name");
        Touch(m_Root + "/" + kOngaku + "/ＢＧＭ01.OGG", "raw folder, utf8 file");
        fs::current_path(m_Root);
    }
    void TearDown() override {
        fs::current_path(m_OldCwd);
        FileSystem::SetDriveTableForTests(nullptr);
        fs::remove_all(m_Root);
    }
    static void Touch(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << text;
    }
    static std::string Read(const std::string& enginePath) {
        std::vector<uint8_t> bytes;
        if (!FileSystem::ReadFile(enginePath, bytes)) return "<missing>";
        return std::string(bytes.begin(), bytes.end());
    }
    std::string m_Root;
    fs::path m_OldCwd;
};

TEST_F(FileSystemTest, ResolvesWindowsStyleAndCaseMismatchedPaths) {
    EXPECT_EQ(FileSystem::ToHostPath("data\\SUB\\file.txt"), m_Root + "/Data/Sub/File.TXT");
    EXPECT_EQ(Read("DATA/sub\\FILE.txt"), "loose");
    EXPECT_EQ(Read(".\\Data\\x\\..\\Sub\\.\\file.txt"), "loose");
    EXPECT_TRUE(FileSystem::DirectoryExists("data\\sub\\"));
    EXPECT_FALSE(FileSystem::FileExists("data\\sub"));
    EXPECT_EQ(FileSystem::FileSize("Data\\Sub\\file.txt"), 5);
    EXPECT_EQ(FileSystem::FileSize("Data\\nothing"), -1);
    // An absolute host path passes through.
    EXPECT_EQ(FileSystem::ToHostPath(m_Root + "/Data/Sub/File.TXT"), m_Root + "/Data/Sub/File.TXT");
}

TEST_F(FileSystemTest, FindsShiftJisNamesSpelledEitherWay) {
    // Host name in UTF-8; the engine's backslash-trail byte is not a separator.
    EXPECT_EQ(Read(kHyouji + "\\" + kGazou + ".PNG"), "utf8 name");
    // Raw Shift-JIS folder name on the host, full-width letters in another case.
    const std::string bgm =
        "\x82\x82\x82\x87\x82\x8D"
        "01.ogg";  // ｂｇｍ01.ogg
    EXPECT_EQ(Read(kOngaku + "/" + bgm), "raw folder, utf8 file");
    EXPECT_EQ(FileSystem::ToHostPath(kOngaku), m_Root + "/" + kOngaku);

    std::vector<std::string> names;
    for (const DirEntry& e : FileSystem::ListDirectory(".")) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Data", kOngaku, kHyouji}));
    EXPECT_EQ(FileSystem::FromHostPath(m_Root + "/" + kOngaku + "/表示"),
              m_Root + "/" + kOngaku + "/" + kHyouji);
}

// Games rely on the original's listing order (a later archive overrides an earlier one): by
// name, letters in either case together, '_' after the letters, UTF-16 order for the rest.
TEST_F(FileSystemTest, ListsAFolderInTheOriginalsNameOrder) {
    const std::vector<std::string> sorted = {"a.txt",  "A1.txt", "b.txt",  "Z.txt",
                                             "_z.txt", "Д.txt",  "あ.txt", "ａ.txt"};
    for (const size_t i : {3, 7, 0, 5, 1, 6, 4, 2}) Touch(m_Root + "/list/" + sorted[i], sorted[i]);
    std::vector<std::string> names;
    for (const DirEntry& e : FileSystem::ListDirectory("list")) names.push_back(SjisToUtf8(e.name));
    EXPECT_EQ(names, sorted);
    // Cyrillic letters are found in either case, like Latin ones.
    EXPECT_EQ(Read("list\\\x84\x74.txt"), "Д.txt");  // д
}

TEST_F(FileSystemTest, KeepsMissingComponentsSoTheyCanBeCreated) {
    const std::string shinki = Utf8ToSjis("新規");
    EXPECT_EQ(FileSystem::ToHostPath("DATA\\" + shinki + "\\save.dat"),
              m_Root + "/Data/新規/save.dat");
    ASSERT_TRUE(FileSystem::ForceDirectories("data\\" + shinki + "\\deeper\\"));
    EXPECT_TRUE(fs::is_directory(m_Root + "/Data/新規/deeper"));

    const std::string file = "data\\" + shinki + "\\save.dat";
    ASSERT_TRUE(FileSystem::WriteFileAtomic(file, {'o', 'n', 'e'}));
    ASSERT_TRUE(FileSystem::WriteFileAtomic("DATA\\" + shinki + "\\SAVE.DAT", {'t', 'w', 'o'}));
    EXPECT_EQ(Read(file), "two");
    // Nothing but the file and the folder is left beside it.
    EXPECT_EQ(
        std::distance(fs::directory_iterator(m_Root + "/Data/新規"), fs::directory_iterator()), 2);
    // A write into a folder that does not exist fails instead of creating it.
    EXPECT_FALSE(FileSystem::WriteFileAtomic("nowhere\\x.dat", {'x'}));
}

TEST_F(FileSystemTest, BadReadsFailCleanly) {
    std::vector<uint8_t> bytes = {1, 2};
    EXPECT_FALSE(FileSystem::ReadFile("missing.txt", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(FileSystem::ReadFile("Data", bytes));
    EXPECT_TRUE(FileSystem::ListDirectory("missing").empty());
    EXPECT_FALSE(FileSystem::DeleteFile("Data"));
    EXPECT_FALSE(FileSystem::DeleteTree("missing"));
}

TEST_F(FileSystemTest, DriveLettersMapToTheDriveTable) {
    std::vector<DriveInfo> drives = {{'c', "/", "", DriveType::Fixed},
                                     {'q', m_Root + "/", "GAME", DriveType::CdRom}};
    FileSystem::SetDriveTableForTests(&drives);
    EXPECT_EQ(FileSystem::Drives().size(), 2u);
    EXPECT_EQ(Read("Q:\\data\\sub\\FILE.TXT"), "loose");
    EXPECT_EQ(Read("c:" + m_Root + "\\Data\\Sub\\File.TXT"), "loose");
    EXPECT_EQ(FileSystem::ToHostPath("x:\\data"), "");
    EXPECT_FALSE(FileSystem::FileExists("x:\\Data\\Sub\\File.TXT"));
    EXPECT_FALSE(FileSystem::ForceDirectories("x:\\new"));
}

TEST_F(FileSystemTest, FoldersAndDeletion) {
    EXPECT_EQ(FileSystem::CurrentFolder(), m_Root + "/");
    ASSERT_TRUE(FileSystem::SetCurrentFolder("DATA\\sub"));
    EXPECT_EQ(FileSystem::CurrentFolder(), m_Root + "/Data/Sub/");
    EXPECT_EQ(FileSystem::ProgramFolder().back(), '/');
    EXPECT_TRUE(FileSystem::FileExists(FileSystem::ProgramFileName()));

    EXPECT_TRUE(FileSystem::DeleteFile("file.txt"));
    EXPECT_FALSE(FileSystem::FileExists("file.txt"));
    EXPECT_TRUE(FileSystem::DeleteTree(m_Root + "/" + kOngaku));
    EXPECT_FALSE(fs::exists(m_Root + "/" + kOngaku));
}

TEST_F(FileSystemTest, MoveToTrashUsesTheDesktopTrash) {
    const char* old = getenv("XDG_DATA_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", (m_Root + "/share").c_str(), 1);
    std::string data;
    ASSERT_TRUE(FileSystem::UserDataFolder(data));
    EXPECT_EQ(data, m_Root + "/share/");

    Touch(m_Root + "/a b.txt", "1");
    ASSERT_TRUE(FileSystem::MoveToTrash("A B.TXT"));
    Touch(m_Root + "/a b.txt", "2");
    ASSERT_TRUE(FileSystem::MoveToTrash("a b.txt"));
    ASSERT_TRUE(FileSystem::MoveToTrash("data"));
    EXPECT_FALSE(FileSystem::MoveToTrash("missing"));

    const std::string trash = m_Root + "/share/Trash/";
    EXPECT_FALSE(fs::exists(m_Root + "/a b.txt"));
    EXPECT_TRUE(fs::exists(trash + "files/a b.txt"));
    EXPECT_TRUE(fs::exists(trash + "files/a b.txt.2"));
    EXPECT_TRUE(fs::exists(trash + "files/Data/Sub/File.TXT"));
    std::ifstream info(trash + "info/a b.txt.trashinfo");
    std::string line1, line2;
    std::getline(info, line1);
    std::getline(info, line2);
    EXPECT_EQ(line1, "[Trash Info]");
    EXPECT_EQ(line2, "Path=" + m_Root + "/a%20b.txt");

    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

TEST(FileSystem, ExpandEnvironmentChangesTextOnlyOnSuccess) {
    setenv("VELMOR_TEST_VAR", "value", 1);
    std::string text = "a%VELMOR_TEST_VAR%b%%c%";
    EXPECT_TRUE(FileSystem::ExpandEnvironment(text));
    EXPECT_EQ(text, "avalueb%%c%");
    text = "%VELMOR_NOT_SET_ANYWHERE%x";
    EXPECT_FALSE(FileSystem::ExpandEnvironment(text));
    EXPECT_EQ(text, "%VELMOR_NOT_SET_ANYWHERE%x");
    unsetenv("VELMOR_TEST_VAR");
}

}  // namespace
