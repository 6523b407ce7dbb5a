#include "platform/write_access.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/file_system.h"

namespace platform {

bool WriteAccess::Changeable(const std::string& path) {
    const std::string host = FileSystem::ToHostPath(path);
    struct stat st;
    if (host.empty() || stat(host.c_str(), &st) != 0 || (st.st_mode & 0222) == 0) return false;
    struct statvfs vfs;
    if (statvfs(host.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0) return false;
    return access(host.c_str(), W_OK) == 0;
}

}  // namespace platform
