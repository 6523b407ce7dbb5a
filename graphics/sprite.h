#pragma once
// One picture layer: picture, transparency map or mask, anchor and position, visible and
// mirrored. The scene, the extra modes, the save thumbnails and the snapshot all use it.
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/display_surface.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"

class TyxWitch;
class TyxDllRes;
class TyxBCLManager;
class TyxImage;
class TyxVelmorPngPng;

class TSprite {
public:
    // How the picture is drawn; 2 is drawn like 3.
    enum Kind : uint8_t { kNone = 0, kOpaque = 1, kMaskedOld = 2, kMasked = 3, kAlpha = 4 };

    struct TSize {
        int width = 0, height = 0;
    };

    // Creates no bitmap; the scrambler, library and manager are borrowed and may be null.
    TSprite(uint8_t pixelFormat, bool useMmx, TyxWitch* witch, TyxDllRes* resourceLibrary,
            TyxBCLManager* resourceManager);
    ~TSprite();
    TSprite(const TSprite&) = delete;
    TSprite& operator=(const TSprite&) = delete;

    // A picture file by its real extension (".png", ".vpp", ".jpg", ".bmp"), from disk through
    // the file system or else through the resource manager. False and an empty file name when
    // missing, of an unknown kind or corrupt; visibility is not changed.
    bool Load(const std::string& fileName);
    // The bitmap resource of the library (fromLibrary and a library present) or of the
    // program's own resources; the kind is left as it was.
    bool LoadResourceBitmap(const std::string& name, bool fromLibrary = true);
    // The PNG resource of the library or of the program's own resources; kind 1 or 4.
    // False (layer unchanged, file name empty) when missing or corrupt.
    bool LoadResourcePng(const std::string& name, bool fromLibrary = true);
    // The ".vpp" resource of the library; a missing or bad one frees image and mask.
    bool LoadResourceVpp(const std::string& name);
    // A new picture of the sprite's format, filled with the colour; kind 1, no mask.
    void CreateBlank(int width, int height, uint32_t colour);
    void Fill(uint32_t colour);

    void SetAnchor(int h, int v, int x, int y);
    void SetBasePoint(int basePoint, int x, int y);
    void AlignToArea(int areaWidth, int areaHeight, int basePoint);
    int Left() const;
    int Top() const;
    int Right() const;
    int Bottom() const;
    int Width() const { return m_Image.Width(); }
    int Height() const { return m_Image.Height(); }
    TSize Size() const { return {Width(), Height()}; }

    // Onto the target's picture at (Left, Top) by kind and mirrored flag; visibility is the
    // caller's test.
    void DrawTo(TSprite& target);
    // Whether DrawRowsTo can draw this kind onto the target: rows drawn in any order give what
    // DrawTo gives, without converting either picture.
    bool DrawsByRows(const TSprite& target) const;
    // DrawTo restricted to the target rows [rowBegin, rowEnd), for a kind that DrawsByRows.
    void DrawRowsTo(TSprite& target, int rowBegin, int rowEnd);
    // The picture onto the display, clipped to it, unscaled.
    void Present(TDisplaySurface& surface) const;
    void PresentArea(TDisplaySurface& surface, const TRect& area) const;
    void CopyTo(platform::Bitmap& bitmap) const;
    // Plain copy of any picture onto this one at (x, y).
    void DrawGraphic(const platform::Bitmap& graphic, int x, int y);
    // The same with the surface's present copy mode.
    void DrawGraphicWithMode(const platform::Bitmap& graphic, int x, int y);
    // Another sprite's picture stretched into a rectangle of this one.
    void StretchDrawSprite(const TSprite& other, const platform::Rect& rect);

    // The picture's surface with the sprite's font set on it.
    platform::Canvas& GetCanvas();
    int TextWidth(const std::string& text);
    // Character height in pixels (kept with the platform's negative convention).
    void SetFontHeight(int h);
    int FontHeight() const { return m_FontHeight; }
    void SetFontName(const std::string& name);
    const std::string& FontName() const { return m_FontName; }

    bool Visible() const { return m_Visible; }
    void SetVisible(bool v) { m_Visible = v; }
    bool Mirrored() const { return m_Mirrored; }
    void SetMirrored(bool m) { m_Mirrored = m; }
    uint8_t GetKind() const { return m_Kind; }
    void SetKind(uint8_t kind) { m_Kind = kind; }
    const std::string& FileName() const { return m_FileName; }
    uint32_t FillColour() const { return m_FillColour; }
    int PositionX() const { return m_X; }
    int PositionY() const { return m_Y; }
    int AnchorH() const { return m_AnchorH; }
    int AnchorV() const { return m_AnchorV; }
    uint8_t PixelFormatCode() const { return m_PixelFormat; }
    platform::Bitmap& Image() { return m_Image; }
    const platform::Bitmap& Image() const { return m_Image; }
    platform::Bitmap& Mask() { return m_Mask; }
    const platform::Bitmap& Mask() const { return m_Mask; }
    TyxImage& ImageObject() { return *m_ImageObject; }

private:
    bool LoadFromDisk(const std::string& fileName, const std::string& ext);
    bool LoadFromManager(const std::string& fileName, const std::string& ext);
    bool DecodePngInto(const uint8_t* data, size_t size);
    void ConvertFormat();

    platform::Bitmap m_Image;
    platform::Bitmap m_Mask;
    int m_X = 0, m_Y = 0;
    int m_AnchorH = -1, m_AnchorV = -1;
    std::string m_FileName;
    // Why the last load was refused by a decoder, when it said.
    std::string m_Refusal;
    void ExplainRefusal(const std::string& fileName, const std::string& ext) const;
    std::unique_ptr<TyxImage> m_ImageObject;
    std::unique_ptr<TyxVelmorPngPng> m_Container;
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
    int m_FontHeight = -12;
};
