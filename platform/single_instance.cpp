#include "platform/single_instance.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace platform {
std::string SingleInstance::LockFileName(const std::string& name) {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    std::string file = name;
    for (char& c : file) {
        if (c == '/' || c == '\\') c = '_';
    }
    if (runtime && runtime[0] == '/') return std::string(runtime) + "/" + file + ".lock";
    // /tmp is shared by every user: one lock per user, or one user's copy locks out the rest.
    return "/tmp/" + file + "-" + std::to_string(getuid()) + ".lock";
}

SingleInstance::~SingleInstance() {
    Release();
}

bool SingleInstance::Exists(const std::string& name) {
    int fd = open(LockFileName(name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;  // nobody ever made it, so nobody holds it
    bool held = false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        held = errno == EWOULDBLOCK;
    } else {
        flock(fd, LOCK_UN);
    }
    close(fd);
    return held;
}

bool SingleInstance::Create(const std::string& name) {
    Release();
    int fd = open(LockFileName(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    m_Fd = fd;
    return true;
}

void SingleInstance::Release() {
    if (m_Fd < 0) return;
    // The file stays: removing it would let a newcomer lock a fresh file while another
    // process still waits on the old one.
    flock(m_Fd, LOCK_UN);
    close(m_Fd);
    m_Fd = -1;
}

}  // namespace platform
