#pragma once
// A device-independent bitmap. Pixels live in a QImage behind the pointer so the engine core
// never sees Qt; window code reaches it through platform/bitmap_qt.h.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class Bitmap {
public:
    Bitmap();
    ~Bitmap();
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);

    int Width() const;
    int Height() const;
    int BitsPerPixel() const;  // 0 while empty
    bool Empty() const;
    // 32 bits per pixel, every pixel 0 (black).
    void SetSize(int width, int height);
    // A blank picture of the given depth. Rows are top-down and 32-bit aligned: 32 bits are
    // B, G, R, unused bytes; 24 bits B, G, R; 8 bits a palette index (grey ramp at first);
    // 1 bit most significant bit first. Other depths arrive with the drawing layer.
    void SetFormat(int width, int height, int bitsPerPixel);
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;
    int BytesPerLine() const;
    // Palette of an 8- or 1-bit picture, colours 0x00BBGGRR.
    void SetPalette(const uint32_t* colours, int count);
    // Colours are 0x00BBGGRR as settings files store them.
    void Fill(uint32_t colour);
    uint32_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, uint32_t colour);
    // Opacity of a pixel of a picture decoded with an alpha channel (255 elsewhere).
    uint8_t Alpha(int x, int y) const;
    bool HasAlpha() const;
    // Windows bitmap file bytes (BITMAPFILEHEADER first); false and unchanged when corrupt.
    bool LoadFromBmp(const uint8_t* data, size_t size);
    // PNG, BMP, JPEG ... by the host's image readers; false and unchanged when corrupt.
    bool LoadFromEncoded(const uint8_t* data, size_t size);
    bool SavePng(const std::string& hostPath) const;

    struct Impl;
    Impl& impl() { return *m_Impl; }
    const Impl& impl() const { return *m_Impl; }

private:
    std::unique_ptr<Impl> m_Impl;
};

}  // namespace platform
