#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A loaded shared object (dlopen). Resource libraries built by our rc/ step also answer
// named, typed resources through the export "VelmorFindResource".
class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // hostPath is a host (UTF-8) path. False with LastError() set on failure.
    bool Load(const std::string& hostPath);
    void Free();
    bool IsLoaded() const { return m_Handle != nullptr; }
    void* FindExport(const std::string& name) const;
    // Resource lookup by name and type ("BITMAP", "PNG", "VPP", "RICHTEXT", ...), compared
    // without regard to ASCII case. The bytes stay owned by the library.
    bool FindResource(const std::string& name, const std::string& type, const uint8_t*& data,
                      size_t& size) const;
    const std::string& LastError() const { return m_LastError; }

private:
    void* m_Handle = nullptr;
    std::string m_LastError;
};

}  // namespace platform
