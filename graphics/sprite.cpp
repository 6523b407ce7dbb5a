#include "graphics/sprite.h"

#include <algorithm>
#include <iostream>

#include <vector>

#include "graphics/gldpng.h"
#include "graphics/image.h"
#include "graphics/velmor_picture_decoder.h"
#include "graphics/velmor_png_png.h"
#include "platform/file_system.h"
#include "platform/jpeg_decoder.h"
#include "platform/sjis.h"
#include "resources/bcl_manager.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/memory_stream.h"
#include "resources/picture_decoder.h"
#include "resources/witch.h"
#include "resources/yxstringlib.h"

using platform::Bitmap;
using platform::PixelFormat;

TSprite::TSprite(uint8_t pixelFormat, bool useMmx, TyxWitch* witch, TyxDllRes* resourceLibrary,
                 TyxBCLManager* resourceManager)
    : m_ImageObject(std::make_unique<TyxImage>(pixelFormat, useMmx)),
      m_Container(std::make_unique<TyxVelmorPngPng>()),
      m_Witch(witch),
      m_PixelFormat(pixelFormat),
      m_UseMmx(useMmx),
      m_ResourceManager(resourceManager),
      m_ResourceLibrary(resourceLibrary) {}

TSprite::~TSprite() = default;

void TSprite::ConvertFormat() {
    const auto format = static_cast<PixelFormat>(m_PixelFormat);
    if (!m_Image.Empty() && format != PixelFormat::Device && format != PixelFormat::Custom &&
        m_Image.GetPixelFormat() != format)
        m_Image.SetPixelFormat(format);
}

// A PNG into the image and, when it carries transparency, the map into the mask. Decoding
// goes to temporaries so a corrupt file leaves the layer as it was.
bool TSprite::DecodePngInto(const uint8_t* data, size_t size) {
    TGLDPNG png;
    try {
        png.LoadFromMemory(data, size);
    } catch (const EEngineError& e) {
        m_Refusal = e.what();
        return false;
    }
    if (png.Image().Empty()) return false;
    m_Image = png.Image();
    if (png.HasAlpha()) {
        png.AlphaBitmapAssignTo(&m_Mask);
        m_Kind = kAlpha;
    } else {
        m_Kind = kOpaque;
    }
    return true;
}

bool TSprite::LoadFromDisk(const std::string& fileName, const std::string& ext) {
    std::vector<uint8_t> bytes;
    if (!platform::FileSystem::ReadFile(fileName, bytes)) return false;
    if (m_Witch) {
        std::string name = fileName;
        if (!m_Witch->StripAndDecode(bytes.data(), bytes.size(), name)) return false;
    }
    if (ext == ".png") return DecodePngInto(bytes.data(), bytes.size());
    if (ext == ".vpp") {
        Bitmap picture, mask;
        try {
            if (!m_Container->LoadMemory(bytes.data(), picture, mask, bytes.size())) return false;
        } catch (const EEngineError&) {
            return false;
        }
        if (picture.Empty() || mask.Width() != picture.Width() || mask.Height() != picture.Height())
            return false;
        m_Image = picture;
        m_Mask = mask;
        m_Kind = kMasked;
        return true;
    }
    if (ext == ".jpg") {
        Bitmap picture;
        platform::JpegDecoder jpeg;
        if (!jpeg.Decode(bytes.data(), bytes.size(), picture)) return false;
        m_Image = picture;
        m_Kind = kOpaque;
        return true;
    }
    if (ext == ".bmp") {
        Bitmap picture;
        if (!picture.LoadFromBmp(bytes.data(), bytes.size())) return false;
        m_Image = picture;
        m_Kind = kOpaque;
        return true;
    }
    return false;
}

