#pragma once
// The engine's own decoders for archive and resource loads: PNG with its transparency map and
// colour key, the masked ".vpp" container, JPEG through libjpeg, BMP of every depth. Damaged
// data is a failed load (false), never an exception.
#include "resources/picture_decoder.h"

class TVelmorPictureDecoder : public TyxPictureDecoder {
public:
    bool DecodePng(const uint8_t* data, size_t size, platform::Bitmap& bitmap,
                   platform::Bitmap* alphaBitmap, bool& hasAlpha) override;
    bool DecodeVpp(const uint8_t* data, size_t size, platform::Bitmap& bitmap,
                   platform::Bitmap& maskBitmap) override;
    bool DecodeJpeg(const uint8_t* data, size_t size, platform::Bitmap& bitmap) override;
    bool DecodeBmp(const uint8_t* data, size_t size, platform::Bitmap& bitmap) override;
};
