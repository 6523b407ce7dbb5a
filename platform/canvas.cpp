#include "platform/canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <list>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/bitmap.h"
#include "platform/bitmap_qt.h"
#include "platform/sjis.h"
#include "platform/sjis_qt.h"

namespace platform {

namespace {

// Pixels travel between formats as 0x00RRGGBB (the memory order of a 32-bit row).
uint32_t FromColour(uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
uint32_t ToColour(uint32_t p) {
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

uint8_t Expand5(uint32_t v) {
    return static_cast<uint8_t>((v << 3) | (v >> 2));
}

// Reads and writes whole pixels of any depth; indexed pictures write the nearest palette entry.
class PixelAccess {
public:
    explicit PixelAccess(const Bitmap& b)
        : m_B(const_cast<Bitmap&>(b)), m_Format(b.GetPixelFormat()) {
        if (m_Format == PixelFormat::Bit1 || m_Format == PixelFormat::Bit4 ||
            m_Format == PixelFormat::Bit8) {
            for (int i = 0; i < b.PaletteSize(); ++i)
                m_Palette.push_back(FromColour(b.PaletteColour(i)));
        }
    }

    void ReadRow(int y, uint32_t* out) const {
        const uint8_t* row = static_cast<const Bitmap&>(m_B).ScanLine(y);
        const int w = m_B.Width();
        switch (m_Format) {
            case PixelFormat::Bit32:
                std::memcpy(out, row, static_cast<size_t>(w) * 4);
                break;
            case PixelFormat::Bit24:
                for (int x = 0; x < w; ++x)
                    out[x] = row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
                break;
            case PixelFormat::Bit15:
            case PixelFormat::Bit16:
                for (int x = 0; x < w; ++x) {
                    const uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
                    out[x] = Expand5(v & 31) | (Expand5((v >> 5) & 31) << 8) |
                             (Expand5((v >> 10) & 31) << 16);
                }
                break;
            case PixelFormat::Bit8:
                for (int x = 0; x < w; ++x) out[x] = Lookup(row[x]);
                break;
            case PixelFormat::Bit4:
                for (int x = 0; x < w; ++x)
                    out[x] = Lookup((x & 1) ? (row[x / 2] & 15) : (row[x / 2] >> 4));
                break;
            case PixelFormat::Bit1:
                for (int x = 0; x < w; ++x) out[x] = Lookup((row[x / 8] >> (7 - (x & 7))) & 1);
                break;
            default:
                for (int x = 0; x < w; ++x) out[x] = FromColour(m_B.Pixel(x, y));
                break;
        }
    }

    void Write(int x, int y, uint32_t p) {
        if (y != m_RowY) {
            m_Row = m_B.ScanLine(y);
            m_RowY = y;
        }
        uint8_t* row = m_Row;
        switch (m_Format) {
            case PixelFormat::Bit32: {
                const uint32_t v = p | 0xFF000000u;
                std::memcpy(row + 4 * x, &v, 4);
                break;
            }
            case PixelFormat::Bit24:
                row[3 * x] = static_cast<uint8_t>(p);
                row[3 * x + 1] = static_cast<uint8_t>(p >> 8);
                row[3 * x + 2] = static_cast<uint8_t>(p >> 16);
                break;
            case PixelFormat::Bit15:
            case PixelFormat::Bit16: {
                const uint32_t v =
                    ((p >> 3) & 31) | (((p >> 11) & 31) << 5) | (((p >> 19) & 31) << 10);
                row[2 * x] = static_cast<uint8_t>(v);
                row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                break;
            }
            case PixelFormat::Bit8:
                row[x] = Index(p);
                break;
            case PixelFormat::Bit4: {
                const uint8_t i = Index(p) & 15;
                uint8_t& b = row[x / 2];
                b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | i)
                            : static_cast<uint8_t>((b & 0x0F) | (i << 4));
                break;
            }
            case PixelFormat::Bit1: {
                const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
                if (Index(p) & 1)
                    row[x / 8] |= bit;
                else
                    row[x / 8] &= static_cast<uint8_t>(~bit);
                break;
            }
            default:
                m_B.SetPixel(x, y, ToColour(p));
                break;
        }
    }

    PixelFormat Format() const { return m_Format; }

private:
    uint32_t Lookup(unsigned i) const { return i < m_Palette.size() ? m_Palette[i] : 0; }

    uint8_t Index(uint32_t p) {
        p &= 0xFFFFFF;
        if (m_HasLast && m_LastColour == p) return m_LastIndex;
        int best = 0, bestDistance = INT32_MAX;
        for (size_t i = 0; i < m_Palette.size(); ++i) {
            const int dr =
                static_cast<int>((m_Palette[i] >> 16) & 255) - static_cast<int>((p >> 16) & 255);
            const int dg =
                static_cast<int>((m_Palette[i] >> 8) & 255) - static_cast<int>((p >> 8) & 255);
            const int db = static_cast<int>(m_Palette[i] & 255) - static_cast<int>(p & 255);
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<int>(i);
            }
        }
        m_HasLast = true;
        m_LastColour = p;
        m_LastIndex = static_cast<uint8_t>(best);
        return m_LastIndex;
    }

    Bitmap& m_B;
    PixelFormat m_Format;
    std::vector<uint32_t> m_Palette;
    uint8_t* m_Row = nullptr;
    int m_RowY = -1;
    bool m_HasLast = false;
    uint32_t m_LastColour = 0;
    uint8_t m_LastIndex = 0;
};

}  // namespace

struct Canvas::Impl {
    // Brush: a tile of pixels (1 × 1 for a solid brush).
    std::vector<uint32_t> brush{0xFFFFFF};
    int brushWidth = 1, brushHeight = 1;
    bool brushPattern = false;
    std::optional<QFont> font;
    std::optional<QFontMetrics> metrics;
    // Line breaking measures many prefixes of a line, and the outline draws every line of a
    // message nine times over: widths and the glyphs of the last lines drawn are kept until
    // the font changes.
    std::unordered_map<std::string, int> widths;
    struct Glyphs {
        std::string text;
        std::vector<std::pair<int, int>> points;  // lit pixels, relative to the text's top-left
    };
    std::list<Glyphs> glyphs;  // most recent first
    static constexpr size_t kGlyphTexts = 16;

