#include "engine/velmor_state_location.h"

#include <vector>

#include "engine/velmor_system_data.h"
#include "platform/file_system.h"
#include "platform/game_folders.h"
#include "platform/write_access.h"
#include "resources/file_services.h"
#include "resources/yxstringlib.h"

using platform::FileSystem;
using platform::GameFolders;

std::string TVelmorStateLocation::Resolve(const std::string& projectPath,
                                          const TVelmorSystemData& data) {
    const std::string projectFolder = yx::ExtractFilePath(projectPath);
    const std::string beside = projectFolder + data.VssFileName;
    const bool confined = GameFolders::Confined();
    // The state file and its save folder, and nothing else, become writable.
    auto allowBeside = [&] {
        if (!confined) return;
        GameFolders::AllowWriteFile(beside);
        GameFolders::AllowWriteFolder(yx::ChangeFileExt(beside, ""));
    };
    const bool besideExists = FileSystem::FileExists(beside);
    const bool besideChangeable = besideExists && platform::WriteAccess::Changeable(beside) &&
                                  platform::WriteAccess::Changeable(projectFolder);
    if (besideChangeable) {
        allowBeside();
        return beside;
    }
    std::string folder;
    if (yx::AppDataFolderName("velmor", data.Company, data.Product, folder)) {
        if (confined) GameFolders::AllowWriteFolder(folder);
        if (yx::AppDataFolder("velmor", data.Company, data.Product, folder)) {
            const std::string perUser = folder + data.VssFileName;
            if (!besideExists || CarryOver(beside, perUser)) return perUser;
        }
    }
    allowBeside();
    return beside;
}

// Copies the state file and the saves beside it unless the per-user folder has its own
// state file already: that one holds the player's later progress. False when the state
// could not be copied, so the game keeps reading the original.
bool TVelmorStateLocation::CarryOver(const std::string& from, const std::string& to) {
    if (FileSystem::FileExists(to)) return true;
    std::vector<uint8_t> bytes;
    const std::string fromSaves = yx::ChangeFileExt(from, "");
    const std::string toSaves = yx::ChangeFileExt(to, "");
    if (FileSystem::DirectoryExists(fromSaves) && FileSystem::ForceDirectories(toSaves)) {
        for (const platform::DirEntry& e : FileSystem::ListDirectory(fromSaves)) {
            const std::string target = toSaves + "\\" + e.name;
            if (e.isDirectory || e.isSymlink || FileSystem::FileExists(target)) continue;
            if (FileSystem::ReadFile(fromSaves + "\\" + e.name, bytes))
                FileSystem::WriteFileAtomic(target, bytes);
        }
    }
    // The state file last: its presence says the carrying over is done.
    return FileSystem::ReadFile(from, bytes) && FileSystem::WriteFileAtomic(to, bytes);
}