bool TSprite::LoadFromManager(const std::string& fileName, const std::string& ext) {
    TyxBCLManager& manager = *m_ResourceManager;
    Bitmap picture, mask;
    if (ext == ".png") {
        bool hasAlpha = false;
        if (!manager.LoadPng(picture, &mask, fileName, hasAlpha) || picture.Empty()) return false;
        m_Image = picture;
        if (hasAlpha) m_Mask = mask;
        m_Kind = hasAlpha ? kAlpha : kOpaque;
        return true;
    }
    if (ext == ".vpp") {
        if (!manager.LoadMaskedImage(nullptr, picture, mask, fileName) || picture.Empty() ||
            mask.Width() != picture.Width() || mask.Height() != picture.Height())
            return false;
        m_Image = picture;
        m_Mask = mask;
        m_Kind = kMasked;
        return true;
    }
    if (ext == ".jpg" || ext == ".bmp") {
        if (!manager.LoadBitmap(picture, fileName) || picture.Empty()) return false;
        m_Image = picture;
        m_Kind = kOpaque;
        return true;
    }
    return false;
}

// The reasons for a refused picture that an author could not guess from the missing picture
// alone go to the error stream; a picture that simply is not there says nothing here.
void TSprite::ExplainRefusal(const std::string& fileName, const std::string& ext) const {
    std::string why;
    if (!m_Refusal.empty())
        why = "the decoder refuses it: " + platform::SjisToUtf8(m_Refusal);
    else if (!ext.empty() && ext != ".png" && ext != ".jpg" && ext != ".bmp" && ext != ".vpp")
        why = "pictures are read as .png, .jpg, .bmp or .vpp by their extension, not " +
              platform::SjisToUtf8(ext);
    else if (m_ResourceManager && !platform::FileSystem::FileExists(fileName))
        if (const std::string s = m_ResourceManager->ScrambledSpelling(fileName); !s.empty())
            why = "it is stored scrambled, and a scrambled file is found only under its "
                  "scrambled name " + platform::SjisToUtf8(s);
    if (!why.empty())
        std::cerr << "velmor: picture " << platform::SjisToUtf8(fileName) << " not loaded: " << why
                  << std::endl;
}

bool TSprite::Load(const std::string& fileName) {
    const std::string ext = m_Witch ? m_Witch->RealExtension(fileName)
                                    : yx::LowerCaseAscii(TyxWitch::ExtensionOf(fileName));
    bool ok = false;
    m_Refusal.clear();
    try {
        if (!fileName.empty() && platform::FileSystem::FileExists(fileName))
            ok = LoadFromDisk(fileName, ext);
        else if (m_ResourceManager)
            ok = LoadFromManager(fileName, ext);
    } catch (const EEngineError& e) {
        // A damaged picture is a failed load, not the end of the game.
        m_Refusal = e.what();
        ok = false;
    }
    if (!ok) {
        ExplainRefusal(fileName, ext);
        m_FileName.clear();
        return false;
    }
    ConvertFormat();
    m_FileName = fileName;
    return true;
}

bool TSprite::LoadResourceBitmap(const std::string& name, bool fromLibrary) {
    Bitmap picture;
    bool ok = false;
    if (m_ResourceLibrary && fromLibrary) {
        try {
            ok = m_ResourceLibrary->LoadBitmap(picture, name);
        } catch (const EEngineError&) {
            ok = false;
        }
    }
    // The program itself carries no pictures: everything comes from the library.
    if (!ok || picture.Empty()) {
        m_FileName.clear();
        return false;
    }
    m_Image = picture;
    ConvertFormat();
    m_FileName = name;
    return true;
}

bool TSprite::LoadResourcePng(const std::string& name, bool fromLibrary) {
    TMemoryStream stream;
    bool ok = false;
    if (m_ResourceLibrary && fromLibrary) {
        try {
            ok = m_ResourceLibrary->LoadResourceStream(stream, name, "PNG");
        } catch (const EEngineError&) {
            ok = false;
        }
    }
    if (!ok || !DecodePngInto(stream.Data(), stream.Size())) {
        m_FileName.clear();
        return false;
    }
    ConvertFormat();
    m_FileName = name;
    return true;
}