    void ResetFont() {
        font.reset();
        metrics.reset();
        widths.clear();
        glyphs.clear();
    }

    uint32_t BrushAt(int x, int y) const {
        const int bx = ((x % brushWidth) + brushWidth) % brushWidth,
                  by = ((y % brushHeight) + brushHeight) % brushHeight;
        return brush[static_cast<size_t>(by) * brushWidth + bx];
    }
};

Canvas::Canvas(Bitmap& target) : m_Target(target), m_Impl(std::make_unique<Impl>()) {}
Canvas::~Canvas() = default;

void Canvas::SetBrushColour(uint32_t colour) {
    m_Impl->brush.assign(1, FromColour(colour & 0xFFFFFF));
    m_Impl->brushWidth = m_Impl->brushHeight = 1;
    m_Impl->brushPattern = false;
}

void Canvas::SetBrushPattern(const Bitmap& pattern) {
    if (pattern.Empty()) return;
    // Only the first 8 × 8 pixels of a brush picture count, as with the platform's brushes.
    const int w = std::min(pattern.Width(), 8), h = std::min(pattern.Height(), 8);
    std::vector<uint32_t> row(static_cast<size_t>(pattern.Width()));
    PixelAccess access(pattern);
    m_Impl->brush.assign(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        access.ReadRow(y, row.data());
        for (int x = 0; x < w; ++x)
            m_Impl->brush[static_cast<size_t>(y) * w + x] = row[x] & 0xFFFFFF;
    }
    m_Impl->brushWidth = w;
    m_Impl->brushHeight = h;
    m_Impl->brushPattern = true;
}

void Canvas::ResetBrush() {
    SetBrushColour(0xFFFFFF);
}
bool Canvas::HasBrushPattern() const {
    return m_Impl->brushPattern;
}

void Canvas::MoveTo(int x, int y) {
    m_PenX = x;
    m_PenY = y;
}

void Canvas::LineTo(int x, int y) {
    const int x0 = m_PenX, y0 = m_PenY;
    m_PenX = x;
    m_PenY = y;
    if (m_Target.Empty()) return;
    const int w = m_Target.Width(), h = m_Target.Height();
    PixelAccess access(m_Target);
    const uint32_t colour = FromColour(m_PenColour);
    const int half = (m_PenWidth - 1) / 2;
    auto plot = [&](int px, int py) {
        for (int dy = -half; dy < m_PenWidth - half; ++dy)
            for (int dx = -half; dx < m_PenWidth - half; ++dx) {
                const int qx = px + dx, qy = py + dy;
                if (qx >= 0 && qy >= 0 && qx < w && qy < h) access.Write(qx, qy, colour);
            }
    };
    const int dx = std::abs(x - x0), dy = -std::abs(y - y0);
    const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    int cx = x0, cy = y0;
    while (cx != x || cy != y) {
        plot(cx, cy);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            cx += sx;
        }
        if (e2 <= dx) {
            err += dx;
            cy += sy;
        }
    }
}

