#include "resources/picture_decoder.h"

#include <cstring>

namespace {

// The map of a picture decoded with an alpha channel: 8 bits, 255 - alpha per pixel.
void BuildAlphaMap(const platform::Bitmap& picture, platform::Bitmap& map) {
    const int w = picture.Width(), h = picture.Height();
    map.SetFormat(w, h, 8);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = map.ScanLine(y);
        for (int x = 0; x < w; ++x) row[x] = static_cast<uint8_t>(255 - picture.Alpha(x, y));
    }
}

bool IsPng(const uint8_t* data, size_t size) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return data != nullptr && size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

}  // namespace

bool TyxPictureDecoder::DecodePng(const uint8_t* data, size_t size, platform::Bitmap& bitmap,
                                  platform::Bitmap* alphaBitmap, bool& hasAlpha) {
    platform::Bitmap decoded;
    if (!IsPng(data, size) || !decoded.LoadFromEncoded(data, size)) return false;
    hasAlpha = decoded.HasAlpha();
    if (hasAlpha && alphaBitmap != nullptr) BuildAlphaMap(decoded, *alphaBitmap);
    bitmap = decoded;
    return true;
}

bool TyxPictureDecoder::DecodeVpp(const uint8_t* data, size_t size, platform::Bitmap& bitmap,
                                  platform::Bitmap& maskBitmap) {
    if (data == nullptr || size < 8 || std::memcmp(data, "vpp", 3) != 0) return false;
    const uint32_t second = static_cast<uint32_t>(data[4]) | static_cast<uint32_t>(data[5]) << 8 |
                            static_cast<uint32_t>(data[6]) << 16 |
                            static_cast<uint32_t>(data[7]) << 24;
    if (second < 8 || second > size) return false;
    platform::Bitmap mask, picture;
    bool alpha = false;
    if (!DecodePng(data + 8, second - 8, mask, nullptr, alpha)) return false;
    if (!DecodePng(data + second, size - second, picture, nullptr, alpha)) return false;
    maskBitmap = mask;
    bitmap = picture;
    return true;
}

bool TyxPictureDecoder::DecodeJpeg(const uint8_t* data, size_t size, platform::Bitmap& bitmap) {
    if (data == nullptr || size < 3 || data[0] != 0xFF || data[1] != 0xD8) return false;
    return bitmap.LoadFromEncoded(data, size);
}

bool TyxPictureDecoder::DecodeBmp(const uint8_t* data, size_t size, platform::Bitmap& bitmap) {
    return bitmap.LoadFromBmp(data, size);
}

bool TyxPictureDecoder::DecodeIcon(const uint8_t* data, size_t size, platform::Bitmap& bitmap) {
    // An icon directory: reserved 0, type 1.
    if (data == nullptr || size < 6 || data[0] != 0 || data[1] != 0 || data[2] != 1 || data[3] != 0)
        return false;
    return bitmap.LoadFromEncoded(data, size);
}
