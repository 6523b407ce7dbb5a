#include "platform/game_folders.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>

#include "platform/file_system.h"
#include "platform/sjis.h"

namespace platform {
namespace {

struct Policy {
    bool confined = false;
    std::vector<std::string> read, readFiles, writeFolders, writeFiles;  // canonical host paths
    std::set<std::string> reported;  // refusals already told, by rule and canonical path
};

std::mutex g_Mutex;
Policy g_Policy;
GameFolders::RefusalHandler g_Handler;

// Links and ".." resolved as far as the path exists; a folder ends in '/'.
std::string Canonical(const std::string& hostPath) {
    if (hostPath.empty()) return {};
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(hostPath, ec);
    if (ec) return {};
    return p.lexically_normal().string();
}

std::string AsFolder(std::string path) {
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

bool Below(const std::string& canonical, const std::vector<std::string>& folders) {
    const std::string asFolder = AsFolder(canonical);
    for (const std::string& f : folders)
        if (asFolder.compare(0, f.size(), f) == 0) return true;
    return false;
}

bool SameFile(const std::string& canonical, const std::vector<std::string>& files) {
    for (const std::string& f : files)
        if (canonical == f) return true;
    return false;
}

std::string HostFolder(const std::string& enginePath) {
    return AsFolder(Canonical(FileSystem::ToHostPath(enginePath)));
}

bool IsTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

bool IsRefused(unsigned char c) {
    static constexpr std::string_view kRefused = "\"*/:<>?\\|";
    return c < 0x20 || c == 0x7F || kRefused.find(static_cast<char>(c)) != std::string_view::npos;
}

// Cuts at kMaxName bytes without splitting a double-byte character.
std::string Cut(std::string text) {
    if (text.size() <= GameFolders::kMaxName) return text;
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        size_t len = IsSjisLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + len > GameFolders::kMaxName) break;
        i += len;
        end = i;
    }
    text.resize(end);
    return text;
}

bool OnlyDotsAndBlanks(const std::string& text) {
    return text.find_first_not_of(". ") == std::string::npos;
}

// What lies there once links are followed: a regular file or folder is data, anything else
// (a device, a pipe, a socket) never is. A missing path is no refusal worth telling.
enum class Kind { Missing, Data, Other };

Kind KindOf(const std::string& canonical) {
    std::error_code ec;
    const auto type = std::filesystem::status(canonical, ec).type();
    if (type == std::filesystem::file_type::not_found || type == std::filesystem::file_type::none)
        return Kind::Missing;
    if (type == std::filesystem::file_type::regular ||
        type == std::filesystem::file_type::directory)
        return Kind::Data;
    return Kind::Other;
}

// Tells a refusal once per file and rule: on standard error, then to the handler.
void Refuse(const std::string& canonical, const char* rule, const char* verb) {
    GameFolders::RefusalHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_Mutex);
        if (!g_Policy.reported.insert(std::string(rule) + '\n' + canonical).second) return;
        handler = g_Handler;
    }
    std::fprintf(stderr, "velmor: refused to %s %s: %s\n", verb, canonical.c_str(), rule);
    if (handler) handler(FileSystem::FromHostPath(canonical), rule);
}

bool IsRoot(const std::string& canonical) {
    return std::filesystem::path(canonical).relative_path().empty();
}

}  // namespace

void GameFolders::Confine(const std::vector<std::string>& readFolders) {
    Policy p;
    p.confined = true;
    for (const std::string& f : readFolders)
        if (!f.empty()) p.read.push_back(HostFolder(f));
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Policy = std::move(p);
}

void GameFolders::AllowRead(const std::string& folder) {
    if (folder.empty()) return;
    std::string host = HostFolder(folder);
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Policy.read.push_back(host);
}

void GameFolders::AllowReadFile(const std::string& file) {
    if (file.empty()) return;
    std::string host = Canonical(FileSystem::ToHostPath(file));
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Policy.readFiles.push_back(host);
}

void GameFolders::AllowReadParentOf(const std::string& folder) {
    if (folder.empty()) return;
    const std::string host = Canonical(FileSystem::ToHostPath(folder));
    if (host.empty()) return;
    const std::string parent = std::filesystem::path(host).parent_path().string();
    // A game directly below the root would otherwise read the whole machine.
    if (parent.empty() || IsRoot(parent)) return;
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Policy.read.push_back(AsFolder(parent));
}

bool GameFolders::AllowReadFileBelow(const std::string& file, const std::string& folder) {
    if (file.empty() || folder.empty()) return false;
    const std::string host = Canonical(FileSystem::ToHostPath(file));
    const std::string below = HostFolder(folder);
    if (host.empty() || below == "/" || !Below(host, {below}) || AsFolder(host) == below)
        return false;
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Policy.readFiles.push_back(host);
    return true;
}

