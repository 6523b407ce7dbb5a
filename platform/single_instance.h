#pragma once
#include <string>

namespace platform {

// The named mutex of the original, as an flock()ed lock file in the runtime folder
// ($XDG_RUNTIME_DIR, else a per-user name in the temporary folder). Held until destruction.
class SingleInstance {
public:
    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when another process holds the name.
    static bool Exists(const std::string& name);
    // Takes the name; false when another process holds it.
    bool Create(const std::string& name);
    void Release();
    // The lock file that stands for the name.
    static std::string LockFileName(const std::string& name);

private:
    int m_Fd = -1;
};

}  // namespace platform
