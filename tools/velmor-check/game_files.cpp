#include "tools/velmor-check/game_files.h"

#include <fstream>

#include "platform/file_system.h"
#include "resources/archive.h"
#include "resources/bcl_manager.h"
#include "resources/engine_key.h"
#include "resources/witch.h"
#include "resources/xini_file.h"

namespace {
bool IsAbsolute(const std::string& name) {
    return !name.empty() &&
           (name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':'));
}
}  // namespace

TGameFiles::TGameFiles(const std::string& projectFolder)
    : m_ProjectFolder(projectFolder), m_Witch(std::make_unique<TyxWitch>(0)) {
    m_Witch->SetKey(EngineKeyText());
    m_Manager = std::make_unique<TyxBCLManager>(m_Witch.get());
}

TGameFiles::~TGameFiles() = default;

std::string TGameFiles::PathOf(const std::string& name) const {
    return IsAbsolute(name) ? name : m_ProjectFolder + name;
}

bool TGameFiles::LooseExists(const std::string& name) {
    auto it = m_Loose.find(name);
    if (it != m_Loose.end()) return it->second;
    const bool exists = !name.empty() && platform::FileSystem::FileExists(PathOf(name));
    m_Loose.emplace(name, exists);
    return exists;
}

const TGameFiles::Found& TGameFiles::Find(const std::string& name) {
    auto it = m_Found.find(name);
    if (it != m_Found.end()) return it->second;
    Found found;
    if (LooseExists(name)) {
        found.Place = Where::Loose;
    } else if (const TyxArchive* archive = m_Manager->Find(name)) {
        found.Place = Where::Archive;
        found.Archive = archive->IndexFileName();
    }
    return m_Found.emplace(name, found).first->second;
}

std::string TGameFiles::ScrambledSpelling(const std::string& name) {
    if (name.empty() || m_Witch->IsScrambled(name)) return {};
    const std::string scrambled = name + m_Witch->Extension();
    return Find(scrambled).Place == Where::Missing ? std::string() : scrambled;
}

bool TGameFiles::Read(const std::string& name, std::vector<uint8_t>& bytes,
                      std::string& realName, size_t limit) {
    const Found& found = Find(name);
    realName = name;
    if (found.Place == Where::Loose) {
        std::ifstream in(platform::FileSystem::ToHostPath(PathOf(name)), std::ios::binary);
        if (!in) return false;
        if (limit == 0) {
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        } else {
            bytes.resize(limit);
            in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
            bytes.resize(static_cast<size_t>(in.gcount()));
        }
        // Loose scrambled pictures are unscrambled by the image loader; a piece of one is
        // unscrambled alike, since the key starts at the first byte.
        return m_Witch->StripAndDecode(bytes.data(), bytes.size(), realName);
    }
    if (found.Place == Where::Archive) {
        const TyxArchive* archive = m_Manager->Find(name);
        if (!archive || !archive->ReadMember(name, bytes, realName)) return false;
        if (limit != 0 && bytes.size() > limit) bytes.resize(limit);
        return true;
    }
    return false;
}

bool TGameFiles::ReadText(const std::string& name, std::string& text) {
    const Found& found = Find(name);
    std::vector<uint8_t> bytes;
    if (found.Place == Where::Loose) {
        // Scripts are read as they lie: the script loader does not unscramble loose files.
        if (!platform::FileSystem::ReadFile(PathOf(name), bytes)) return false;
    } else {
        std::string realName;
        if (!Read(name, bytes, realName)) return false;
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
}

bool TGameFiles::ReadLines(const std::string& name, TStringList& lines) {
    std::string text;
    if (!ReadText(name, text)) return false;
    lines.clear();
    TXiniFile::SplitLines(text, lines);
    return true;
}
