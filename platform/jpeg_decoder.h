#pragma once
// JPEG pictures through libjpeg. Corrupt data gives an error text instead of ending the program.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/bitmap.h"

namespace platform {

class JpegDecoder {
public:
    // Decodes into a 24-bit picture; on failure the picture is unchanged and Error() says why.
    bool Decode(const uint8_t* data, size_t size, Bitmap& picture);
    const std::string& Error() const { return m_Error; }

private:
    std::string m_Error;
};

}  // namespace platform
