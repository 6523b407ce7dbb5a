#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A growable block of bytes with a position, as the loaders and sound channels use it.
class TMemoryStream {
public:
    size_t Size() const { return m_Data.size(); }
    size_t Position() const { return m_Position; }
    void SetPosition(size_t position) { m_Position = position <= m_Data.size() ? position : m_Data.size(); }
    // Writes at the position, growing the block; moves the position on.
    void Write(const void* data, size_t size);
    // Reads up to size bytes; returns how many were read.
    size_t Read(void* data, size_t size);
    void Clear() {
        m_Data.clear();
        m_Position = 0;
    }
    const uint8_t* Data() const { return m_Data.data(); }
    std::vector<uint8_t>& Bytes() { return m_Data; }
    const std::vector<uint8_t>& Bytes() const { return m_Data; }

private:
    std::vector<uint8_t> m_Data;
    size_t m_Position = 0;
};
