#include "platform/game_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/file_system.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

class GameFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-gf-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_Root = tmpl;
        m_OldCwd = fs::current_path();
        fs::create_directories(m_Root + "/game/save");
        fs::create_directories(m_Root + "/outside");
        std::ofstream(m_Root + "/outside/secret.txt") << "secret";
        std::ofstream(m_Root + "/game/inside.txt") << "inside";
        fs::create_directory_symlink(m_Root + "/outside", m_Root + "/game/link");
        fs::current_path(m_Root + "/game");
        m_Drives = {{'c', "/", "", DriveType::Fixed}};
        FileSystem::SetDriveTableForTests(&m_Drives);
        GameFolders::Confine({m_Root + "/game/"});
        GameFolders::AllowWriteFolder(m_Root + "/game/save");
    }
    void TearDown() override {
        fs::current_path(m_OldCwd);
        FileSystem::SetDriveTableForTests(nullptr);
        fs::remove_all(m_Root);
    }
    // Every spelling a game might use to reach the folder beside its own.
    std::vector<std::string> Hostile(const std::string& file) const {
        std::string winAbs = m_Root + "/outside/" + file;
        for (char& c : winAbs)
            if (c == '/') c = '\\';
        return {
            "..\\outside\\" + file,
            "../outside/" + file,
            "save/../../outside/" + file,
            m_Root + "/outside/" + file,
            winAbs,
            "c:" + winAbs,
            "C:" + m_Root + "/outside/" + file,
            "\\" + winAbs,  // UNC
            "\x81/../../outside/" + file,
            "\x81\\..\\..\\outside\\" + file,
            "\x81/..\\..\\outside/" + file,
            std::string("inside.txt\0/../../outside/", 26) + file,
            std::string(5000, 'a') + "/../../outside/" + file,
            std::string(300, '.') + "/../outside/" + file,
            "link/" + file,
            "link\\..\\link\\" + file,
        };
    }
    GameFolders::Scope m_Scope;
    std::string m_Root;
    fs::path m_OldCwd;
    std::vector<DriveInfo> m_Drives;
};

TEST_F(GameFoldersTest, HostileNamesReadNothingOutside) {
    for (const std::string& name : Hostile("secret.txt")) {
        SCOPED_TRACE(name.substr(0, 80));
        std::vector<uint8_t> bytes;
        EXPECT_FALSE(FileSystem::FileExists(name));
        EXPECT_FALSE(FileSystem::ReadFile(name, bytes));
        EXPECT_TRUE(bytes.empty());
        EXPECT_EQ(FileSystem::FileSize(name), -1);
        EXPECT_FALSE(FileSystem::DeleteFile(name));
        EXPECT_FALSE(FileSystem::DeleteTree(name));
        EXPECT_FALSE(FileSystem::MoveToTrash(name));
    }
    EXPECT_TRUE(fs::exists(m_Root + "/outside/secret.txt"));
    EXPECT_TRUE(FileSystem::FileExists("inside.txt"));
}

TEST_F(GameFoldersTest, HostileNamesWriteNothingOutside) {
    for (const std::string& name : Hostile("made")) {
        SCOPED_TRACE(name.substr(0, 80));
        EXPECT_FALSE(FileSystem::WriteFileAtomic(name, {'x'}));
        EXPECT_FALSE(FileSystem::ForceDirectories(name));
    }
    for (const std::string& name : Hostile("secret.txt"))
        EXPECT_FALSE(FileSystem::WriteFileAtomic(name, {'x'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_Root + "/outside"), {}), 1);
    std::ifstream in(m_Root + "/outside/secret.txt");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "secret");
    // Readable is not writable; the allowed folder is.
    EXPECT_FALSE(FileSystem::WriteFileAtomic("inside.txt", {'x'}));
    EXPECT_TRUE(FileSystem::WriteFileAtomic("save\\one", {'x'}));
    EXPECT_TRUE(FileSystem::ForceDirectories("save/deeper/still"));
    EXPECT_FALSE(FileSystem::WriteFileAtomic("save\\..\\..\\outside\\one", {'x'}));
}

TEST_F(GameFoldersTest, ReleasedAllowsEverything) {
    GameFolders::Release();
    EXPECT_TRUE(FileSystem::FileExists("../outside/secret.txt"));
}

TEST(GameFolderNames, FileNameOnlyAndFolderLevel) {
    struct Case {
        std::string given, fileName, folderLevel;
    };
    const std::string hyou = "\x95\x5C";  // a kanji whose trail byte is a backslash
    const std::vector<Case> cases = {
        {"story.vss", "story.vss", "story.vss"},
        {hyou + ".vss", hyou + ".vss", hyou + ".vss"},
        {"..\\..\\x.sh", "", "....x.sh"},
        {"../../.bashrc", "", ".....bashrc"},
        {"..", "", ""},
        {".", "", ""},
        {"...", "", ""},
        {" . ", "", ""},
        {"/etc/passwd", "", "etcpasswd"},
        {"c:\\x.vss", "", "cx.vss"},
        {"\\\\server\\share", "", "servershare"},
        {"\x81/x", "", "x"},
        {"\xF5:\xF5\\", "", "\xF5\\"},  // a stray lead byte never pairs with what follows
        {"\x81\\x", "\x81\\x", "\x81\\x"},  // one double-byte character, then x
        {std::string("a\0b", 3), "", "ab"},
        {"a\tb", "", "ab"},
        {"a*b?c", "", "abc"},
        {"ab\x81", "", "ab"},
        {"", "", ""},
        {std::string(500, 'n'), "", std::string(GameFolders::kMaxName, 'n')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given.substr(0, 40));
        EXPECT_EQ(GameFolders::FileNameOnly(c.given), c.fileName);
        EXPECT_EQ(GameFolders::FolderLevel(c.given), c.folderLevel);
    }
    // A cut never splits a double-byte character.
    std::string kanji;
    for (int i = 0; i < 100; ++i) kanji += "\x89\xE6";
    EXPECT_EQ(GameFolders::FolderLevel("a" + kanji).size(), GameFolders::kMaxName - 1);
}

}  // namespace
