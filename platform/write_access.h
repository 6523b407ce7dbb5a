#pragma once
#include <string>

namespace platform {

// Whether the host lets the game change a file or folder in place, asked before a write
// that would otherwise fail at the end of play.
class WriteAccess {
public:
    // False for a read-only mount, for a path without any write bit (a file marked read-only
    // stays so even for the super-user) and for one this process may not write; engine path.
    static bool Changeable(const std::string& path);
};

}  // namespace platform
