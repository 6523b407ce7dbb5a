#pragma once
// Game paths as games wrote them (backslashes, any letter case, Shift-JIS names, drive
// letters) resolved against the host file system. All std::string paths given to and
// returned by this class are Shift-JIS engine paths unless the name says "Host" (UTF-8).
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };

struct DriveInfo {
    char letter = 'c';     // lower case
    std::string hostRoot;  // mount point, UTF-8, with trailing '/'
    std::string label;     // volume label, Shift-JIS
    DriveType type = DriveType::Unknown;
};

struct DirEntry {
    std::string name;          // Shift-JIS
    bool isDirectory = false;  // a link to a folder counts as a folder
    bool isSymlink = false;
};

class FileSystem {
public:
    // Host path for an engine path: separators normalised, relative names taken from the
    // current folder, each component matched exactly, then without regard to case, then as
    // Shift-JIS bytes or their UTF-8 spelling. Components that do not exist are kept as
    // spelled (UTF-8), so the result can be used to create them.
    static std::string ToHostPath(const std::string& path);
    // Engine path (Shift-JIS) for a host path.
    static std::string FromHostPath(const std::string& hostPath);

    // Every operation below refuses what the game folders rule (game_folders.h) forbids;
    // callers that open a host path themselves ask these first.
    static bool MayRead(const std::string& path);
    static bool MayWrite(const std::string& path);

    static bool FileExists(const std::string& path);
    static bool DirectoryExists(const std::string& path);
    // Creates the folder with every missing parent.
    static bool ForceDirectories(const std::string& path);
    static bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes);
    // Written to a temporary file beside the target, then renamed over it.
    static bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes);
    static int64_t FileSize(const std::string& path);  // -1 when missing
    // Entries in the order the original's platform lists a folder: by name, letters without
    // regard to case (UTF-16 code units folded onto capitals), "." and ".." left out. Empty
    // when the folder is missing.
    static std::vector<DirEntry> ListDirectory(const std::string& folder);
    static bool DeleteFile(const std::string& path);
    // Moves a file or folder to the desktop trash (freedesktop.org trash layout).
    static bool MoveToTrash(const std::string& path);
    // Removes a file or a folder with its content.
    static bool DeleteTree(const std::string& path);

    // Current folder and the program's folder, with a trailing path separator.
    static std::string CurrentFolder();
    static bool SetCurrentFolder(const std::string& path);
    static std::string ProgramFolder();
    static std::string ProgramFileName();  // full path of the executable

    // $XDG_DATA_HOME, else ~/.local/share, with a trailing separator; false when neither.
    static bool UserDataFolder(std::string& path);
    // Replaces %NAME% references; false (text unchanged) when a name is not set.
    static bool ExpandEnvironment(std::string& text);

    // Mounted volumes as lettered drives: c: is the root file system, then the other
    // real mounts in mount order. Tests may install their own table.
    static std::vector<DriveInfo> Drives();
    static void SetDriveTableForTests(const std::vector<DriveInfo>* drives);
};

}  // namespace platform