bool TSprite::LoadResourceVpp(const std::string& name) {
    TMemoryStream stream;
    Bitmap picture, mask;
    bool ok = false;
    if (m_ResourceLibrary) {
        try {
            ok = m_ResourceLibrary->LoadResourceStream(stream, name, "VPP") &&
                 m_Container->LoadMemory(stream.Data(), picture, mask, stream.Size()) &&
                 !picture.Empty() && mask.Width() == picture.Width() &&
                 mask.Height() == picture.Height();
        } catch (const EEngineError&) {
            ok = false;
        }
    }
    if (!ok) {
        m_Image = Bitmap();
        m_Mask = Bitmap();
        return false;
    }
    m_Image = picture;
    m_Mask = mask;
    m_Kind = kMasked;
    ConvertFormat();
    m_FileName = name;
    return true;
}

void TSprite::CreateBlank(int width, int height, uint32_t colour) {
    const auto format = static_cast<PixelFormat>(m_PixelFormat);
    int bits = 32;
    switch (format) {
        case PixelFormat::Bit1:
            bits = 1;
            break;
        case PixelFormat::Bit4:
            bits = 4;
            break;
        case PixelFormat::Bit8:
            bits = 8;
            break;
        case PixelFormat::Bit15:
            bits = 15;
            break;
        case PixelFormat::Bit16:
            bits = 16;
            break;
        case PixelFormat::Bit24:
            bits = 24;
            break;
        default:
            bits = 32;
            break;
    }
    m_Image = Bitmap();
    m_Image.SetFormat(width < 0 ? 0 : width, height < 0 ? 0 : height, bits);
    m_Image.Fill(colour);
    m_Mask = Bitmap();
    m_Kind = kOpaque;
}

void TSprite::Fill(uint32_t colour) {
    m_Image.Fill(colour);
    m_FillColour = colour;
}

void TSprite::SetAnchor(int h, int v, int x, int y) {
    m_AnchorH = h;
    m_AnchorV = v;
    m_X = x;
    m_Y = y;
}

namespace {

int HFromBasePoint(int basePoint) {
    const int r = basePoint % 3;
    return r == 0 ? 1 : r == 2 ? 0 : -1;
}

int VFromBasePoint(int basePoint) {
    return basePoint <= 3 ? 1 : basePoint > 6 ? -1 : 0;
}

// The low edge of a span of `size` whose point `anchor` lies at `at`.
int LowEdge(int at, int anchor, int size) {
    return anchor == 1 ? at - size : anchor == 0 ? at - size / 2 : at;
}
int HighEdge(int at, int anchor, int size) {
    return anchor == 1 ? at : anchor == 0 ? at + size / 2 : at + size;
}

}  // namespace

void TSprite::SetBasePoint(int basePoint, int x, int y) {
    SetAnchor(HFromBasePoint(basePoint), VFromBasePoint(basePoint), x, y);
}

void TSprite::AlignToArea(int areaWidth, int areaHeight, int basePoint) {
    const int h = HFromBasePoint(basePoint), v = VFromBasePoint(basePoint);
    SetAnchor(h, v,
              h == 1   ? areaWidth
              : h == 0 ? areaWidth / 2
                       : 0,
              v == 1   ? areaHeight
              : v == 0 ? areaHeight / 2
                       : 0);
}

int TSprite::Left() const {
    return LowEdge(m_X, m_AnchorH, Width());
}
int TSprite::Top() const {
    return LowEdge(m_Y, m_AnchorV, Height());
}
int TSprite::Right() const {
    return HighEdge(m_X, m_AnchorH, Width());
}
int TSprite::Bottom() const {
    return HighEdge(m_Y, m_AnchorV, Height());
}

