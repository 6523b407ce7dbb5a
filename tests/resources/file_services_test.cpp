#include "resources/file_services.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "resources/dir_list.h"

namespace fs = std::filesystem;
using platform::DriveInfo;
using platform::DriveType;
using platform::FileSystem;

namespace {

class FileServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-fsv-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_Root = tmpl;
        const char* old = getenv("XDG_DATA_HOME");
        m_HadXdg = old != nullptr;
        if (old) m_OldXdg = old;
        setenv("XDG_DATA_HOME", (m_Root + "/share").c_str(), 1);
    }
    void TearDown() override {
        if (m_HadXdg)
            setenv("XDG_DATA_HOME", m_OldXdg.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        FileSystem::SetDriveTableForTests(nullptr);
        platform::Registry::ClearValuesForTests();
        fs::remove_all(m_Root);
    }
    void Touch(const std::string& relative) {
        fs::path p = m_Root + "/" + relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }
    std::string m_Root;
    bool m_HadXdg = false;
    std::string m_OldXdg;
};

TEST_F(FileServicesTest, DirListFollowsTheDepth) {
    fs::create_directories(m_Root + "/empty");
    Touch("empty/file.bcl");
    TDirList alone(m_Root + "/empty", -1);
    EXPECT_EQ(alone.Folders(), TStringList{m_Root + "/empty\\"});
    EXPECT_EQ(alone.BaseFolder(), m_Root + "/empty\\");

    fs::create_directories(m_Root + "/tree/a/b/c");
    Touch("tree/a/file.bcl");
    auto sorted = [](TStringList list) {
        std::sort(list.begin(), list.end());
        return list;
    };
    const std::string base = m_Root + "/tree\\";
    EXPECT_EQ(sorted(TDirList(m_Root + "/tree", 0).Folders()), (TStringList{base, base + "a\\"}));
    EXPECT_EQ(sorted(TDirList(m_Root + "/tree/", 1).Folders()),
              (TStringList{m_Root + "/tree/", m_Root + "/tree/a\\", m_Root + "/tree/a\\b\\"}));
    TDirList all(m_Root + "/tree", -5);
    EXPECT_EQ(all.Folders(),
              (TStringList{base, base + "a\\", base + "a\\b\\", base + "a\\b\\c\\"}));
    EXPECT_EQ(all.Depth(), -5);
}

TEST_F(FileServicesTest, DirListDoesNotFollowLinksUpTheTree) {
    fs::create_directories(m_Root + "/loop/sub");
    fs::create_directory_symlink(m_Root + "/loop", m_Root + "/loop/sub/back");
    TDirList list(m_Root + "/loop", -1);
    const std::string base = m_Root + "/loop\\";
    EXPECT_EQ(list.Folders(), (TStringList{base, base + "sub\\", base + "sub\\back\\"}));
}

TEST_F(FileServicesTest, FindFilesAppendsEveryMatchFolderByFolder) {
    Touch("game/one.bcl");
    Touch("game/TWO.BCL");
    Touch("game/three.bclx");
    Touch("game/four.txt");
    Touch("game/sub/five.bcl");
    TDirList list(m_Root + "/game", 0);
    TStringList found = {"kept"};
    list.FindFiles(found, ".bcl");
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0], "kept");
    const std::string base = m_Root + "/game\\";
    TStringList top(found.begin() + 1, found.begin() + 3);
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (TStringList{base + "TWO.BCL", base + "one.bcl"}));
    EXPECT_EQ(found[3], base + "sub\\five.bcl");
}

TEST_F(FileServicesTest, DrivesByLabelAndByFile) {
    fs::create_directories(m_Root + "/d");
    fs::create_directories(m_Root + "/e");
    fs::create_directories(m_Root + "/f");
    Touch("d/game/setup.dat");
    Touch("f/game/setup.dat");
    std::vector<DriveInfo> drives = {
        {'f', m_Root + "/f/", "DATA", DriveType::Fixed},
        {'c', "/", "GAMEDISC", DriveType::Fixed},
        {'d', m_Root + "/d/", "GAMEDISC", DriveType::Removable},
        {'e', m_Root + "/e/", "gamedisc", DriveType::CdRom},
        {'g', m_Root + "/e/", "", DriveType::Unknown},
    };
    FileSystem::SetDriveTableForTests(&drives);

    TStringList list = {"x"};
    EXPECT_EQ(yx::ListDrives(list), 5);
    EXPECT_EQ(list, (TStringList{"x", "c:", "d:", "e:", "f:", "g:"}));
    EXPECT_EQ(yx::VolumeLabel(5), "DATA");
    EXPECT_EQ(yx::VolumeLabel(1), "");
    EXPECT_EQ(yx::VolumeLabel(-1), "");

    EXPECT_EQ(yx::FindCdDrive("GameDisc"), "e:\\");  // c: matches too, but is fixed
    EXPECT_EQ(yx::FindCdDrive("DATA"), "");
    EXPECT_EQ(yx::FindDriveWithFile("GAME\\Setup.dat"), "f:\\");  // d: is removable
    EXPECT_EQ(yx::FindDriveWithFile("game\\missing.dat"), "");
}

