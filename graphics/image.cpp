#include "graphics/image.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using platform::Bitmap;
using platform::Canvas;
using platform::CopyMode;
using platform::PixelFormat;
using platform::Rect;

namespace {

// The filters read three bytes a pixel: other formats are switched for the call.
class As24 {
public:
    explicit As24(Bitmap& b) : m_B(b), m_Format(b.GetPixelFormat()) {
        if (m_Format != PixelFormat::Bit24) m_B.SetPixelFormat(PixelFormat::Bit24);
    }
    ~As24() {
        if (m_Format != PixelFormat::Bit24 && m_Format != PixelFormat::Custom)
            m_B.SetPixelFormat(m_Format);
    }
    bool Ready() const { return m_B.GetPixelFormat() == PixelFormat::Bit24; }

private:
    Bitmap& m_B;
    PixelFormat m_Format;
};

uint8_t Clamp(double v) {
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

}  // namespace

TyxImage::TyxImage(uint8_t pixelFormat, bool useMmx)
    : m_PixelFormat(pixelFormat),
      m_UseMmx(useMmx),
      m_Family(useMmx ? VectorFamily() : TPixelFamily::Plain),
      m_Kernels(BlendKernelsFor(pixelFormat, m_Family)) {
    BuildProductTable();
}

void TyxImage::BlendDraw(Bitmap& target, int x, int y, Bitmap& source, const Bitmap& map, int width,
                         int height, bool mirrored, int rowBegin, int rowEnd) {
    width = std::min(width, source.Width());
    height = std::min(height, source.Height());
    const int64_t tw = target.Width(), th = target.Height();
    // Visible columns and rows of the picture's rectangle.
    const int64_t left = std::max<int64_t>(x, 0), right = std::min<int64_t>(int64_t{x} + width, tw);
    const int64_t top = std::max<int64_t>({y, 0, rowBegin}),
                  bottom = std::min<int64_t>({int64_t{y} + height, th, rowEnd});
    if (right <= left || bottom <= top) return;
    const int w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);
    const int sy = static_cast<int>(top - y);
    // Mirrored, the target's rightmost visible column shows the source column that lands there
    // once the whole picture is flipped, which also holds when both edges are cut.
    const int sx =
        mirrored ? static_cast<int>(int64_t{x} + width - right) : static_cast<int>(left - x);
    (mirrored ? m_Kernels.mirrored : m_Kernels.plain)(
        target, static_cast<int>(left), static_cast<int>(top), source, sx, sy, w, h, map);
}

void TyxImage::MaskDraw(Canvas& target, int x, int y, const Bitmap& picture, const Bitmap& mask) {
    const Rect rect{x, y, x + picture.Width(), y + picture.Height()};
    target.SetCopyMode(CopyMode::And);
    target.StretchDraw(rect, mask);
    target.SetCopyMode(CopyMode::Or);
    target.StretchDraw(rect, picture);
    target.SetCopyMode(CopyMode::Copy);
}

void TyxImage::MaskDrawMirrored(Canvas& target, int x, int y, const Bitmap& picture,
                                const Bitmap& mask) {
    const Rect rect{x + picture.Width(), y, x, y + picture.Height()};
    target.SetCopyMode(CopyMode::And);
    target.StretchDraw(rect, mask);
    target.SetCopyMode(CopyMode::Or);
    target.StretchDraw(rect, picture);
    target.SetCopyMode(CopyMode::Copy);
}

void TyxImage::ApplyTable(Bitmap& bitmap, const uint8_t* table) {
    if (bitmap.Empty()) return;
    As24 as24(bitmap);
    if (!as24.Ready()) return;
    const int bytes = 3 * bitmap.Width();
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int i = 0; i < bytes; ++i) row[i] = table[row[i]];
    }
    bitmap.Changed();
}

void TyxImage::Brightness(Bitmap& bitmap, int amount) {
    if (amount == 0 || amount < -255 || amount > 255) return;
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(std::clamp(i + amount, 0, 255));
    ApplyTable(bitmap, table);
}

uint8_t TyxImage::Level(double value) {
    if (!(value > -1e9 && value < 1e9)) return value > 0 ? 255 : 0;
    int64_t level = static_cast<int64_t>(std::trunc(value));
    if (level > 0 && (level & 1)) ++level;
    return static_cast<uint8_t>(std::clamp<int64_t>(level, 0, 255));
}

void TyxImage::Gamma(Bitmap& bitmap, double value) {
    if (value < 0.75 || value > 3.0 || value == 2.2) return;
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = Level(255.0 * std::pow(i / 255.0, value / 2.2));
    ApplyTable(bitmap, table);
}

void TyxImage::Sepia(Bitmap& bitmap) {
    if (bitmap.Empty()) return;
    uint8_t warm[256], cool[256];
    for (int i = 0; i < 256; ++i) {
        warm[i] = Level(255.0 * std::pow(i / 255.0, 0.75));
        cool[i] = Level(255.0 * std::pow(i / 255.0, 1.33));
    }
    As24 as24(bitmap);
    if (!as24.Ready()) return;
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
            const int grey = std::clamp((77 * p[2] + 150 * p[1] + 29 * p[0] + 128) >> 8, 0, 255);
            p[2] = warm[grey];
            p[1] = static_cast<uint8_t>(grey);
            p[0] = cool[grey];
        }
    }
    bitmap.Changed();
}

void TyxImage::Contrast(Bitmap& bitmap, double factor) {
    if (factor == 1.0) return;
    const double offset = std::trunc(128.0 - 128.0 * factor);
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = Clamp(std::trunc(factor * i + offset));
    ApplyTable(bitmap, table);
}

