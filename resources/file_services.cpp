#include "resources/file_services.h"

#include <algorithm>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/sjis.h"
#include "resources/yxstringlib.h"

namespace yx {
namespace {

using platform::DriveInfo;
using platform::DriveType;
using platform::FileSystem;

constexpr int CSIDL_LOCAL_APPDATA = 28;

const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
                                  "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

std::vector<DriveInfo> DrivesInLetterOrder() {
    std::vector<DriveInfo> drives = FileSystem::Drives();
    std::stable_sort(drives.begin(), drives.end(),
                     [](const DriveInfo& a, const DriveInfo& b) { return a.letter < b.letter; });
    return drives;
}

std::string RootOf(const DriveInfo& drive) {
    return std::string(1, drive.letter) + ":\\";
}

}  // namespace

int32_t ListDrives(TStringList& list) {
    int32_t count = 0;
    for (const DriveInfo& drive : DrivesInLetterOrder()) {
        list.push_back(std::string(1, drive.letter) + ":");
        ++count;
    }
    return count;
}

std::string VolumeLabel(int driveIndex) {
    if (driveIndex < 0 || driveIndex >= 26) return {};
    for (const DriveInfo& drive : FileSystem::Drives()) {
        if (drive.letter == 'a' + driveIndex) return drive.label;
    }
    return {};
}

std::string FindCdDrive(const std::string& label) {
    for (const DriveInfo& drive : DrivesInLetterOrder()) {
        if (drive.type == DriveType::CdRom && SameText(drive.label, label)) return RootOf(drive);
    }
    return {};
}

std::string FindDriveWithFile(const std::string& relativeName) {
    for (const DriveInfo& drive : DrivesInLetterOrder()) {
        bool searched = drive.type == DriveType::Fixed || drive.type == DriveType::Remote ||
                        drive.type == DriveType::CdRom || drive.type == DriveType::RamDisk;
        if (searched && FileSystem::FileExists(RootOf(drive) + relativeName)) return RootOf(drive);
    }
    return {};
}

bool ExpandEnvironment(std::string& text) {
    return FileSystem::ExpandEnvironment(text);
}

bool SpecialFolder(int folderId, std::string& path) {
    if (folderId != CSIDL_APPDATA && folderId != CSIDL_LOCAL_APPDATA) return false;
    std::string folder;
    if (!FileSystem::UserDataFolder(folder)) return false;
    path = ExcludeTrailingBackslash(folder);
    return true;
}

bool AppDataFolderName(const std::string& level1, const std::string& level2,
                       const std::string& level3, std::string& path) {
    std::string folder;
    if (!SpecialFolder(CSIDL_APPDATA, folder)) {
        if (!RegReadPath(
                "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                "Shell Folders\\AppData",
                folder)) {
            return false;
        }
        ExpandEnvironment(folder);
    }
    folder = IncludeTrailingBackslash(folder);
    for (const std::string* level : {&level1, &level2, &level3}) {
        if (!level->empty()) folder += *level + "\\";
    }
    path = folder;
    return true;
}

bool AppDataFolder(const std::string& level1, const std::string& level2, const std::string& level3,
                   std::string& path) {
    std::string folder;
    if (!AppDataFolderName(level1, level2, level3, folder) ||
        !FileSystem::ForceDirectories(folder))
        return false;
    path = folder;
    return true;
}

bool RegReadPath(const std::string& path, std::string& value) {
    TStringList parts;
    SplitNonEmpty(path, "\\", parts);
    if (parts.empty()) return false;
    const char* root = nullptr;
    for (const char* name : kRootNames) {
        if (SameText(parts[0], name)) root = name;
    }
    if (!root) return false;
    if (parts.size() == 1) {
        value.clear();
        return true;
    }
    std::vector<std::string> keys(parts.begin() + 1, parts.end() - 1);
    std::string result;
    if (!platform::Registry::ReadString(root, keys, parts.back(), result)) return false;
    value = result;
    return true;
}

std::string ExpandRegistryRefs(const std::string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = text[i];
        if (platform::IsSjisLeadByte(c) && i + 1 < text.size()) {
            out.append(text, i, 2);
            i += 2;
            continue;
        }
        size_t close = c == '<' ? text.find('>', i + 1) : std::string::npos;
        if (close == std::string::npos) {
            out += text[i++];
            continue;
        }
        std::string value;
        if (RegReadPath(text.substr(i + 1, close - i - 1), value)) out += value;
        i = close + 1;
    }
    return out;
}

bool DeleteFileOrFolder(const std::string& name, bool plainFirst, bool plainFallback) {
    if (plainFirst && FileSystem::DeleteFile(name)) return true;
    bool removed = plainFirst ? FileSystem::MoveToTrash(name) : FileSystem::DeleteTree(name);
    if (removed) return true;
    return plainFallback && FileSystem::DeleteFile(name);
}

}  // namespace yx