TEST_F(FileServicesTest, RegistryPaths) {
    platform::Registry::SetValueForTests("HKEY_CURRENT_USER\\Software\\Maker\\Game\\CdRom", "q:\\");
    std::string value = "stale";
    EXPECT_TRUE(yx::RegReadPath("HKEY_CURRENT_USER\\Software", value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(yx::RegReadPath("hkey_current_user\\\\software\\MAKER\\game\\cdrom\\", value));
    EXPECT_EQ(value, "q:\\");
    EXPECT_TRUE(yx::RegReadPath("HKEY_CURRENT_USER\\Software\\Maker\\Game\\Other", value));
    EXPECT_EQ(value, "");
    value = "kept";
    EXPECT_FALSE(yx::RegReadPath("HKEY_CURRENT_USER\\Software\\Nobody\\Value", value));
    EXPECT_FALSE(yx::RegReadPath("HKEY_NOWHERE\\Value", value));
    EXPECT_FALSE(yx::RegReadPath("", value));
    EXPECT_EQ(value, "kept");
    EXPECT_TRUE(yx::RegReadPath(
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
        "Shell Folders\\AppData",
        value));
    EXPECT_EQ(value, m_Root + "/share");

    EXPECT_EQ(yx::ExpandRegistryRefs("x<bogus>y"), "xy");
    EXPECT_EQ(yx::ExpandRegistryRefs("a<b"), "a<b");
    EXPECT_EQ(yx::ExpandRegistryRefs("<HKEY_CURRENT_USER\\Software\\Maker\\Game\\CdRom>data<"),
              "q:\\data<");
}

TEST_F(FileServicesTest, AppDataFolderIsCreated) {
    std::string path;
    ASSERT_TRUE(yx::SpecialFolder(yx::CSIDL_APPDATA, path));
    EXPECT_EQ(path, m_Root + "/share");
    EXPECT_FALSE(yx::SpecialFolder(1234, path));

    ASSERT_TRUE(yx::AppDataFolder("", "", "", path));
    EXPECT_EQ(path, m_Root + "/share\\");
    EXPECT_TRUE(fs::is_directory(m_Root + "/share"));
    ASSERT_TRUE(yx::AppDataFolder("", "Maker", "", path));
    EXPECT_EQ(path, m_Root + "/share\\Maker\\");
    EXPECT_TRUE(fs::is_directory(m_Root + "/share/Maker"));
    ASSERT_TRUE(yx::AppDataFolder("velmor", "Maker", "Game", path));
    EXPECT_TRUE(fs::is_directory(m_Root + "/share/velmor/Maker/Game"));

    // A data folder that cannot be created (a file is in the way) fails.
    Touch("blocked");
    setenv("XDG_DATA_HOME", (m_Root + "/blocked").c_str(), 1);
    path = "unchanged";
    EXPECT_FALSE(yx::AppDataFolder("a", "", "", path));
    EXPECT_EQ(path, "unchanged");
}

TEST_F(FileServicesTest, DeleteFileOrFolder) {
    Touch("save/one.dat");
    Touch("save/two.dat");
    Touch("folder/inner/x.dat");
    EXPECT_TRUE(yx::DeleteFileOrFolder(m_Root + "\\save\\ONE.DAT", false, true));
    EXPECT_FALSE(fs::exists(m_Root + "/save/one.dat"));
    EXPECT_TRUE(yx::DeleteFileOrFolder(m_Root + "/folder", false, false));
    EXPECT_FALSE(fs::exists(m_Root + "/folder"));
    EXPECT_FALSE(yx::DeleteFileOrFolder(m_Root + "/missing", false, true));

    // Plain deletion first; a folder then goes to the trash.
    EXPECT_TRUE(yx::DeleteFileOrFolder(m_Root + "/save/two.dat", true, false));
    EXPECT_FALSE(fs::exists(m_Root + "/share/Trash/files/two.dat"));
    EXPECT_TRUE(yx::DeleteFileOrFolder(m_Root + "/save", true, false));
    EXPECT_TRUE(fs::is_directory(m_Root + "/share/Trash/files/save"));
}

TEST(FileServices, ExpandEnvironment) {
    setenv("VELMOR_FSV_TEST", "v", 1);
    std::string text = "%VELMOR_FSV_TEST%\\x";
    EXPECT_TRUE(yx::ExpandEnvironment(text));
    EXPECT_EQ(text, "v\\x");
    unsetenv("VELMOR_FSV_TEST");
}

}  // namespace
