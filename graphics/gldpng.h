#pragma once
// The engine's PNG picture: decodes into a platform bitmap and, when the PNG carries
// transparency, an 8-bit transparency map holding 255 - alpha (0 shows the pixel).
#include <cstddef>
#include <cstdint>

#include "platform/bitmap.h"

class TMemoryStream;

class TGLDPNG {
public:
    TGLDPNG();
    TGLDPNG(const TGLDPNG&) = delete;
    TGLDPNG& operator=(const TGLDPNG&) = delete;

    // Decode into this bitmap from now on; nullptr goes back to the picture's own bitmap.
    void SetImage(platform::Bitmap* bitmap) { m_ExternalImage = bitmap; }
    // Decode the transparency map into this bitmap; nullptr goes back to the own map.
    void SetABmp(platform::Bitmap* bitmap) { m_ExternalAlpha = bitmap; }

    // Decodes the PNG that starts at the stream's position and leaves the position just after
    // the last byte used. Bad data raises the engine error with the decoder's message.
    void LoadFromStream(TMemoryStream& stream);
    // The same from a block of memory; returns how many bytes were used.
    size_t LoadFromMemory(const uint8_t* data, size_t size);

    // Copies the map into `bitmap` when there is one and `bitmap` is given; true when there is.
    bool AlphaBitmapAssignTo(platform::Bitmap* bitmap) const;
    // A plain bitmap copy of the picture takes the decoded image only.
    void AssignTo(platform::Bitmap& bitmap) const { bitmap = Image(); }

    platform::Bitmap& Image() { return m_ExternalImage ? *m_ExternalImage : m_Image; }
    const platform::Bitmap& Image() const { return m_ExternalImage ? *m_ExternalImage : m_Image; }
    platform::Bitmap& AlphaBitmap() { return m_ExternalAlpha ? *m_ExternalAlpha : m_Alpha; }
    const platform::Bitmap& AlphaBitmap() const {
        return m_ExternalAlpha ? *m_ExternalAlpha : m_Alpha;
    }

    // Set by the last decode: a transparency map was produced.
    bool HasAlpha() const { return m_HasAlpha; }
    // Set by the last decode when the PNG names one fully transparent colour instead of a map
    // (a tRNS colour, or a palette with one entry of alpha 0 and the rest opaque); the image
    // then carries it as its colour key too.
    bool Transparent() const { return m_Transparent; }
    uint32_t TransparentColor() const { return m_TransparentColor; }  // 0x00BBGGRR
    // The palette entry behind TransparentColor for indexed pictures, else -1.
    int TransparentIndex() const { return m_TransparentIndex; }

private:
    friend class TGLDPNGReadStream;

    platform::Bitmap m_Image;
    platform::Bitmap m_Alpha;
    platform::Bitmap* m_ExternalImage = nullptr;
    platform::Bitmap* m_ExternalAlpha = nullptr;
    bool m_HasAlpha = false;
    bool m_Transparent = false;
    uint32_t m_TransparentColor = 0;
    int m_TransparentIndex = -1;
};