void Canvas::FillRect(const Rect& rect) {
    if (m_Target.Empty()) return;
    const int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
    const int right = std::min(rect.right, m_Target.Width()),
              bottom = std::min(rect.bottom, m_Target.Height());
    PixelAccess access(m_Target);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) access.Write(x, y, m_Impl->BrushAt(x, y));
}

void Canvas::Draw(int x, int y, const Bitmap& source) {
    Blit(Rect{x, y, x + source.Width(), y + source.Height()}, source,
         Rect{0, 0, source.Width(), source.Height()}, m_CopyMode);
}

void Canvas::StretchDraw(const Rect& dest, const Bitmap& source) {
    Blit(dest, source, Rect{0, 0, source.Width(), source.Height()}, m_CopyMode);
}

void Canvas::CopyRect(const Rect& dest, const Bitmap& source, const Rect& sourceRect) {
    Blit(dest, source, sourceRect, m_CopyMode);
}

namespace {

// Where one copy reads and writes: the destination upright, its visible part, the scale.
struct BlitPlan {
    Rect dest;
    Rect src;
    int sw = 0, sh = 0, dw = 0, dh = 0;
    bool mirrorX = false, mirrorY = false;
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    bool keyed = false;
    uint32_t key = 0;

    // The source row that target row y shows.
    int SourceRow(int y) const {
        const int rel = y - dest.top;
        return src.top + static_cast<int>(
                             static_cast<int64_t>(mirrorY ? dh - 1 - rel : rel) * sh / dh);
    }
};

bool CopyRows(Bitmap& target, const BlitPlan& plan, const Bitmap& source) {
    // Opaque copies between pictures of one layout are row copies.
    const PixelFormat tf = target.GetPixelFormat();
    if (source.GetPixelFormat() != tf ||
        (tf != PixelFormat::Bit32 && tf != PixelFormat::Bit24 && tf != PixelFormat::Bit15 &&
         tf != PixelFormat::Bit16 && tf != PixelFormat::Bit8))
        return false;
    const int bpp = tf == PixelFormat::Bit32   ? 4
                    : tf == PixelFormat::Bit24 ? 3
                    : tf == PixelFormat::Bit8  ? 1
                                               : 2;
    if (tf == PixelFormat::Bit8) {
        if (source.PaletteSize() != target.PaletteSize()) return false;
        for (int i = 0; i < source.PaletteSize(); ++i)
            if (source.PaletteColour(i) != target.PaletteColour(i)) return false;
    }
    const int sourceHeight = source.Height();
    for (int y = plan.y0; y < plan.y1; ++y) {
        const int sy = plan.src.top + (y - plan.dest.top);
        const int sx = plan.src.left + (plan.x0 - plan.dest.left);
        if (sy < 0 || sy >= sourceHeight) continue;
        int from = sx, to = sx + (plan.x1 - plan.x0), at = plan.x0;
        if (from < 0) {
            at -= from;
            from = 0;
        }
        to = std::min(to, source.Width());
        if (from >= to) continue;
        std::memmove(target.ScanLine(y) + static_cast<size_t>(at) * bpp,
                     source.ScanLine(sy) + static_cast<size_t>(from) * bpp,
                     static_cast<size_t>(to - from) * bpp);
    }
    return true;
}

void BlitPixels32(Bitmap& target, const BlitPlan& plan, const Bitmap& source,
                  const std::vector<int>& columns) {
    // Stretched, mirrored and colour-keyed copies between 32-bit pictures, pixel by pixel.
    const int sourceWidth = source.Width(), sourceHeight = source.Height();
    const int x0 = plan.x0, x1 = plan.x1;
    const bool keyed = plan.keyed;
    const uint32_t key = plan.key;
    for (int y = plan.y0; y < plan.y1; ++y) {
        const int sy = plan.SourceRow(y);
        if (sy < 0 || sy >= sourceHeight) continue;
        const uint8_t* from = source.ScanLine(sy);
        uint8_t* to = target.ScanLine(y);
        for (int x = x0; x < x1; ++x) {
            const int sx = columns[static_cast<size_t>(x - x0)];
            if (sx < 0 || sx >= sourceWidth) continue;
            uint32_t v;
            std::memcpy(&v, from + 4 * static_cast<size_t>(sx), 4);
            if (keyed && (v & 0xFFFFFF) == key) continue;
            v |= 0xFF000000u;
            std::memcpy(to + 4 * static_cast<size_t>(x), &v, 4);
        }
    }
}

void BlitPixels(Bitmap& target, const Canvas::Impl& brush, const BlitPlan& plan,
                const Bitmap& source, CopyMode mode, const std::vector<int>& columns) {
    // The source may be the target itself: rows are read whole before any write.
    PixelAccess in(source);
    PixelAccess out(target);
    std::vector<uint32_t> srcRow(static_cast<size_t>(source.Width()));
    std::vector<uint32_t> dstRow(static_cast<size_t>(target.Width()));
    const int sourceWidth = source.Width(), sourceHeight = source.Height();
    const int x0 = plan.x0, x1 = plan.x1;
    int lastSy = -1;
    for (int y = plan.y0; y < plan.y1; ++y) {
        const int sy = plan.SourceRow(y);
        if (sy < 0 || sy >= sourceHeight) continue;
        if (sy != lastSy || &source == &target) {
            in.ReadRow(sy, srcRow.data());
            lastSy = sy;
        }
        if (mode != CopyMode::Copy && mode != CopyMode::SourceAndPattern)
            out.ReadRow(y, dstRow.data());
        for (int x = x0; x < x1; ++x) {
            const int sx = columns[static_cast<size_t>(x - x0)];
            if (sx < 0 || sx >= sourceWidth) continue;
            const uint32_t s = srcRow[static_cast<size_t>(sx)] & 0xFFFFFF;
            uint32_t p = s;
            switch (mode) {
                case CopyMode::Copy:
                    if (plan.keyed && s == plan.key) continue;
                    break;
                case CopyMode::And:
                    p = dstRow[static_cast<size_t>(x)] & s;
                    break;
                case CopyMode::Or:
                    p = dstRow[static_cast<size_t>(x)] | s;
                    break;
                case CopyMode::PatternAnd:
                    p = dstRow[static_cast<size_t>(x)] & brush.BrushAt(x, y);
                    break;
                case CopyMode::SourceAndPattern:
                    p = s & brush.BrushAt(x, y);
                    break;
            }
            out.Write(x, y, p & 0xFFFFFF);
        }
    }
}

}  // namespace

