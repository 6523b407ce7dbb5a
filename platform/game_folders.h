#pragma once
// The one rule for file names that come from game data: they resolve only inside the folders
// the game may use, and writes go only to the places the player's state lives. Installed by
// the program for the game it plays; without it (tools, most tests) nothing is refused.
#include <functional>
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
    // Everything below the folder's parent, unless that parent is the file system's root.
    static void AllowReadParentOf(const std::string& folder);
    // The file, when it lies below folder once links and ".." are resolved; false otherwise.
    static bool AllowReadFileBelow(const std::string& file, const std::string& folder);
    static void AllowWriteFolder(const std::string& folder);  // also readable
    static void AllowWriteFile(const std::string& file);      // also readable
    static void Release();
    static bool Confined();

    // Host paths (UTF-8), links and ".." resolved before they are compared. Devices, pipes
    // and sockets are never read. A refused read of a file that exists, or a refused write,
    // is said once per file on standard error and handed to the refusal handler.
    static bool MayRead(const std::string& hostPath);
    static bool MayWrite(const std::string& hostPath);
    // file: the engine path of what was refused; rule: why, in a few words. Called outside
    // any lock, on whichever thread asked.
    using RefusalHandler = std::function<void(const std::string& file, const std::string& rule)>;
    static void SetRefusalHandler(RefusalHandler handler);
    static constexpr const char* kOutsideRule =
        "outside the game's folders: the folder it was started from, the project folder's "
        "parent and the program's folder";
    static constexpr const char* kDeviceRule = "a device, pipe or socket, never read";
    static constexpr const char* kWriteRule =
        "the game writes only its state file, its save folder and the per-user folder";

    // The name when it is one plain file name (no folder, drive, "..", NUL, control or
    // refused characters, at most kMaxName bytes), else empty.
    static std::string FileNameOnly(const std::string& name);
    // The name when it names a file below a folder: up to kMaxLevels components, each one
    // that FileNameOnly keeps, separated by '\\' or '/'; written back with '\\'. Else empty
    // (absolute names, drives, "." and "..", empty components).
    static std::string PathBelow(const std::string& name);
    static constexpr size_t kMaxLevels = 8;
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
        RefusalHandler m_Handler;
    };
};

}  // namespace platform
