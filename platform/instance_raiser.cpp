#include "platform/instance_raiser.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

std::string InstanceRaiser::SocketPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && runtime[0] == '/' ? runtime : "/tmp";
    std::string file = name;
    for (char& c : file)
        if (c == '/' || c == '\\') c = '_';
    // Per user, since /tmp is shared.
    return folder + "/" + file + "-" + std::to_string(getuid()) + ".raise";
}

InstanceRaiser::InstanceRaiser() = default;

InstanceRaiser::~InstanceRaiser() {
    m_Notifier.reset();
    if (m_Fd >= 0) {
        close(m_Fd);
        unlink(m_Path.c_str());
    }
}

bool InstanceRaiser::Listen(const std::string& name, std::function<void()> onRaise) {
    if (m_Fd >= 0) return false;
    const std::string path = SocketPath(name);
    sockaddr_un address;
    if (!MakeAddress(path, address)) return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    unlink(path.c_str());
    // Only the owner may connect; the mask covers the moment between bind and listen.
    const mode_t mask = umask(077);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    umask(mask);
    if (!bound || listen(fd, 4) != 0) {
        close(fd);
        return false;
    }
    m_Fd = fd;
    m_Path = path;
    m_OnRaise = std::move(onRaise);
    m_Notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_Notifier.get(), &QSocketNotifier::activated, [this] { Accept(); });
    return true;
}

void InstanceRaiser::Accept() {
    // Any connection is a request; nothing is read from it.
    for (;;) {
        const int client = accept4(m_Fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) break;
        close(client);
        if (m_OnRaise) m_OnRaise();
    }
}

bool InstanceRaiser::AskToRaise(const std::string& name) {
    const std::string path = SocketPath(name);
    struct stat info;
    // Never another user's socket.
    if (lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != getuid())
        return false;
    sockaddr_un address;
    if (!MakeAddress(path, address)) return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool sent = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                      write(fd, "raise\n", 6) == 6;
    close(fd);
    return sent;
}

}  // namespace platform
