#include "platform/file_system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QChar>
#include <QString>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "platform/drive_table.h"
#include "platform/game_folders.h"
#include "platform/sjis.h"

namespace platform {
namespace {

const std::vector<DriveInfo>* g_TestDrives = nullptr;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Splits an engine path at '\' and '/', never at the trail byte of a double-byte character.
std::vector<std::string> SplitComponents(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = path[i];
        const unsigned char t = i + 1 < path.size() ? path[i + 1] : 0;
        // A lead byte before '/' is no character: the '/' still separates.
        if (IsSjisLeadByte(c) && t >= 0x40 && t <= 0xFC && t != 0x7F) {
            part += path[i];
            part += path[++i];
        } else if (IsSeparator(path[i])) {
            if (!part.empty()) parts.push_back(std::move(part));
            part.clear();
        } else {
            part += path[i];
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

// Folds letters as the locale does (ASCII, full-width Latin, Greek, Cyrillic), stepping over
// double-byte characters.
std::string FoldCase(std::string_view s) {
    std::string out(s);
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = out[i];
        if (IsSjisLeadByte(c) && i + 1 < out.size()) {
            out[i + 1] =
                static_cast<char>(FoldSjisTrail(c, static_cast<unsigned char>(out[i + 1])));
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            out[i] = static_cast<char>(c - 32);
        }
    }
    return out;
}

// A host file name as the engine spells it: UTF-8 names converted, others taken as Shift-JIS.
std::string EngineName(const std::string& hostName) {
    return IsValidUtf8(hostName) ? Utf8ToSjis(hostName) : hostName;
}

bool Exists(const std::string& hostPath) {
    struct stat st;
    return lstat(hostPath.c_str(), &st) == 0;
}

std::string JoinHost(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// The host name in folder that stands for the engine component, or empty when none does.
std::string FindInFolder(const std::string& folder, const std::string& component) {
    std::string utf8 = SjisToUtf8(component);
    if (Exists(JoinHost(folder, utf8))) return utf8;
    if (utf8 != component && Exists(JoinHost(folder, component))) return component;
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return {};
    std::string wanted = FoldCase(component);
    std::string found;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (FoldCase(EngineName(name)) == wanted || FoldCase(name) == wanted) {
            found = name;
            break;
        }
    }
    closedir(dir);
    return found;
}

std::string HostCurrentFolder() {
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    return ec ? std::string("/") : cwd;
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Our temporary files: ".NAME.velmor-XXXXXX" (and, from older builds, "NAME.tmpXXXXXX" beside
// an existing NAME). A kill between creating and renaming one leaves it behind.
bool IsOurTemp(const std::string& folder, const std::string& name) {
    auto sixAlnum = [&](size_t from) {
        if (name.size() != from + 6) return false;
        for (size_t i = from; i < name.size(); ++i)
            if (!isalnum(static_cast<unsigned char>(name[i]))) return false;
        return true;
    };
    const size_t ours = name.rfind(".velmor-");
    if (name.size() > 1 && name[0] == '.' && ours != std::string::npos && ours > 1 &&
        sixAlnum(ours + 8))
        return true;
    const size_t old = name.rfind(".tmp");
    return old != std::string::npos && old > 0 && sixAlnum(old + 4) &&
           Exists(JoinHost(folder, name.substr(0, old)));
}

void RemoveStaleTemps(const std::string& folder) {
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return;
    std::vector<std::string> stale;
    while (dirent* e = readdir(dir))
        if (e->d_type == DT_REG || e->d_type == DT_UNKNOWN)
            if (IsOurTemp(folder, e->d_name)) stale.push_back(JoinHost(folder, e->d_name));
    closedir(dir);
    for (const std::string& path : stale) unlink(path.c_str());
}

// Where a name goes in a folder listing of the original's platform: its UTF-16 code units,
// each folded onto its capital, compared as numbers.
std::u16string ListingKey(const std::string& engineName) {
    const QString name = QString::fromUtf8(SjisToUtf8(engineName));
    std::u16string key;
    key.reserve(static_cast<size_t>(name.size()));
    for (const QChar c : name) key += c.isSurrogate() ? c.unicode() : c.toUpper().unicode();
    return key;
}

std::string UrlEncodePath(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

}  // namespace

std::string FileSystem::ToHostPath(const std::string& path) {
    std::string_view rest = path;
    std::string host;
    if (rest.size() >= 2 && rest[1] == ':' && isalpha(static_cast<unsigned char>(rest[0]))) {
        char letter = static_cast<char>(tolower(static_cast<unsigned char>(rest[0])));
        for (const DriveInfo& d : Drives()) {
            if (d.letter == letter) host = d.hostRoot;
        }
        if (host.empty()) return {};  // no such drive: nothing can be found or created there
        rest.remove_prefix(2);
    } else if (!rest.empty() && IsSeparator(rest[0])) {
        host = "/";
    } else {
        host = HostCurrentFolder();
    }

    // Most paths name existing host files in their own spelling: one stat settles those.
    std::string direct = host;
    bool plain = true;
    for (const std::string& part : SplitComponents(rest)) {
        if (part == "." || part == "..") plain = false;
        direct = JoinHost(direct, SjisToUtf8(part));
    }
    if (plain && Exists(direct)) return direct;

    bool missing = false;
    for (const std::string& part : SplitComponents(rest)) {
        if (part == ".") continue;
        if (part == "..") {
            std::filesystem::path p(host);
            if (p.has_relative_path()) host = p.parent_path().string();
            missing = missing && !Exists(host);
            continue;
        }
        std::string name = missing ? std::string() : FindInFolder(host, part);
        if (name.empty()) {
            missing = true;
            name = SjisToUtf8(part);
        }
        host = JoinHost(host, name);
    }
    return host;
}

std::string FileSystem::FromHostPath(const std::string& hostPath) {
    std::string out;
    size_t start = 0;
    while (start <= hostPath.size()) {
        size_t end = hostPath.find('/', start);
        if (end == std::string::npos) end = hostPath.size();
        out += EngineName(hostPath.substr(start, end - start));
        if (end < hostPath.size()) out += '/';
        start = end + 1;
    }
    return out;
}

bool FileSystem::MayRead(const std::string& path) {
    return GameFolders::MayRead(ToHostPath(path));
}

bool FileSystem::MayWrite(const std::string& path) {
    return GameFolders::MayWrite(ToHostPath(path));
}

bool FileSystem::FileExists(const std::string& path) {
    struct stat st;
    const std::string host = ToHostPath(path);
    return stat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && GameFolders::MayRead(host);
}

bool FileSystem::DirectoryExists(const std::string& path) {
    struct stat st;
    const std::string host = ToHostPath(path);
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && GameFolders::MayRead(host);
}

bool FileSystem::ForceDirectories(const std::string& path) {
    std::string host = ToHostPath(path);
    if (host.empty() || !GameFolders::MayWrite(host)) return false;
    std::error_code ec;
    std::filesystem::create_directories(host, ec);
    return std::filesystem::is_directory(host, ec);
}

bool FileSystem::ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    std::string host = ToHostPath(path);
    if (!GameFolders::MayRead(host)) return false;
    int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    bytes.reserve(static_cast<size_t>(st.st_size));
    uint8_t buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            bytes.clear();
            return false;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    close(fd);
    return true;
}

bool FileSystem::WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string host = ToHostPath(path);
    if (host.empty() || host.back() == '/' || !GameFolders::MayWrite(host)) return false;
    const std::filesystem::path target(host);
    const std::string folder = target.parent_path().string();
    RemoveStaleTemps(folder);
    std::string temp = JoinHost(folder, "." + target.filename().string() + ".velmor-XXXXXX");
    int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    struct stat st;
    mode_t mode = stat(host.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), host.c_str()) == 0) {
        int dirFd = open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            fsync(dirFd);
            close(dirFd);
        }
        return true;
    }
    unlink(temp.c_str());
    return false;
}

