#include "graphics/sprite.h"

#include "resources/dll_res.h"
#include "resources/engine_error.h"

TSprite::TSprite(uint8_t pixelFormat, bool useMmx, TyxWitch* witch, TyxDllRes* resourceLibrary,
                 TyxBCLManager* resourceManager)
    : m_Witch(witch),
      m_PixelFormat(pixelFormat),
      m_UseMmx(useMmx),
      m_ResourceManager(resourceManager),
      m_ResourceLibrary(resourceLibrary) {}

void TSprite::CreateBlank(int width, int height, uint32_t colour) {
    m_Image.SetSize(width, height);
    m_Image.Fill(colour);
    m_Mask = platform::Bitmap();
    m_FillColour = colour;
    m_Kind = kOpaque;
}

void TSprite::Fill(uint32_t colour) {
    m_Image.Fill(colour);
    m_FillColour = colour;
}

bool TSprite::LoadResourcePng(const std::string& name) {
    if (!m_ResourceLibrary) return false;
    TMemoryStream stream;
    try {
        if (!m_ResourceLibrary->LoadResourceStream(stream, name, "PNG")) return false;
    } catch (const EEngineError&) {
        return false;
    }
    platform::Bitmap decoded;
    if (!decoded.LoadFromEncoded(stream.Data(), stream.Size())) return false;
    m_Image.SetSize(decoded.Width(), decoded.Height());
    m_Kind = decoded.HasAlpha() ? kAlpha : kOpaque;
    if (m_Kind == kAlpha) m_Mask.SetSize(decoded.Width(), decoded.Height());
    for (int y = 0; y < decoded.Height(); ++y)
        for (int x = 0; x < decoded.Width(); ++x) {
            m_Image.SetPixel(x, y, decoded.Pixel(x, y));
            if (m_Kind == kAlpha) m_Mask.SetPixel(x, y, 255u - decoded.Alpha(x, y));
        }
    m_FileName = name;
    return true;
}

void TSprite::SetAnchor(int h, int v, int x, int y) {
    m_AnchorH = h;
    m_AnchorV = v;
    m_X = x;
    m_Y = y;
}

void TSprite::SetBasePoint(int basePoint, int x, int y) {
    // Keypad layout: 7 8 9 top, 4 5 6 middle, 1 2 3 bottom.
    if (basePoint < 1 || basePoint > 9) basePoint = 7;
    int h = (basePoint - 1) % 3 - 1;
    int v = 1 - (basePoint - 1) / 3;
    SetAnchor(h, v, x, y);
}

int TSprite::Left() const { return m_X - (m_AnchorH + 1) * Width() / 2; }
int TSprite::Top() const { return m_Y - (m_AnchorV + 1) * Height() / 2; }

void TSprite::DrawTo(TSprite& target) const {
    platform::Bitmap& dst = target.m_Image;
    const int left = Left(), top = Top();
    for (int y = 0; y < Height(); ++y) {
        const int ty = top + y;
        if (ty < 0 || ty >= dst.Height()) continue;
        for (int x = 0; x < Width(); ++x) {
            const int tx = left + x;
            if (tx < 0 || tx >= dst.Width()) continue;
            const int sx = m_Mirrored ? Width() - 1 - x : x;
            uint32_t src = m_Image.Pixel(sx, y);
            if (m_Kind == kAlpha) {
                // Transparency map: 0 shows the picture, 255 hides it.
                const uint32_t t = m_Mask.Pixel(sx, y) & 0xFF;
                if (t == 255) continue;
                if (t != 0) {
                    const uint32_t d = dst.Pixel(tx, ty);
                    uint32_t out = 0;
                    for (int shift = 0; shift < 24; shift += 8) {
                        const uint32_t s = (src >> shift) & 0xFF, b = (d >> shift) & 0xFF;
                        out |= ((s * (255 - t) + b * t + 127) / 255) << shift;
                    }
                    src = out;
                }
            }
            dst.SetPixel(tx, ty, src);
        }
    }
}

void TSprite::Present(TDisplaySurface& surface) const { surface.Present(m_Image, Left(), Top()); }
