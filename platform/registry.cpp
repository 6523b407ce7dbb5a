#include "platform/registry.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/file_system.h"
#include "platform/sjis.h"

namespace platform {
namespace {

const char kShellFolders[] =
    "hkey_current_user\\software\\microsoft\\windows\\currentversion\\explorer\\shell folders";

std::string Lower(std::string s) {
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = s[i];
        if (IsSjisLeadByte(c) && i + 1 < s.size()) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            s[i] = static_cast<char>(c + 32);
        }
    }
    return s;
}

std::mutex g_Lock;
std::map<std::string, std::string>& TestValues() {
    static std::map<std::string, std::string> values;  // lower-case path -> value
    return values;
}

// True when key names the stored key or one of its parents.
bool IsKeyOf(const std::string& key, const std::string& storedKey) {
    return storedKey == key || storedKey.rfind(key + "\\", 0) == 0;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

bool Registry::ReadString(const std::string& root, const std::vector<std::string>& keys,
                          const std::string& value, std::string& result) {
    std::string key = Lower(root);
    for (const std::string& k : keys) {
        key += '\\';
        key += Lower(k);
    }
    const std::string name = Lower(value);

    std::lock_guard<std::mutex> guard(g_Lock);
    bool known = keys.empty();  // the roots themselves always exist
    for (const auto& [path, stored] : TestValues()) {
        size_t cut = path.rfind('\\');
        std::string storedKey = path.substr(0, cut);
        if (storedKey == key && path.substr(cut + 1) == name) {
            result = stored;
            return true;
        }
        known = known || IsKeyOf(key, storedKey);
    }
    if (IsKeyOf(key, kShellFolders)) {
        result.clear();
        if (key != kShellFolders) return true;
        std::string folder;
        if ((name == "appdata" || name == "local appdata") && FileSystem::UserDataFolder(folder)) {
            result = WithoutTrailingSlash(folder);
        } else if (name == "personal" && getenv("HOME")) {
            result = WithoutTrailingSlash(FileSystem::FromHostPath(getenv("HOME")));
        }
        return true;
    }
    if (!known) return false;
    result.clear();
    return true;
}

void Registry::SetValueForTests(const std::string& path, const std::string& value) {
    std::lock_guard<std::mutex> guard(g_Lock);
    TestValues()[Lower(path)] = value;
}

void Registry::ClearValuesForTests() {
    std::lock_guard<std::mutex> guard(g_Lock);
    TestValues().clear();
}

}  // namespace platform
