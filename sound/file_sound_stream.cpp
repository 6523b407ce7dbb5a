#include "sound/file_sound_stream.h"

#include "platform/file_system.h"

TyxFileSoundStream::~TyxFileSoundStream() {
    if (m_File) std::fclose(m_File);
}

bool TyxFileSoundStream::Open(const std::string& path) {
    if (m_File) std::fclose(m_File);
    m_File = nullptr;
    m_Position = 0;
    m_Size = 0;
    std::string host = platform::FileSystem::ToHostPath(path);
    if (!platform::FileSystem::FileExists(path)) return false;
    m_File = std::fopen(host.c_str(), "rb");
    if (!m_File) return false;
    if (std::fseek(m_File, 0, SEEK_END) != 0) return false;
    long size = std::ftell(m_File);
    if (size < 0 || std::fseek(m_File, 0, SEEK_SET) != 0) {
        std::fclose(m_File);
        m_File = nullptr;
        return false;
    }
    m_Size = size;
    return true;
}

size_t TyxFileSoundStream::Read(void* buffer, size_t size) {
    if (!m_File || size == 0) return 0;
    size_t n = std::fread(buffer, 1, size, m_File);
    m_Position += static_cast<int64_t>(n);
    return n;
}

bool TyxFileSoundStream::Seek(int64_t position) {
    if (!m_File || position < 0 || position > m_Size) return false;
    if (std::fseek(m_File, static_cast<long>(position), SEEK_SET) != 0) return false;
    m_Position = position;
    return true;
}