int64_t FileSystem::FileSize(const std::string& path) {
    struct stat st;
    const std::string host = ToHostPath(path);
    if (stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || !GameFolders::MayRead(host))
        return -1;
    return st.st_size;
}

std::vector<DirEntry> FileSystem::ListDirectory(const std::string& folder) {
    std::vector<DirEntry> entries;
    std::string host = ToHostPath(folder);
    if (!GameFolders::MayRead(host)) return entries;
    DIR* dir = opendir(host.c_str());
    if (!dir) return entries;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        bool isDir = e->d_type == DT_DIR;
        bool isLink = e->d_type == DT_LNK;
        if (e->d_type == DT_UNKNOWN) {
            struct stat st;
            isLink = lstat(JoinHost(host, name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        }
        if (e->d_type == DT_UNKNOWN || isLink) {
            struct stat st;
            isDir = stat(JoinHost(host, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({EngineName(name), isDir, isLink});
    }
    closedir(dir);
    // The order the games were made with, not the host's (a hash on ext4): a later archive of
    // a folder is meant to override an earlier one.
    std::vector<std::pair<std::u16string, size_t>> keys;
    keys.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) keys.emplace_back(ListingKey(entries[i].name), i);
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return entries[a.second].name < entries[b.second].name;  // names only case tells apart
    });
    std::vector<DirEntry> sorted;
    sorted.reserve(entries.size());
    for (const auto& k : keys) sorted.push_back(std::move(entries[k.second]));
    return sorted;
}

bool FileSystem::DeleteFile(const std::string& path) {
    std::string host = ToHostPath(path);
    struct stat st;
    if (host.empty() || lstat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode) ||
        !GameFolders::MayWrite(host))
        return false;
    return unlink(host.c_str()) == 0;
}