void Canvas::Blit(const Rect& destIn, const Bitmap& source, const Rect& src, CopyMode mode) {
    if (m_Target.Empty() || source.Empty()) return;
    BlitPlan plan;
    plan.src = src;
    plan.sw = src.right - src.left;
    plan.sh = src.bottom - src.top;
    int dw = destIn.right - destIn.left, dh = destIn.bottom - destIn.top;
    if (plan.sw <= 0 || plan.sh <= 0 || dw == 0 || dh == 0) return;
    plan.mirrorX = dw < 0;
    plan.mirrorY = dh < 0;
    plan.dest = destIn;
    if (plan.mirrorX) std::swap(plan.dest.left, plan.dest.right);
    if (plan.mirrorY) std::swap(plan.dest.top, plan.dest.bottom);
    plan.dw = std::abs(dw);
    plan.dh = std::abs(dh);
    const int tw = m_Target.Width(), th = m_Target.Height();
    plan.x0 = std::max(plan.dest.left, 0);
    plan.x1 = std::min(plan.dest.right, tw);
    plan.y0 = std::max(plan.dest.top, 0);
    plan.y1 = std::min(plan.dest.bottom, th);
    if (plan.x0 >= plan.x1 || plan.y0 >= plan.y1) return;
    plan.keyed = mode == CopyMode::Copy && source.Transparent();
    plan.key = FromColour(source.TransparentColour());
    const bool sameSize =
        plan.dw == plan.sw && plan.dh == plan.sh && !plan.mirrorX && !plan.mirrorY;

    if (mode == CopyMode::Copy && !plan.keyed && sameSize && CopyRows(m_Target, plan, source))
        return;
    std::vector<int> columns(static_cast<size_t>(plan.x1 - plan.x0));
    for (int x = plan.x0; x < plan.x1; ++x) {
        const int rel = x - plan.dest.left;
        const int64_t scaled =
            static_cast<int64_t>(plan.mirrorX ? plan.dw - 1 - rel : rel) * plan.sw / plan.dw;
        columns[static_cast<size_t>(x - plan.x0)] = src.left + static_cast<int>(scaled);
    }
    if (mode == CopyMode::Copy && m_Target.GetPixelFormat() == PixelFormat::Bit32 &&
        source.GetPixelFormat() == PixelFormat::Bit32 && &source != &m_Target)
        BlitPixels32(m_Target, plan, source, columns);
    else
        BlitPixels(m_Target, *m_Impl, plan, source, mode, columns);
}

