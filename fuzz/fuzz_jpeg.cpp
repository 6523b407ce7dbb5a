// JPEG pictures come from game folders and archives: any bytes must decode or be refused
// quickly, and a decoded picture stays within the picture limits.
#include <cstddef>
#include <cstdint>

#include "platform/jpeg_decoder.h"
#include "platform/picture_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::JpegDecoder decoder;
    platform::Bitmap picture;
    if (!decoder.Decode(data, size, picture)) {
        if (decoder.Error().empty()) __builtin_trap();
        return 0;
    }
    if (!platform::PictureLimits::Allowed(picture.Width(), picture.Height(), 24) ||
        picture.BitsPerPixel() != 24)
        __builtin_trap();
    return 0;
}
