#pragma once
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace platform {

// Lets a copy started while the game runs ask the running one to bring its window to the
// front: a local socket in the runtime folder, beside the single-instance lock.
class InstanceRaiser {
public:
    InstanceRaiser();
    ~InstanceRaiser();
    InstanceRaiser(const InstanceRaiser&) = delete;
    InstanceRaiser& operator=(const InstanceRaiser&) = delete;

    // Only the holder of the single-instance lock listens, so a socket left by a copy that
    // died is its own to replace. onRaise runs from the event loop, once per request.
    bool Listen(const std::string& name, std::function<void()> onRaise);
    // False when nobody listens under the name.
    static bool AskToRaise(const std::string& name);
    static std::string SocketPath(const std::string& name);

private:
    void Accept();
    int m_Fd = -1;
    std::string m_Path;
    std::unique_ptr<QSocketNotifier> m_Notifier;
    std::function<void()> m_OnRaise;
};

}  // namespace platform
