#include "platform/game_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

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

// The game's own tree is read as the original reads it; what stays refused is told once, with
// the rule, and never silently; devices and pipes are never read.
TEST_F(GameFoldersTest, TheGameTreeIsReadAndRefusalsAreTold) {
    char tmpl[] = "/tmp/velmor-gf-far-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string far = tmpl;
    std::ofstream(far + "/data.bcd") << "far";
    std::vector<std::string> told;
    GameFolders::SetRefusalHandler([&](const std::string& file, const std::string& rule) {
        told.push_back(file + " | " + rule);
    });
    auto read = [](const std::string& name) {
        std::vector<uint8_t> bytes;
        return FileSystem::ReadFile(name, bytes) ? std::string(bytes.begin(), bytes.end())
                                                 : std::string("<refused>");
    };
    EXPECT_EQ(read("..\\outside\\secret.txt"), "<refused>");
    EXPECT_EQ(read("..\\outside\\secret.txt"), "<refused>");
    EXPECT_EQ(read("..\\outside\\missing.txt"), "<refused>");
    ASSERT_EQ(told.size(), 1u);  // once, and only for a file that is there
    EXPECT_EQ(told[0], m_Root + "/outside/secret.txt | " + GameFolders::kOutsideRule);

    GameFolders::AllowReadParentOf(m_Root + "/game/");
    EXPECT_EQ(read("..\\outside\\secret.txt"), "secret");
    EXPECT_EQ(read(far + "/data.bcd"), "<refused>");
    // An index's data file below its folder, never one that only looks so.
    EXPECT_FALSE(GameFolders::AllowReadFileBelow(far + "/data.bcd", m_Root + "/game/"));
    EXPECT_FALSE(GameFolders::AllowReadFileBelow(m_Root + "/game/link/../../" +
                                                     fs::path(far).filename().string() +
                                                     "/data.bcd",
                                                 m_Root + "/game/"));
    EXPECT_TRUE(GameFolders::AllowReadFileBelow(far + "/./data.bcd", far));
    EXPECT_EQ(read(far + "/data.bcd"), "far");
    // A folder directly below the root gives no parent: the whole machine is not the game.
    GameFolders::AllowReadParentOf("/tmp");
    EXPECT_FALSE(FileSystem::FileExists("/etc/passwd"));

    ASSERT_EQ(mkfifo((m_Root + "/game/pipe").c_str(), 0600), 0);
    GameFolders::AllowRead("/dev");
    for (const char* name : {"pipe", "/dev/null", "/dev/zero"}) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(FileSystem::MayRead(name));  // asked first: reading a pipe would block
        EXPECT_EQ(read(name), "<refused>");
        EXPECT_NE(told.back().find(GameFolders::kDeviceRule), std::string::npos);
    }
    told.clear();
    EXPECT_FALSE(FileSystem::WriteFileAtomic("inside.txt", {'x'}));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], m_Root + "/game/inside.txt | " + GameFolders::kWriteRule);
    fs::remove_all(far);
}

TEST(GameFolderNames, PathBelow) {
    const std::string hyou = "\x95\x5C";  // its trail byte is a backslash
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"game.vss", "game.vss"},
        {"save\\game.vss", "save\\game.vss"},
        {"save/sub/game.vss", "save\\sub\\game.vss"},
        {hyou + "\\game.vss", hyou + "\\game.vss"},
        {"..\\game.vss", ""},
        {"save\\..\\..\\game.vss", ""},
        {".\\game.vss", ""},
        {"\\game.vss", ""},
        {"/etc/game.vss", ""},
        {"c:\\game.vss", ""},
        {"\\\\server\\share\\game.vss", ""},
        {"save\\\\game.vss", ""},
        {"save\\", ""},
        {"\x81/../game.vss", ""},
        {"a/b/c/d/e/f/g/h", "a\\b\\c\\d\\e\\f\\g\\h"},
        {"a/b/c/d/e/f/g/h/i", ""},
        {std::string(200, 'n') + "/x", ""},
        {"", ""},
    };
    for (const auto& [given, below] : cases) EXPECT_EQ(GameFolders::PathBelow(given), below) << given;
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