void TSprite::DrawTo(TSprite& target) {
    if (m_Image.Empty() || target.m_Image.Empty()) return;
    const int left = Left(), top = Top();
    switch (m_Kind) {
        case kAlpha:
            if (m_Mask.Width() == Width() && m_Mask.Height() == Height()) {
                m_ImageObject->BlendDraw(target.m_Image, left, top, m_Image, m_Mask, Width(),
                                         Height(), m_Mirrored);
                return;
            }
            break;
        case kMaskedOld:
        case kMasked:
            if (m_Mirrored)
                m_ImageObject->MaskDrawMirrored(target.m_Image.GetCanvas(), left, top, m_Image,
                                                m_Mask);
            else
                m_ImageObject->MaskDraw(target.m_Image.GetCanvas(), left, top, m_Image, m_Mask);
            return;
        default:
            break;
    }
    platform::Canvas& canvas = target.m_Image.GetCanvas();
    canvas.SetCopyMode(platform::CopyMode::Copy);
    if (m_Mirrored)
        canvas.StretchDraw({Right(), top, left, Bottom()}, m_Image);
    else
        canvas.Draw(left, top, m_Image);
}

bool TSprite::DrawsByRows(const TSprite& target) const {
    if (m_Kind == kMaskedOld || m_Kind == kMasked) return false;
    // A blend between pictures of two formats converts them for each call.
    if (m_Image.GetPixelFormat() != target.m_Image.GetPixelFormat()) return false;
    if (m_Kind == kAlpha && m_Mask.Width() == Width() && m_Mask.Height() == Height()) return true;
    return !m_Mirrored;
}

void TSprite::DrawRowsTo(TSprite& target, int rowBegin, int rowEnd) {
    if (m_Image.Empty() || target.m_Image.Empty()) return;
    const int left = Left(), top = Top();
    const int from = std::max(rowBegin, top);
    const int to = static_cast<int>(std::min<int64_t>(rowEnd, int64_t{top} + Height()));
    if (from >= to) return;
    if (m_Kind == kAlpha && m_Mask.Width() == Width() && m_Mask.Height() == Height()) {
        m_ImageObject->BlendDraw(target.m_Image, left, top, m_Image, m_Mask, Width(), Height(),
                                 m_Mirrored, from, to);
        return;
    }
    platform::Canvas& canvas = target.m_Image.GetCanvas();
    canvas.SetCopyMode(platform::CopyMode::Copy);
    canvas.CopyRect({left, from, left + Width(), to}, m_Image, {0, from - top, Width(), to - top});
}

void TSprite::Present(TDisplaySurface& surface) const {
    if (!m_Image.Empty()) surface.Present(m_Image, Left(), Top());
}

void TSprite::PresentArea(TDisplaySurface& surface, const TRect& area) const {
    if (!m_Image.Empty()) surface.PresentArea(m_Image, Left(), Top(), area);
}

void TSprite::CopyTo(Bitmap& bitmap) const {
    bitmap = m_Image;
}

void TSprite::DrawGraphic(const Bitmap& graphic, int x, int y) {
    platform::Canvas& canvas = m_Image.GetCanvas();
    const platform::CopyMode mode = canvas.GetCopyMode();
    canvas.SetCopyMode(platform::CopyMode::Copy);
    canvas.Draw(x, y, graphic);
    canvas.SetCopyMode(mode);
}

void TSprite::DrawGraphicWithMode(const Bitmap& graphic, int x, int y) {
    m_Image.GetCanvas().Draw(x, y, graphic);
}

void TSprite::StretchDrawSprite(const TSprite& other, const platform::Rect& rect) {
    if (other.m_Image.Empty()) return;
    m_Image.GetCanvas().StretchDraw(rect, other.m_Image);
}

platform::Canvas& TSprite::GetCanvas() {
    platform::Canvas& canvas = m_Image.GetCanvas();
    // Loads replace the bitmap and with it the surface's font: set it again each time.
    if (canvas.FontName() != m_FontName) canvas.SetFontName(m_FontName);
    if (canvas.FontHeight() != m_FontHeight) canvas.SetFontHeight(m_FontHeight);
    return canvas;
}

int TSprite::TextWidth(const std::string& text) {
    return GetCanvas().TextWidth(text);
}

void TSprite::SetFontHeight(int h) {
    m_FontHeight = -(h < 0 ? -h : h);
    GetCanvas();
}

void TSprite::SetFontName(const std::string& name) {
    m_FontName = name;
    GetCanvas();
}
