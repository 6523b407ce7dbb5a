#include "platform/game_folders.h"

#include <filesystem>
#include <mutex>

#include "platform/file_system.h"
#include "platform/sjis.h"

namespace platform {
namespace {

struct Policy {
    bool confined = false;
    std::vector<std::string> read, readFiles, writeFolders, writeFiles;  // canonical host paths
};

std::mutex g_Mutex;
Policy g_Policy;

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
    std::lock_guard<std::mutex> lock(g_Mutex);
    return Below(c, g_Policy.read) || Below(c, g_Policy.writeFolders) ||
           SameFile(c, g_Policy.readFiles) || SameFile(c, g_Policy.writeFiles);
}

bool GameFolders::MayWrite(const std::string& hostPath) {
    {
        std::lock_guard<std::mutex> lock(g_Mutex);
        if (!g_Policy.confined) return true;
    }
    const std::string c = Canonical(hostPath);
    if (c.empty()) return false;
    std::lock_guard<std::mutex> lock(g_Mutex);
    return Below(c, g_Policy.writeFolders) || SameFile(c, g_Policy.writeFiles);
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
}

GameFolders::Scope::~Scope() {
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Policy.confined = m_Confined;
    g_Policy.read = std::move(m_Read);
    g_Policy.readFiles = std::move(m_ReadFiles);
    g_Policy.writeFolders = std::move(m_WriteFolders);
    g_Policy.writeFiles = std::move(m_WriteFiles);
}

}  // namespace platform
