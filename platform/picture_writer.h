#pragma once
// Pictures saved as files: JPEG through libjpeg and 24-bit Windows bitmaps, written to a
// temporary file and renamed, so a full disk never leaves half a picture.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class Bitmap;

class PictureWriter {
public:
    // Quality is limited to 1..100. The path is an engine path.
    static bool SaveJpeg(const Bitmap& picture, const std::string& path, int quality);
    static bool SaveBmp24(const Bitmap& picture, const std::string& path);
    // The encoded bytes, for the two above and for tests.
    static bool EncodeJpeg(const Bitmap& picture, int quality, std::vector<uint8_t>& bytes);
    static std::vector<uint8_t> EncodeBmp24(const Bitmap& picture);
};

}  // namespace platform