std::string Canvas::HostFace(const std::string& name) {
    const std::string utf8 = SjisToUtf8(name);
    if (utf8.empty() || utf8 == "ＭＳ Ｐゴシック" || utf8 == "MS PGothic" || utf8 == "MS UI Gothic")
        return "IPAPGothic";
    if (utf8 == "ＭＳ ゴシック" || utf8 == "MS Gothic") return "IPAGothic";
    return utf8;
}

void Canvas::SetFontName(const std::string& name) {
    if (name == m_FontName) return;
    m_FontName = name;
    m_Impl->ResetFont();
}

void Canvas::SetFontHeight(int height) {
    if (height == m_FontHeight) return;
    m_FontHeight = height;
    m_Impl->ResetFont();
}

void Canvas::SetFontWidth(int width) {
    width = width < 0 ? -width : width;
    if (width == m_FontWidth) return;
    m_FontWidth = width;
    m_Impl->ResetFont();
}

void Canvas::CopyTextAttributes(const Canvas& other) {
    SetFontName(other.m_FontName);
    SetFontHeight(other.m_FontHeight);
    SetFontWidth(other.m_FontWidth);
    m_FontColour = other.m_FontColour;
    m_TransparentBackground = other.m_TransparentBackground;
    m_BackgroundColour = other.m_BackgroundColour;
}

namespace {

QFont MakeFont(const std::string& face, int height, int width) {
    QFont font(QString::fromStdString(face));
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    int pixels = 12;
    if (height < 0) {
        pixels = -height;
    } else if (height > 0) {
        // A positive height is the whole cell: find the size whose ascent plus descent fits.
        QFont probe = font;
        probe.setPixelSize(100);
        const int cell = QFontMetrics(probe).height();
        pixels = cell > 0 ? std::max(1, static_cast<int>(
                                            (static_cast<int64_t>(height) * 100 + cell / 2) / cell))
                          : height;
    }
    font.setPixelSize(std::clamp(pixels, 1, 4096));
    if (width > 0) {
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0) font.setStretch(std::clamp(width * 100 / natural, 1, 4000));
    }
    return font;
}

}  // namespace