void GameFolders::SetRefusalHandler(RefusalHandler handler) {
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Handler = std::move(handler);
}

void GameFolders::AllowWriteFolder(const std::string& folder) {
    if (folder.empty()) return;
    std::string host = HostFolder(folder);
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Policy.writeFolders.push_back(host);
}

void GameFolders::AllowWriteFile(const std::string& file) {
    if (file.empty()) return;
    std::string host = Canonical(FileSystem::ToHostPath(file));
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Policy.writeFiles.push_back(host);
}

void GameFolders::Release() {
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Policy = Policy{};
}

bool GameFolders::Confined() {
    std::lock_guard<std::mutex> lock(g_Mutex);
    return g_Policy.confined;
}

bool GameFolders::MayRead(const std::string& hostPath) {
    {
        std::lock_guard<std::mutex> lock(g_Mutex);
        if (!g_Policy.confined) return true;
    }
    const std::string c = Canonical(hostPath);
    if (c.empty()) return false;
    const Kind kind = KindOf(c);
    if (kind == Kind::Other) {
        Refuse(c, kDeviceRule, "read");
        return false;
    }
    bool allowed;
    {
        std::lock_guard<std::mutex> lock(g_Mutex);
        allowed = Below(c, g_Policy.read) || Below(c, g_Policy.writeFolders) ||
                  SameFile(c, g_Policy.readFiles) || SameFile(c, g_Policy.writeFiles);
    }
    if (!allowed && kind == Kind::Data) Refuse(c, kOutsideRule, "read");
    return allowed;
}

bool GameFolders::MayWrite(const std::string& hostPath) {
    {
        std::lock_guard<std::mutex> lock(g_Mutex);
        if (!g_Policy.confined) return true;
    }
    const std::string c = Canonical(hostPath);
    if (c.empty()) return false;
    bool allowed;
    {
        std::lock_guard<std::mutex> lock(g_Mutex);
        allowed = Below(c, g_Policy.writeFolders) || SameFile(c, g_Policy.writeFiles);
    }
    if (!allowed) Refuse(c, kWriteRule, "write");
    return allowed;
}

std::string GameFolders::FileNameOnly(const std::string& name) {
    if (name.empty() || name.size() > kMaxName || OnlyDotsAndBlanks(name)) return {};
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = name[i];
        if (IsSjisLeadByte(c) && i + 1 < name.size() &&
            IsTrailByte(static_cast<unsigned char>(name[i + 1]))) {
            ++i;
            continue;
        }
        if (IsRefused(c) || IsSjisLeadByte(c)) return {};
    }
    return name;
}

std::string GameFolders::PathBelow(const std::string& name) {
    std::string out;
    size_t levels = 0, from = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size()) {
            const auto c = static_cast<unsigned char>(name[i]);
            // A trail byte may be a backslash: the character it ends separates nothing.
            if (IsSjisLeadByte(c) && i + 1 < name.size() &&
                IsTrailByte(static_cast<unsigned char>(name[i + 1]))) {
                ++i;
                continue;
            }
            if (c != '\\' && c != '/') continue;
        }
        const std::string part = FileNameOnly(name.substr(from, i - from));
        if (part.empty() || ++levels > kMaxLevels) return {};
        out += (out.empty() ? "" : "\\") + part;
        from = i + 1;
    }
    return out;
}

std::string GameFolders::FolderLevel(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = name[i];
        if (IsSjisLeadByte(c) && i + 1 < name.size() &&
            IsTrailByte(static_cast<unsigned char>(name[i + 1]))) {
            out.append(name, i, 2);
            ++i;
        } else if (!IsRefused(c) && !IsSjisLeadByte(c)) {
            // A lead byte without its trail goes too: kept, it would pair with the next byte
            // when the name is read again, and could swallow or make a separator.
            out += static_cast<char>(c);
        }
    }
    out = Cut(out);
    return OnlyDotsAndBlanks(out) ? std::string() : out;
}

GameFolders::Scope::Scope() {
    std::lock_guard<std::mutex> lock(g_Mutex);
    m_Confined = g_Policy.confined;
    m_Read = g_Policy.read;
    m_ReadFiles = g_Policy.readFiles;
    m_WriteFolders = g_Policy.writeFolders;
    m_WriteFiles = g_Policy.writeFiles;
    m_Handler = g_Handler;
}

GameFolders::Scope::~Scope() {
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Policy.confined = m_Confined;
    g_Policy.read = std::move(m_Read);
    g_Policy.readFiles = std::move(m_ReadFiles);
    g_Policy.writeFolders = std::move(m_WriteFolders);
    g_Policy.writeFiles = std::move(m_WriteFiles);
    g_Handler = std::move(m_Handler);
}

}  // namespace platform