void TyxImage::DiagonalLines(Bitmap& bitmap, int step, int steps) {
    if (steps <= 0 || bitmap.Empty()) return;
    const int c = ((step % steps) + steps) % steps;
    Canvas& canvas = bitmap.GetCanvas();
    const int height = bitmap.Height();
    for (int i = 0; i < bitmap.Width() + height; ++i) {
        if (i % steps > c) continue;
        canvas.MoveTo(i, 0);
        canvas.LineTo(i - height, height);
    }
    bitmap.Changed();
}

void TyxImage::DiagonalLinesOver(Bitmap& bitmap, const Bitmap& picture, int step, int steps) {
    if (steps <= 0 || bitmap.Empty()) return;
    Canvas& canvas = bitmap.GetCanvas();
    const CopyMode mode = canvas.GetCopyMode();
    canvas.SetCopyMode(CopyMode::Copy);
    canvas.Draw(0, 0, picture);
    canvas.SetCopyMode(mode);
    const int c = ((step % steps) + steps) % steps;
    const int height = bitmap.Height();
    for (int i = 0; i < bitmap.Width() + height; ++i) {
        if (c >= i % steps) continue;
        canvas.MoveTo(i, 0);
        canvas.LineTo(i - height, height);
    }
    bitmap.Changed();
}

void TyxImage::DiagonalLinesStep(Bitmap& bitmap, int step, int steps) {
    if (steps <= 0 || bitmap.Empty()) return;
    const int c = ((step % steps) + steps) % steps;
    Canvas& canvas = bitmap.GetCanvas();
    const int height = bitmap.Height();
    // The lines of the lower residues are there already, in the same colour.
    for (int i = c; i < bitmap.Width() + height; i += steps) {
        canvas.MoveTo(i, 0);
        canvas.LineTo(i - height, height);
    }
    bitmap.Changed();
}

void TyxImage::DiagonalLinesOverStep(Bitmap& bitmap, const Bitmap& picture, int step,
                                     int steps) {
    if (steps <= 0 || bitmap.Empty()) return;
    const int c = ((step % steps) + steps) % steps;
    const PixelFormat format = bitmap.GetPixelFormat();
    const int bytes = format == PixelFormat::Bit32   ? 4
                      : format == PixelFormat::Bit24 ? 3
                      : format == PixelFormat::Bit15 || format == PixelFormat::Bit16 ? 2
                                                                                      : 0;
    // The first step, a wider pen, a keyed picture or one of another layout: the whole redraw.
    if (c == 0 || bytes == 0 || bitmap.GetCanvas().PenWidth() != 1 || picture.Transparent() ||
        picture.GetPixelFormat() != format || picture.Width() != bitmap.Width() ||
        picture.Height() != bitmap.Height())
        return DiagonalLinesOver(bitmap, picture, step, steps);
    // A one-pixel line i covers just the pixels with x + y == i: the lines of residue c, drawn
    // by the step before and not by this one, give way to the picture.
    const int width = bitmap.Width(), height = bitmap.Height();
    const size_t size = static_cast<size_t>(bytes);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        const uint8_t* from = picture.ScanLine(y);
        for (int x = ((c - y) % steps + steps) % steps; x < width; x += steps)
            std::memcpy(row + size * static_cast<size_t>(x), from + size * static_cast<size_t>(x),
                        size);
    }
    bitmap.Changed();
}

bool TyxImage::TextOutSmooth(Canvas& surface, int x, int y, const std::string& text, int length) {
    if (length <= 0 || surface.Target().Empty()) return false;
    const std::string piece =
        text.substr(0, std::min<size_t>(static_cast<size_t>(length), text.size()));
    const platform::TextSize extent = surface.TextExtent(piece);
    if (extent.width <= 0 || extent.height <= 0) return false;
    const int w = (extent.width + 3) & ~3, h = (extent.height + 3) & ~3;

    // The memory surface is kept between calls so its doubled font and glyphs are reused by
    // the outline's nine outputs of one text.
    Bitmap& large = m_Large;
    large.SetFormat(2 * w, 2 * h, 32);
    if (large.Empty()) return false;
    Canvas& memory = large.GetCanvas();
    memory.SetFontName(surface.FontName());
    memory.SetFontHeight(2 * surface.FontHeight());
    memory.SetFontWidth(2 * surface.FontWidth());
    memory.SetFontColour(surface.FontColour());
    memory.SetBackgroundTransparent(surface.BackgroundTransparent());
    memory.SetBackgroundColour(surface.BackgroundColour());
    // The text goes over the real background, each pixel doubled.
    memory.CopyRect(Rect{0, 0, 2 * w, 2 * h}, surface.Target(), Rect{x, y, x + w, y + h});
    if (!memory.TextOut(0, 0, piece)) return false;

    Bitmap block;
    block.SetFormat(w, h, 32);
    if (block.Empty()) return false;
    for (int row = 0; row < h; ++row) {
        const uint8_t* a = large.ScanLine(2 * row);
        const uint8_t* b = large.ScanLine(2 * row + 1);
        uint8_t* out = block.ScanLine(row);
        for (int col = 0; col < w; ++col) {
            for (int c = 0; c < 3; ++c) {
                const int i = 8 * col + c;
                out[4 * col + c] = static_cast<uint8_t>((a[i] + a[i + 4] + b[i] + b[i + 4]) >> 2);
            }
            out[4 * col + 3] = 0xFF;
        }
    }
    const CopyMode mode = surface.GetCopyMode();
    surface.SetCopyMode(CopyMode::Copy);
    surface.Draw(x, y, block);
    surface.SetCopyMode(mode);
    return true;
}
