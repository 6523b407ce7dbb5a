#pragma once
// The registry, read-only. There is none on the host: the values games and the engine ask
// for are answered from the host's own settings, and tests may add values of their own.
#include <string>
#include <vector>

namespace platform {

class Registry {
public:
    // root: "HKEY_CURRENT_USER" etc. (already validated by the caller); keys: subkey names;
    // value: the value name. False when the key is unknown; an unknown value of a known key
    // reads as empty.
    static bool ReadString(const std::string& root, const std::vector<std::string>& keys,
                           const std::string& value, std::string& result);
    // Test hook: a value answered as stored (whole path, backslash separated).
    static void SetValueForTests(const std::string& path, const std::string& value);
    static void ClearValuesForTests();
};

}  // namespace platform