namespace {

const QFontMetrics& MetricsOf(Canvas::Impl& impl, const std::string& name, int height, int width) {
    if (!impl.font) {
        impl.font = MakeFont(Canvas::HostFace(name), height, width);
        impl.metrics.emplace(*impl.font);
    }
    return *impl.metrics;
}

}  // namespace

TextSize Canvas::TextExtent(const std::string& text) {
    const QFontMetrics& metrics = MetricsOf(*m_Impl, m_FontName, m_FontHeight, m_FontWidth);
    auto found = m_Impl->widths.find(text);
    if (found == m_Impl->widths.end()) {
        if (m_Impl->widths.size() > 4096) m_Impl->widths.clear();
        found = m_Impl->widths.emplace(text, metrics.horizontalAdvance(ToQString(text))).first;
    }
    return TextSize{found->second, metrics.height()};
}

bool Canvas::TextOut(int x, int y, const std::string& text) {
    if (m_Target.Empty()) return false;
    const QFontMetrics& metrics = MetricsOf(*m_Impl, m_FontName, m_FontHeight, m_FontWidth);
    const TextSize size = TextExtent(text);
    if (!m_TransparentBackground && size.width > 0) {
        const bool pattern = m_Impl->brushPattern;
        std::vector<uint32_t> keep = m_Impl->brush;
        const int kw = m_Impl->brushWidth, kh = m_Impl->brushHeight;
        SetBrushColour(m_BackgroundColour);
        FillRect(Rect{x, y, x + size.width, y + size.height});
        m_Impl->brush = std::move(keep);
        m_Impl->brushWidth = kw;
        m_Impl->brushHeight = kh;
        m_Impl->brushPattern = pattern;
    }
    if (text.empty()) return true;
    auto cached = std::find_if(m_Impl->glyphs.begin(), m_Impl->glyphs.end(),
                               [&](const Impl::Glyphs& g) { return g.text == text; });
    if (cached != m_Impl->glyphs.end()) {
        m_Impl->glyphs.splice(m_Impl->glyphs.begin(), m_Impl->glyphs, cached);
    } else {
        // Glyphs may reach past their advance, so they are drawn with a margin.
        const int margin = size.height;
        QImage glyphs(size.width + 2 * margin, size.height + 2 * margin,
                      QImage::Format_ARGB32_Premultiplied);
        if (glyphs.isNull()) return false;
        glyphs.fill(Qt::transparent);
        {
            QPainter painter(&glyphs);
            if (!painter.isActive()) return false;
            painter.setFont(*m_Impl->font);
            painter.setPen(QColor(255, 255, 255));
            painter.drawText(QPoint(margin, margin + metrics.ascent()), ToQString(text));
        }
        Impl::Glyphs entry{text, {}};
        const int gw = glyphs.width(), gh = glyphs.height();
        for (int gy = 0; gy < gh; ++gy) {
            const QRgb* row = reinterpret_cast<const QRgb*>(glyphs.constScanLine(gy));
            for (int gx = 0; gx < gw; ++gx)
                if (qAlpha(row[gx]) >= 128) entry.points.emplace_back(gx - margin, gy - margin);
        }
        m_Impl->glyphs.push_front(std::move(entry));
        if (m_Impl->glyphs.size() > Impl::kGlyphTexts) m_Impl->glyphs.pop_back();
    }
    PixelAccess out(m_Target);
    const uint32_t colour = FromColour(m_FontColour);
    const int width = m_Target.Width(), height = m_Target.Height();
    for (const auto& [gx, gy] : m_Impl->glyphs.front().points) {
        const int tx = x + gx, ty = y + gy;
        if (tx >= 0 && ty >= 0 && tx < width && ty < height) out.Write(tx, ty, colour);
    }
    return true;
}

}  // namespace platform
