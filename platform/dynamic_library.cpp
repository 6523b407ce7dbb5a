#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace platform {

namespace {
using FindResourceFn = int (*)(const char*, const char*, const unsigned char**, unsigned long*);
}

DynamicLibrary::~DynamicLibrary() { Free(); }

bool DynamicLibrary::Load(const std::string& hostPath) {
    Free();
    m_LastError.clear();
    if (hostPath.empty()) {
        m_LastError = "empty library path";
        return false;
    }
    // A bare name would make dlopen search the system's library folders instead of the file meant.
    const std::string path = hostPath.find('/') == std::string::npos ? "./" + hostPath : hostPath;
    m_Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_Handle == nullptr) {
        const char* error = dlerror();
        m_LastError = error != nullptr ? error : "dlopen failed";
        return false;
    }
    return true;
}

void DynamicLibrary::Free() {
    if (m_Handle != nullptr) {
        dlclose(m_Handle);
        m_Handle = nullptr;
    }
}

void* DynamicLibrary::FindExport(const std::string& name) const {
    if (m_Handle == nullptr) return nullptr;
    dlerror();
    return dlsym(m_Handle, name.c_str());
}

bool DynamicLibrary::FindResource(const std::string& name, const std::string& type,
                                  const uint8_t*& data, size_t& size) const {
    auto find = reinterpret_cast<FindResourceFn>(FindExport("VelmorFindResource"));
    if (find == nullptr) return false;
    const unsigned char* bytes = nullptr;
    unsigned long length = 0;
    if (find(name.c_str(), type.c_str(), &bytes, &length) != 1 || bytes == nullptr) return false;
    data = bytes;
    size = static_cast<size_t>(length);
    return true;
}

}  // namespace platform
