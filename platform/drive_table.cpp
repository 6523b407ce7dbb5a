#include "platform/drive_table.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "platform/sjis.h"

namespace platform {
namespace {

const std::set<std::string> kPseudoTypes = {
    "proc",        "sysfs",      "cgroup",         "cgroup2", "devpts",      "mqueue",
    "devtmpfs",    "securityfs", "debugfs",        "tracefs", "pstore",      "bpf",
    "configfs",    "fusectl",    "hugetlbfs",      "autofs",  "binfmt_misc", "efivarfs",
    "selinuxfs",   "nsfs",       "rpc_pipefs",     "overlay", "squashfs",    "fuse.gvfsd-fuse",
    "fuse.portal", "fuse.lxcfs", "ramfs_internal", "aufs",    "shiftfs"};

bool IsSystemMountPoint(const std::string& point) {
    for (const char* prefix : {"/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/docker"}) {
        std::string p = prefix;
        if (point == p || point.rfind(p + "/", 0) == 0) {
            // Desktops mount removable media under /run/media.
            return point.rfind("/run/media/", 0) != 0;
        }
    }
    return false;
}

// mountinfo writes blanks and the like as three-digit octal escapes.
std::string DecodeOctal(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const std::string digits = s.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool IsRemovableBlock(const std::string& majorMinor) {
    std::error_code ec;
    std::filesystem::path dev = "/sys/dev/block/" + majorMinor;
    if (!std::filesystem::exists(dev, ec)) return false;
    if (std::filesystem::exists(dev / "partition", ec)) {
        return ReadFirstLine((dev / ".." / "removable").string()) == "1";
    }
    return ReadFirstLine((dev / "removable").string()) == "1";
}

DriveType TypeOf(const std::string& fsType, const std::string& majorMinor) {
    if (fsType == "iso9660" || fsType == "udf") return DriveType::CdRom;
    if (fsType.rfind("nfs", 0) == 0 || fsType == "cifs" || fsType.rfind("smb", 0) == 0 ||
        fsType == "fuse.sshfs" || fsType == "sshfs" || fsType == "9p" || fsType == "afs") {
        return DriveType::Remote;
    }
    if (fsType == "tmpfs" || fsType == "ramfs") return DriveType::RamDisk;
    return IsRemovableBlock(majorMinor) ? DriveType::Removable : DriveType::Fixed;
}

std::map<std::string, std::string> LabelsByDevice() {
    std::map<std::string, std::string> labels;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/disk/by-label", ec)) {
        struct stat st;
        if (stat(entry.path().c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
        std::string key =
            std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
        labels[key] = Utf8ToSjis(DriveTable::DecodeLabel(entry.path().filename().string()));
    }
    return labels;
}

}  // namespace

std::string DriveTable::DecodeLabel(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            out += static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

std::vector<DriveInfo> DriveTable::Parse(const std::string& mountInfo) {
    std::map<std::string, std::string> labels = LabelsByDevice();
    DriveInfo root{'c', "/", "", DriveType::Fixed};
    std::vector<DriveInfo> others;
    std::set<std::string> seen = {"/"};
    std::istringstream lines(mountInfo);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options [optional...] - type source super
        std::istringstream fields(line);
        std::string id, parent, majorMinor, fsRoot, point, field, fsType;
        if (!(fields >> id >> parent >> majorMinor >> fsRoot >> point)) continue;
        while (fields >> field && field != "-") {
        }
        if (!(fields >> fsType)) continue;
        point = DecodeOctal(point);
        DriveInfo drive{'c', point, "", TypeOf(fsType, majorMinor)};
        if (auto it = labels.find(majorMinor); it != labels.end()) drive.label = it->second;
        if (point == "/") {
            root.label = drive.label;
            if (fsType != "overlay") root.type = drive.type;
            continue;
        }
        if (kPseudoTypes.count(fsType) || IsSystemMountPoint(point) || !seen.insert(point).second) {
            continue;
        }
        std::error_code ec;
        if (!std::filesystem::is_directory(point, ec)) continue;  // bind-mounted single files
        drive.hostRoot = point + "/";
        others.push_back(drive);
    }
    std::vector<DriveInfo> drives = {root};
    char letter = 'd';
    for (DriveInfo& d : others) {
        if (letter > 'z') break;
        d.letter = letter++;
        drives.push_back(d);
    }
    return drives;
}

std::vector<DriveInfo> DriveTable::FromMountInfo() {
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

}  // namespace platform
