#pragma once
// How archive and resource loads turn picture bytes into bitmaps. This base class uses the
// host's image readers; the graphics layer derives the engine's own decoders (PNG with its
// transparency map, the masked ".vpp" container, JPEG), which the program hands to the
// resource manager.
#include <cstddef>
#include <cstdint>

#include "platform/bitmap.h"

class TyxPictureDecoder {
public:
    virtual ~TyxPictureDecoder() = default;

    // A PNG into bitmap; hasAlpha tells whether it carried transparency that needs a map,
    // and then, when alphaBitmap is given, the map (8 bits, 255 - alpha) goes into it.
    virtual bool DecodePng(const uint8_t* data, size_t size, platform::Bitmap& bitmap,
                           platform::Bitmap* alphaBitmap, bool& hasAlpha);
    // A ".vpp" container: header "vpp", flag byte, 32-bit offset L of the second PNG, the
    // mask PNG, the picture PNG. False and both bitmaps unchanged when it is not one.
    virtual bool DecodeVpp(const uint8_t* data, size_t size, platform::Bitmap& bitmap,
                           platform::Bitmap& maskBitmap);
    virtual bool DecodeJpeg(const uint8_t* data, size_t size, platform::Bitmap& bitmap);
    virtual bool DecodeBmp(const uint8_t* data, size_t size, platform::Bitmap& bitmap);
    // A Windows icon file; the picture of its best entry.
    virtual bool DecodeIcon(const uint8_t* data, size_t size, platform::Bitmap& bitmap);
};
