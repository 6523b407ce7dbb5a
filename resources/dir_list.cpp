#include "resources/dir_list.h"

#include <string_view>

#include "platform/file_system.h"
#include "platform/sjis.h"
#include "resources/yxstringlib.h"

namespace {

size_t CharLength(std::string_view s, size_t i) {
    return platform::IsSjisLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// The host's wildcard match of a file name: '*' any run, '?' one character, letters in
// either case; double-byte characters are single characters.
bool MatchesWildcard(std::string_view name, std::string_view pattern) {
    size_t n = 0, p = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        if (p < pattern.size()) {
            size_t pl = CharLength(pattern, p);
            size_t nl = CharLength(name, n);
            if ((pl == 1 && pattern[p] == '?') ||
                yx::SameText(pattern.substr(p, pl), name.substr(n, nl))) {
                p += pl;
                n += nl;
                continue;
            }
        }
        if (starP == std::string_view::npos) return false;
        p = starP;
        starN += CharLength(name, starN);
        n = starN;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

TDirList::TDirList(const std::string& folder, int depth)
    : m_Depth(depth), m_BaseFolder(yx::IncludeTrailingBackslash(folder)) {
    m_Folders.push_back(m_BaseFolder);
    Walk(m_BaseFolder, depth);
}

void TDirList::Walk(const std::string& folder, int depth) {
    for (const platform::DirEntry& entry : platform::FileSystem::ListDirectory(folder)) {
        if (!entry.isDirectory) continue;
        std::string sub = folder + entry.name + "\\";
        m_Folders.push_back(sub);
        // A linked folder is listed but not entered: links may loop back up the tree.
        if (depth != 0 && !entry.isSymlink) Walk(sub, depth - 1);
    }
}

void TDirList::FindFiles(TStringList& list, const std::string& pattern) const {
    const std::string wildcard = "*" + pattern;
    for (const std::string& folder : m_Folders) {
        for (const platform::DirEntry& entry : platform::FileSystem::ListDirectory(folder)) {
            if (MatchesWildcard(entry.name, wildcard)) list.push_back(folder + entry.name);
        }
    }
}
