#include "resources/memory_stream.h"

#include <cstring>

void TMemoryStream::Write(const void* data, size_t size) {
    if (size == 0) return;
    if (m_Position + size > m_Data.size()) m_Data.resize(m_Position + size);
    std::memcpy(m_Data.data() + m_Position, data, size);
    m_Position += size;
}

size_t TMemoryStream::Read(void* data, size_t size) {
    size_t n = m_Position < m_Data.size() ? m_Data.size() - m_Position : 0;
    if (size < n) n = size;
    if (n == 0) return 0;
    std::memcpy(data, m_Data.data() + m_Position, n);
    m_Position += n;
    return n;
}
