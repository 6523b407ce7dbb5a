#pragma once
// The game's files as the engine finds them: a loose file under the name exactly as written,
// relative to the project folder, else the first archive holding a member of that name.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "resources/string_list.h"

class TyxWitch;
class TyxBCLManager;

class TGameFiles {
public:
    enum class Where { Missing, Loose, Archive };
    struct Found {
        Where Place = Where::Missing;
        std::string Archive;  // index file of the archive that answers
    };

    // projectFolder: engine path with a trailing separator.
    explicit TGameFiles(const std::string& projectFolder);
    ~TGameFiles();
    TGameFiles(const TGameFiles&) = delete;
    TGameFiles& operator=(const TGameFiles&) = delete;

    TyxBCLManager& Manager() { return *m_Manager; }
    TyxWitch& Witch() { return *m_Witch; }
    const std::string& ProjectFolder() const { return m_ProjectFolder; }
    // The host-side engine path of a name as the engine resolves it.
    std::string PathOf(const std::string& name) const;

    const Found& Find(const std::string& name);
    // A loose file only (movies are never looked for in archives).
    bool LooseExists(const std::string& name);
    // The spelling with the scramble extension when only that exists; else empty.
    std::string ScrambledSpelling(const std::string& name);
    // Up to limit bytes (0: all), unscrambled, and the name without scramble extensions.
    bool Read(const std::string& name, std::vector<uint8_t>& bytes, std::string& realName,
              size_t limit = 0);
    // Text as lines, the way scripts and description files are read.
    bool ReadLines(const std::string& name, TStringList& lines);
    // Raw bytes of a loose file or member, not split (for encoding checks).
    bool ReadText(const std::string& name, std::string& text);

private:
    std::string m_ProjectFolder;
    std::unique_ptr<TyxWitch> m_Witch;
    std::unique_ptr<TyxBCLManager> m_Manager;
    std::unordered_map<std::string, Found> m_Found;
    std::unordered_map<std::string, bool> m_Loose;
};
