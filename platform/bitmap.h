#pragma once
// A device-independent bitmap. Pixels live in a QImage behind the pointer so the engine core
// never sees Qt; window code reaches it through platform/bitmap_qt.h. 4-bit pictures, which Qt
// has no format for, keep their own packed rows.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class Canvas;

// Data worked out from a picture's pixels (a span index of a transparency map, say), kept
// with the picture until its pixels change.
class BitmapDerived {
public:
    virtual ~BitmapDerived() = default;
};

// Codes in the order the engine's settings pass them (7 is the 32-bit format).
enum class PixelFormat : uint8_t {
    Device = 0,
    Bit1,
    Bit4,
    Bit8,
    Bit15,
    Bit16,
    Bit24,
    Bit32,
    Custom
};

class Bitmap {
public:
    Bitmap();
    ~Bitmap();
    // Copies the picture, palette and colour key; the copy starts with a fresh canvas.
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);

    int Width() const;
    int Height() const;
    int BitsPerPixel() const;  // 0 while empty; 15 for the 15-bit format
    bool Empty() const;
    // 32 bits per pixel, every pixel 0 (black).
    void SetSize(int width, int height);
    // A blank picture of the given depth (1, 4, 8, 15, 16, 24 or 32; anything else is 32).
    // Rows are top-down and 32-bit aligned: 32 bits are B, G, R, unused; 24 bits B, G, R;
    // 15 and 16 bits one little-endian word, blue in bits 0-4, green 5-9, red 10-14; 8 and 4
    // bits palette indexes (grey ramp, 16-colour table at first), 4 bits high nibble first;
    // 1 bit most significant bit first (black, white).
    void SetFormat(int width, int height, int bitsPerPixel);
    PixelFormat GetPixelFormat() const;
    // Converts the pixels in place; Device means 32 bits, Custom and the present format do nothing.
    void SetPixelFormat(PixelFormat format);
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;
    int BytesPerLine() const;
    // Palette of a 1-, 4- or 8-bit picture, colours 0x00BBGGRR.
    void SetPalette(const uint32_t* colours, int count);
    int PaletteSize() const;
    uint32_t PaletteColour(int index) const;
    // Colours are 0x00BBGGRR as settings files store them.
    void Fill(uint32_t colour);
    uint32_t Pixel(int x, int y) const;
    // On 1- and 8-bit pictures this switches to 32 bits first, so any colour can be set; on
    // 4-bit pictures the nearest palette colour is used.
    void SetPixel(int x, int y, uint32_t colour);
    // Opacity of a pixel of a picture decoded with an alpha channel (255 elsewhere).
    uint8_t Alpha(int x, int y) const;
    bool HasAlpha() const;

    // Colour-key transparency: plain draws of this picture skip pixels of this colour.
    void SetTransparentColour(uint32_t colour);
    void ClearTransparent();
    bool Transparent() const;
    uint32_t TransparentColour() const;

    // Pen, brush, font and copy mode live with the picture, as its drawing surface.
    Canvas& GetCanvas();

    // Raised by code that changed the pixels through ScanLine, so views of the picture repaint.
    void Changed();
    void SetOnChange(std::function<void()> handler);

    // Windows bitmap file bytes (BITMAPFILEHEADER first), every depth, RLE4/RLE8 and
    // bit fields; false and unchanged when corrupt.
    bool LoadFromBmp(const uint8_t* data, size_t size);
    // PNG, BMP, JPEG ... by the host's image readers; false and unchanged when corrupt.
    bool LoadFromEncoded(const uint8_t* data, size_t size);
    bool SavePng(const std::string& hostPath) const;

    // What was attached last, or null once the pixels may have changed since: every writable
    // access (ScanLine, the canvas, loads, format changes) counts as a change. 4-bit pictures
    // keep nothing.
    std::shared_ptr<const BitmapDerived> Derived() const;
    void SetDerived(std::shared_ptr<const BitmapDerived> data) const;

    struct Impl;
    Impl& impl() { return *m_Impl; }
    const Impl& impl() const { return *m_Impl; }

private:
    std::unique_ptr<Impl> m_Impl;
    std::unique_ptr<Canvas> m_Canvas;
    std::function<void()> m_OnChange;
};

}  // namespace platform
