#include "graphics/velmor_png_png.h"

#include <algorithm>
#include <cstring>

#include "graphics/gldpng.h"
#include "resources/memory_stream.h"

namespace {
constexpr size_t kHeaderSize = 8;
}

TyxVelmorPngPng::TyxVelmorPngPng() : m_Magic("vpp"), m_Extension(".vpp") {}

bool TyxVelmorPngPng::LoadMemory(const uint8_t* data, platform::Bitmap& picture,
                                 platform::Bitmap& mask, size_t totalSize) {
    if (data == nullptr || totalSize < m_Magic.size() ||
        std::memcmp(data, m_Magic.data(), m_Magic.size()) != 0)
        return false;
    // The header is not trusted beyond its magic: the second PNG must start inside the data
    // and after the header, or the two PNG files would overlap the header or run outside it.
    if (totalSize < kHeaderSize) return false;
    const uint32_t second = uint32_t(data[4]) | (uint32_t(data[5]) << 8) |
                            (uint32_t(data[6]) << 16) | (uint32_t(data[7]) << 24);
    if (second < kHeaderSize || second > totalSize) return false;
    m_Flag = data[3];

    // Both decode before either bitmap changes, so a bad picture leaves the mask as it was.
    platform::Bitmap maskImage;
    platform::Bitmap pictureImage;
    TGLDPNG png;
    png.SetImage(&maskImage);
    png.LoadFromMemory(data + kHeaderSize, second - kHeaderSize);
    png.SetImage(&pictureImage);
    png.LoadFromMemory(data + second, totalSize - second);
    mask = maskImage;
    picture = pictureImage;
    return true;
}

bool TyxVelmorPngPng::LoadStream(TMemoryStream& stream, platform::Bitmap& picture,
                                 platform::Bitmap& mask, size_t totalSize) {
    const size_t start = stream.Position();
    // Whatever the caller believes, the container cannot run past the stream's end.
    const size_t size = std::min(totalSize, stream.Size() - start);
    if (!LoadMemory(stream.Data() + start, picture, mask, size)) return false;
    stream.SetPosition(start + size);
    return true;
}
