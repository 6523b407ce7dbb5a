#pragma once
// The host's mounted volumes as the lettered drives games expect.
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace platform {

class DriveTable {
public:
    // Reads /proc/self/mountinfo, sysfs and /dev/disk/by-label.
    static std::vector<DriveInfo> FromMountInfo();
    // c: is the mount at "/", then the other real volumes in mount order from d: on.
    // Pseudo and system mounts are left out.
    static std::vector<DriveInfo> Parse(const std::string& mountInfo);
    // "\x20" escapes of udev's by-label names decoded.
    static std::string DecodeLabel(const std::string& name);
};

}  // namespace platform
