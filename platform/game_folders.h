#pragma once
// The one rule for file names that come from game data: they resolve only inside the folders
// the game may use, and writes go only to the places the player's state lives. Installed by
// the program for the game it plays; without it (tools, most tests) nothing is refused.
#include <string>
#include <vector>

namespace platform {

class GameFolders {
public:
    // Confines every later file operation of FileSystem: reads to the given folders (engine
    // paths, with everything below them), writes to nothing until allowed.
    static void Confine(const std::vector<std::string>& readFolders);
    static void AllowRead(const std::string& folder);
    static void AllowReadFile(const std::string& file);  // one the player picked
    static void AllowWriteFolder(const std::string& folder);  // also readable
    static void AllowWriteFile(const std::string& file);      // also readable
    static void Release();
    static bool Confined();

    // Host paths (UTF-8), links and ".." resolved before they are compared.
    static bool MayRead(const std::string& hostPath);
    static bool MayWrite(const std::string& hostPath);

    // The name when it is one plain file name (no folder, drive, "..", NUL, control or
    // refused characters, at most kMaxName bytes), else empty.
    static std::string FileNameOnly(const std::string& name);
    // One folder level made of the name: separators, refused characters and control bytes
    // removed, cut to kMaxName bytes; nothing left, or only dots, gives empty (no level).
    static std::string FolderLevel(const std::string& name);
    static constexpr size_t kMaxName = 120;

    // Undoes Confine on destruction: the state before it comes back.
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        bool m_Confined;
        std::vector<std::string> m_Read, m_ReadFiles, m_WriteFolders, m_WriteFiles;
    };
};

}  // namespace platform
