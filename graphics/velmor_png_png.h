#pragma once
// The masked picture container ".vpp": "vpp", a flag byte, the little-endian offset L of the
// second PNG, then the mask PNG (L - 8 bytes) and the picture PNG running to the end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/bitmap.h"

class TMemoryStream;

class TyxVelmorPngPng {
public:
    TyxVelmorPngPng();

    // Reads a container of totalSize bytes from the stream's position. False, with the bitmaps
    // and the position untouched, for a wrong magic or a corrupt header; a PNG that does not
    // decode raises the decoder's engine error. On success the position is after the container.
    bool LoadStream(TMemoryStream& stream, platform::Bitmap& picture, platform::Bitmap& mask,
                    size_t totalSize);
    // The same from a block of totalSize bytes.
    bool LoadMemory(const uint8_t* data, platform::Bitmap& picture, platform::Bitmap& mask,
                    size_t totalSize);

    const std::string& Magic() const { return m_Magic; }
    const std::string& Extension() const { return m_Extension; }
    // The flag byte of the last container read.
    uint8_t Flag() const { return m_Flag; }

private:
    std::string m_Magic;
    std::string m_Extension;
    uint8_t m_Flag = 0;
};
