#pragma once
#include <string>

struct TVelmorSystemData;

// Where the player's system-state file and its saves live: beside the project when a state
// file is there and may be changed, otherwise in the per-user folder. A read-only one beside
// the project (a disc, a write-protected folder) is carried over to the per-user folder with
// its saves once, and the per-user copy is used from then on.
class TVelmorStateLocation {
public:
    // The state file's engine path; when confined, it and its save folder become writable.
    static std::string Resolve(const std::string& projectPath, const TVelmorSystemData& data);

private:
    static bool CarryOver(const std::string& from, const std::string& to);
};
