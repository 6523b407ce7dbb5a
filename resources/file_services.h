#pragma once
// Drives, special folders, environment and registry reads, deletion. Failures are reported
// only by the result.
#include <cstdint>
#include <string>

#include "resources/string_list.h"

namespace yx {

int32_t ListDrives(TStringList& list);
std::string VolumeLabel(int driveIndex);
std::string FindCdDrive(const std::string& label);
std::string FindDriveWithFile(const std::string& relativeName);

bool ExpandEnvironment(std::string& text);
constexpr int CSIDL_APPDATA = 26;
bool SpecialFolder(int folderId, std::string& path);
// The folder AppDataFolder would make, without making it.
bool AppDataFolderName(const std::string& level1, const std::string& level2,
                       const std::string& level3, std::string& path);
bool AppDataFolder(const std::string& level1, const std::string& level2,
                   const std::string& level3, std::string& path);

bool RegReadPath(const std::string& path, std::string& value);
std::string ExpandRegistryRefs(const std::string& text);

bool DeleteFileOrFolder(const std::string& name, bool plainFirst, bool plainFallback);

}  // namespace yx
