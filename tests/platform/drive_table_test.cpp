#include "platform/drive_table.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

using namespace platform;
namespace fs = std::filesystem;

TEST(DriveTable, LettersRealMountsAndSkipsSystemOnes) {
    char tmpl[] = "/tmp/velmor-mnt-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string root = tmpl;
    for (const char* d : {"/cd", "/net", "/ram", "/my disk", "/data"})
        fs::create_directory(root + d);
    std::ofstream(root + "/file") << "bind-mounted file";

    const std::string info =
        "21 26 0:20 / /proc rw - proc proc rw\n"
        "26 1 0:999 / / rw shared:1 - overlay overlay rw\n"
        "24 23 0:22 / /dev/shm rw - tmpfs tmpfs rw\n"
        "31 30 0:28 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw\n"
        "40 26 0:40 / /run/user/1000 rw - tmpfs tmpfs rw\n"
        "41 26 11:0 / " +
        root +
        "/cd ro shared:5 master:2 - iso9660 /dev/sr0 ro\n"
        "42 26 0:42 / " +
        root +
        "/net rw - nfs4 host:/x rw\n"
        "43 26 0:43 / " +
        root +
        "/ram rw - tmpfs tmpfs rw\n"
        "44 26 0:998 / " +
        root +
        "/my\\040disk rw - ext4 /dev/none rw\n"
        "45 26 0:998 / " +
        root +
        "/file rw - ext4 /dev/none rw\n"
        "46 26 0:998 / " +
        root +
        "/data rw - ext4 /dev/none rw\n"
        "47 26 0:998 / " +
        root +
        "/data rw - ext4 /dev/none rw\n"
        "garbage line\n";
    std::vector<DriveInfo> drives = DriveTable::Parse(info);
    ASSERT_EQ(drives.size(), 6u);
    EXPECT_EQ(drives[0].letter, 'c');
    EXPECT_EQ(drives[0].hostRoot, "/");
    EXPECT_EQ(drives[0].type, DriveType::Fixed);
    EXPECT_EQ(drives[1].letter, 'd');
    EXPECT_EQ(drives[1].hostRoot, root + "/cd/");
    EXPECT_EQ(drives[1].type, DriveType::CdRom);
    EXPECT_EQ(drives[2].type, DriveType::Remote);
    EXPECT_EQ(drives[3].type, DriveType::RamDisk);
    EXPECT_EQ(drives[4].hostRoot, root + "/my disk/");
    EXPECT_EQ(drives[4].type, DriveType::Fixed);
    EXPECT_EQ(drives[5].letter, 'h');
    EXPECT_EQ(drives[5].hostRoot, root + "/data/");
    fs::remove_all(root);

    // The real table always starts with the root as c:.
    std::vector<DriveInfo> real = DriveTable::FromMountInfo();
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real[0].letter, 'c');
    EXPECT_EQ(real[0].hostRoot, "/");
}

TEST(DriveTable, DecodesLabelEscapes) {
    EXPECT_EQ(DriveTable::DecodeLabel("MY\\x20GAME\\x2fDISC"), "MY GAME/DISC");
    EXPECT_EQ(DriveTable::DecodeLabel("trailing\\x2"), "trailing\\x2");
    EXPECT_EQ(DriveTable::DecodeLabel("\\xzz"), "\\xzz");
}

TEST(DriveTable, TestTableReplacesTheHostOne) {
    std::vector<DriveInfo> fake = {{'c', "/", "SYS", DriveType::Fixed},
                                   {'e', "/media/cd/", "GAME", DriveType::CdRom}};
    FileSystem::SetDriveTableForTests(&fake);
    std::vector<DriveInfo> drives = FileSystem::Drives();
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[1].label, "GAME");
    FileSystem::SetDriveTableForTests(nullptr);
    EXPECT_EQ(FileSystem::Drives()[0].hostRoot, "/");
}
