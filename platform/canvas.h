#pragma once
// The drawing surface of a Bitmap: copies (plain, stretched, mirrored), the AND/OR raster
// operations with tiled brush patterns, pens and lines, filled rectangles, fonts and text.
// It works on every depth a Bitmap has; colours are 0x00BBGGRR.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class Bitmap;

// Right and bottom are excluded.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct TextSize {
    int width = 0, height = 0;
};

// How a copied picture meets the pixels already there.
enum class CopyMode : uint8_t {
    Copy,              // source
    And,               // destination AND source
    Or,                // destination OR source
    PatternAnd,        // destination AND brush pattern (the source only gives the area)
    SourceAndPattern,  // source AND brush pattern
};

class Canvas {
public:
    explicit Canvas(Bitmap& target);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    Bitmap& Target() { return m_Target; }

    void SetCopyMode(CopyMode mode) { m_CopyMode = mode; }
    CopyMode GetCopyMode() const { return m_CopyMode; }

    // A pattern brush tiles its picture from the surface's (0, 0); the solid brush is its colour.
    void SetBrushColour(uint32_t colour);
    void SetBrushPattern(const Bitmap& pattern);
    // Solid white, as a new surface has.
    void ResetBrush();
    bool HasBrushPattern() const;

    void SetPenColour(uint32_t colour) { m_PenColour = colour & 0xFFFFFF; }
    uint32_t PenColour() const { return m_PenColour; }
    void SetPenWidth(int width) { m_PenWidth = width < 1 ? 1 : width; }
    int PenWidth() const { return m_PenWidth; }
    void MoveTo(int x, int y);
    // A line from the pen position; the end point is not drawn and becomes the pen position.
    void LineTo(int x, int y);
    // With the brush, whatever the copy mode.
    void FillRect(const Rect& rect);

    // The source at (x, y) by the copy mode. A plain copy skips the source's colour key.
    void Draw(int x, int y, const Bitmap& source);
    // Stretched by nearest pixel; a rectangle with left > right (top > bottom) mirrors the
    // picture left to right (top to bottom).
    void StretchDraw(const Rect& dest, const Bitmap& source);
    void CopyRect(const Rect& dest, const Bitmap& source, const Rect& sourceRect);

    // Face names as the engine writes them (Shift-JIS); the Windows faces map to installed ones.
    void SetFontName(const std::string& name);
    const std::string& FontName() const { return m_FontName; }
    // Negative: the character height in pixels; positive: the cell height; 0: the default.
    void SetFontHeight(int height);
    int FontHeight() const { return m_FontHeight; }
    // Average character width; 0 keeps the face's own proportions.
    void SetFontWidth(int width);
    int FontWidth() const { return m_FontWidth; }
    void SetFontColour(uint32_t colour) { m_FontColour = colour & 0xFFFFFF; }
    uint32_t FontColour() const { return m_FontColour; }
    // Text drawn over the background (true) or over a box of the background colour.
    void SetBackgroundTransparent(bool transparent) { m_TransparentBackground = transparent; }
    bool BackgroundTransparent() const { return m_TransparentBackground; }
    void SetBackgroundColour(uint32_t colour) { m_BackgroundColour = colour & 0xFFFFFF; }
    uint32_t BackgroundColour() const { return m_BackgroundColour; }
    // Copies face, size, colours and background mode of another surface.
    void CopyTextAttributes(const Canvas& other);

    TextSize TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).width; }
    int TextHeight(const std::string& text) { return TextExtent(text).height; }
    // Shift-JIS text with its cell's top-left at (x, y), without smoothing.
    bool TextOut(int x, int y, const std::string& text);

    // The installed face a name maps to (UTF-8).
    static std::string HostFace(const std::string& name);

    struct Impl;

private:
    void Blit(const Rect& dest, const Bitmap& source, const Rect& sourceRect, CopyMode mode);

    Bitmap& m_Target;
    std::unique_ptr<Impl> m_Impl;
    CopyMode m_CopyMode = CopyMode::Copy;
    uint32_t m_PenColour = 0;
    int m_PenWidth = 1;
    int m_PenX = 0, m_PenY = 0;
    std::string m_FontName;
    int m_FontHeight = -12;
    int m_FontWidth = 0;
    uint32_t m_FontColour = 0;
    bool m_TransparentBackground = false;
    uint32_t m_BackgroundColour = 0xFFFFFF;
};

}  // namespace platform
