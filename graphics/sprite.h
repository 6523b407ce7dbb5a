#pragma once
#include <cstdint>
#include <string>

#include "graphics/display_surface.h"
#include "platform/bitmap.h"

class TyxWitch;
class TyxDllRes;
class TyxBCLManager;

// One picture layer: picture, transparency map, anchor and position, visible and mirrored.
// This is the scene's first form: blank layers, PNG resources with alpha and plain drawing;
// the full loaders and kernels build on it.
class TSprite {
public:
    enum Kind : uint8_t { kNone = 0, kOpaque = 1, kMasked = 3, kAlpha = 4 };

    TSprite(uint8_t pixelFormat, bool useMmx, TyxWitch* witch, TyxDllRes* resourceLibrary,
            TyxBCLManager* resourceManager);

    void CreateBlank(int width, int height, uint32_t colour);
    void Fill(uint32_t colour);
    // The PNG resource of the library; false (layer unchanged) when missing or corrupt.
    bool LoadResourcePng(const std::string& name);

    void SetAnchor(int h, int v, int x, int y);
    void SetBasePoint(int basePoint, int x, int y);
    int Left() const;
    int Top() const;
    int Right() const { return Left() + Width(); }
    int Bottom() const { return Top() + Height(); }
    int Width() const { return m_Image.Width(); }
    int Height() const { return m_Image.Height(); }

    // Draws onto the target's picture at (Left, Top) by kind and mirrored flag.
    void DrawTo(TSprite& target) const;
    void Present(TDisplaySurface& surface) const;

    bool Visible() const { return m_Visible; }
    void SetVisible(bool v) { m_Visible = v; }
    bool Mirrored() const { return m_Mirrored; }
    void SetMirrored(bool m) { m_Mirrored = m; }
    uint8_t GetKind() const { return m_Kind; }
    const std::string& FileName() const { return m_FileName; }
    uint32_t FillColour() const { return m_FillColour; }
    int PositionX() const { return m_X; }
    int PositionY() const { return m_Y; }
    platform::Bitmap& Image() { return m_Image; }
    const platform::Bitmap& Image() const { return m_Image; }

    void SetFontName(const std::string& name) { m_FontName = name; }
    const std::string& FontName() const { return m_FontName; }
    // Character height in pixels (stored with the platform's negative convention).
    void SetFontHeight(int h) { m_FontHeight = -(h < 0 ? -h : h); }
    int FontHeight() const { return m_FontHeight; }

private:
    platform::Bitmap m_Image;
    platform::Bitmap m_Mask;  // 255 - alpha, in the red channel
    int m_X = 0, m_Y = 0;
    int m_AnchorH = -1, m_AnchorV = -1;
    std::string m_FileName;
    TyxWitch* m_Witch;
    uint32_t m_FillColour = 0;
    uint8_t m_Kind = kNone;
    uint8_t m_PixelFormat;
    bool m_UseMmx;
    bool m_Visible = false;
    bool m_Mirrored = false;
    TyxBCLManager* m_ResourceManager;
    TyxDllRes* m_ResourceLibrary;
    std::string m_FontName;
    int m_FontHeight = 0;
};
