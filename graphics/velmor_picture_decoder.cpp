#include "graphics/velmor_picture_decoder.h"

#include "graphics/gldpng.h"
#include "graphics/velmor_png_png.h"
#include "platform/jpeg_decoder.h"
#include "resources/engine_error.h"

bool TVelmorPictureDecoder::DecodePng(const uint8_t* data, size_t size, platform::Bitmap& bitmap,
                                      platform::Bitmap* alphaBitmap, bool& hasAlpha) {
    if (data == nullptr || size == 0) return false;
    TGLDPNG png;
    try {
        png.LoadFromMemory(data, size);
    } catch (const EEngineError&) {
        return false;
    }
    if (png.Image().Empty()) return false;
    hasAlpha = png.HasAlpha();
    if (hasAlpha && alphaBitmap != nullptr) png.AlphaBitmapAssignTo(alphaBitmap);
    bitmap = png.Image();
    return true;
}

bool TVelmorPictureDecoder::DecodeVpp(const uint8_t* data, size_t size, platform::Bitmap& bitmap,
                                      platform::Bitmap& maskBitmap) {
    if (data == nullptr || size == 0) return false;
    platform::Bitmap picture, mask;
    TyxVelmorPngPng container;
    try {
        if (!container.LoadMemory(data, picture, mask, size)) return false;
    } catch (const EEngineError&) {
        return false;
    }
    if (picture.Empty() || mask.Width() != picture.Width() || mask.Height() != picture.Height())
        return false;
    bitmap = picture;
    maskBitmap = mask;
    return true;
}

bool TVelmorPictureDecoder::DecodeJpeg(const uint8_t* data, size_t size, platform::Bitmap& bitmap) {
    if (data == nullptr || size == 0) return false;
    platform::Bitmap picture;
    platform::JpegDecoder jpeg;
    if (!jpeg.Decode(data, size, picture)) return false;
    bitmap = picture;
    return true;
}

bool TVelmorPictureDecoder::DecodeBmp(const uint8_t* data, size_t size, platform::Bitmap& bitmap) {
    if (data == nullptr || size == 0) return false;
    return bitmap.LoadFromBmp(data, size);
}