bool FileSystem::DeleteTree(const std::string& path) {
    std::string host = ToHostPath(path);
    std::error_code ec;
    if (host.empty() || !std::filesystem::exists(std::filesystem::symlink_status(host, ec)) ||
        !GameFolders::MayWrite(host)) {
        return false;
    }
    std::filesystem::remove_all(host, ec);
    return !ec;
}

bool FileSystem::MoveToTrash(const std::string& path) {
    std::string host = ToHostPath(path);
    struct stat st;
    if (host.empty() || lstat(host.c_str(), &st) != 0 || !GameFolders::MayWrite(host)) return false;
    std::string dataFolder;
    if (!UserDataFolder(dataFolder)) return false;
    std::string trash = WithSlash(ToHostPath(dataFolder)) + "Trash/";
    std::error_code ec;
    std::filesystem::create_directories(trash + "files", ec);
    std::filesystem::create_directories(trash + "info", ec);

    std::filesystem::path source = std::filesystem::absolute(host, ec);
    std::string base = source.filename().string();
    if (base.empty()) return false;
    // The info file is created exclusively first; it reserves the name in files/.
    for (int n = 1; n < 10000; ++n) {
        std::string name = n == 1 ? base : base + "." + std::to_string(n);
        std::string info = trash + "info/" + name + ".trashinfo";
        int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        char date[32];
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
        std::string text = "[Trash Info]\nPath=" + UrlEncodePath(source.string()) +
                           "\nDeletionDate=" + date + "\n";
        bool ok = WriteAll(fd, std::vector<uint8_t>(text.begin(), text.end()));
        ok = close(fd) == 0 && ok;
        std::string target = trash + "files/" + name;
        if (ok && !Exists(target) && rename(host.c_str(), target.c_str()) == 0) return true;
        unlink(info.c_str());
        if (ok && Exists(target)) continue;
        return false;
    }
    return false;
}

std::string FileSystem::CurrentFolder() {
    return WithSlash(FromHostPath(HostCurrentFolder()));
}

bool FileSystem::SetCurrentFolder(const std::string& path) {
    std::string host = ToHostPath(path);
    return !host.empty() && chdir(host.c_str()) == 0;
}

std::string FileSystem::ProgramFileName() {
    std::error_code ec;
    std::string exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    return ec ? std::string() : FromHostPath(exe);
}

std::string FileSystem::ProgramFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return CurrentFolder();
    return WithSlash(FromHostPath(exe.parent_path().string()));
}

bool FileSystem::UserDataFolder(std::string& path) {
    const char* xdg = getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        path = WithSlash(FromHostPath(xdg));
        return true;
    }
    const char* home = getenv("HOME");
    if (home && home[0] == '/') {
        path = WithSlash(FromHostPath(home)) + ".local/share/";
        return true;
    }
    return false;
}

bool FileSystem::ExpandEnvironment(std::string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = text[i];
        if (IsSjisLeadByte(c) && i + 1 < text.size()) {
            out.append(text, i, 2);
            i += 2;
            continue;
        }
        size_t close = c == '%' ? text.find('%', i + 1) : std::string::npos;
        if (close == std::string::npos) {
            out += text[i++];
            continue;
        }
        if (close == i + 1) {  // "%%" names nothing and stays as it is
            out += "%%";
            i += 2;
            continue;
        }
        const char* value = getenv(SjisToUtf8(text.substr(i + 1, close - i - 1)).c_str());
        if (!value) return false;
        out += Utf8ToSjis(value);
        i = close + 1;
    }
    text = out;
    return true;
}

std::vector<DriveInfo> FileSystem::Drives() {
    if (g_TestDrives) return *g_TestDrives;
    return DriveTable::FromMountInfo();
}

void FileSystem::SetDriveTableForTests(const std::vector<DriveInfo>* drives) {
    g_TestDrives = drives;
}

}  // namespace platform
