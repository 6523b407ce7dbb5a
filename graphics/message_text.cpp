#include "graphics/message_text.h"

#include <algorithm>
#include <list>

#include "graphics/image.h"
#include "graphics/sprite.h"
#include "platform/canvas.h"
#include "platform/sjis.h"

namespace {

uint64_t g_Outputs = 0;

// The nine draws of one message (eight outline positions and the text) break the same way:
// measure once.
struct TBreakCache {
    std::string text, fontName;
    int limit = 0, fontHeight = 0;
    std::vector<size_t> lines;
    bool valid = false;
};
TBreakCache g_Cache;

// Smooth text is drawn at twice the size over the doubled background and averaged down, so an
// output pixel whose four large pixels hold k text pixels becomes (k * text + (4 - k) * ground)
// >> 2 per channel. The count map of each line is kept, and the nine draws of a message (and
// the frames after it) only mix: the same pixels as drawing it large each time, far cheaper.
struct TCoverage {
    std::string text, fontName;
    int fontHeight = 0, fontWidth = 0;
    int w = 0, h = 0;
    std::vector<uint8_t> counts;
};
std::list<TCoverage> g_Coverage;
constexpr size_t kCoverageEntries = 64;

const TCoverage* CoverageOf(platform::Canvas& surface, const std::string& text) {
    for (auto it = g_Coverage.begin(); it != g_Coverage.end(); ++it)
        if (it->text == text && it->fontHeight == surface.FontHeight() &&
            it->fontWidth == surface.FontWidth() && it->fontName == surface.FontName()) {
            g_Coverage.splice(g_Coverage.begin(), g_Coverage, it);
            return &g_Coverage.front();
        }
    const platform::TextSize extent = surface.TextExtent(text);
    if (extent.width <= 0 || extent.height <= 0) return nullptr;
    TCoverage c{text,
                surface.FontName(),
                surface.FontHeight(),
                surface.FontWidth(),
                (extent.width + 3) & ~3,
                (extent.height + 3) & ~3,
                {}};
    platform::Bitmap large;
    large.SetFormat(2 * c.w, 2 * c.h, 32);
    if (large.Empty()) return nullptr;
    platform::Canvas& memory = large.GetCanvas();
    memory.CopyTextAttributes(surface);
    memory.SetFontHeight(2 * surface.FontHeight());
    memory.SetFontWidth(2 * surface.FontWidth());
    memory.SetFontColour(0xFFFFFF);
    memory.SetBackgroundTransparent(true);
    if (!memory.TextOut(0, 0, text)) return nullptr;
    c.counts.assign(size_t(c.w) * c.h, 0);
    for (int row = 0; row < c.h; ++row) {
        const uint8_t* a = large.ScanLine(2 * row);
        const uint8_t* b = large.ScanLine(2 * row + 1);
        for (int col = 0; col < c.w; ++col) {
            const int i = 8 * col;
            c.counts[size_t(row) * c.w + col] =
                uint8_t((a[i + 1] != 0) + (a[i + 5] != 0) + (b[i + 1] != 0) + (b[i + 5] != 0));
        }
    }
    g_Coverage.push_front(std::move(c));
    if (g_Coverage.size() > kCoverageEntries) g_Coverage.pop_back();
    return &g_Coverage.front();
}

bool MixSmooth(platform::Bitmap& target, platform::Canvas& surface, int x, int y,
               const std::string& text, uint32_t colour) {
    const TCoverage* c = CoverageOf(surface, text);
    if (c == nullptr) return false;
    const int tc[3] = {int(colour >> 16 & 0xFF), int(colour >> 8 & 0xFF),
                       int(colour & 0xFF)};  // B, G, R
    const int x0 = std::max(0, -x), x1 = std::min(c->w, target.Width() - x);
    const int y0 = std::max(0, -y), y1 = std::min(c->h, target.Height() - y);
    for (int row = y0; row < y1; ++row) {
        const uint8_t* k = c->counts.data() + size_t(row) * c->w;
        uint8_t* out = target.ScanLine(y + row) + 4 * size_t(x);
        for (int col = x0; col < x1; ++col) {
            const int n = k[col];
            if (n == 0) continue;
            uint8_t* p = out + 4 * col;
            for (int ch = 0; ch < 3; ++ch) p[ch] = uint8_t((n * tc[ch] + (4 - n) * p[ch]) >> 2);
            p[3] = 0xFF;
        }
    }
    target.Changed();
    return true;
}

}  // namespace

bool TMessageText::IsJoinedPunctuation(uint8_t trail) {
    switch (trail) {
        case 0x41:
        case 0x42:
        case 0x43:
        case 0x44:
        case 0x48:
        case 0x49:
        case 0x69:
        case 0x6A:
        case 0x75:
        case 0x76:
        case 0x77:
        case 0x78:
            return true;
        default:
            return false;
    }
}

uint64_t TMessageText::OutputCount() {
    return g_Outputs;
}

namespace {

// Bytes of the character at offset; a lead byte at the very end stands alone.
size_t CharLength(const std::string& text, size_t offset) {
    return platform::IsSjisLeadByte(static_cast<unsigned char>(text[offset])) &&
                   offset + 1 < text.size()
               ? 2
               : 1;
}

bool IsClosingMark(const std::string& text, size_t offset) {
    return offset + 1 < text.size() && static_cast<unsigned char>(text[offset]) == 0x81 &&
           TMessageText::IsJoinedPunctuation(static_cast<uint8_t>(text[offset + 1]));
}

}  // namespace

int TMessageText::PieceLength(const std::string& text, int offset) {
    if (offset < 0 || static_cast<size_t>(offset) >= text.size()) return 0;
    const size_t start = static_cast<size_t>(offset);
    size_t n = CharLength(text, start);
    if (start + n < text.size() && IsClosingMark(text, start + n)) n += 2;
    return static_cast<int>(n);
}

std::vector<size_t> TMessageText::BreakLines(TSprite& sprite, const std::string& text, int limit) {
    if (g_Cache.valid && g_Cache.limit == limit && g_Cache.fontHeight == sprite.FontHeight() &&
        g_Cache.fontName == sprite.FontName() && g_Cache.text == text)
        return g_Cache.lines;
    platform::Canvas& canvas = sprite.GetCanvas();
    std::vector<size_t> chars;  // where each character starts, and the end
    for (size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) chars.push_back(pos);
    const size_t count = chars.size();
    chars.push_back(text.size());
    std::vector<size_t> lines;
    size_t first = 0;  // the present line's first character
    // Whether the line from its first character through character j reaches the edge. Widths
    // only grow as a line gets longer, so the first such j is found by doubling and halving
    // instead of measuring every prefix.
    auto reaches = [&](size_t j) {
        return canvas.TextWidth(text.substr(chars[first], chars[j + 1] - chars[first])) >= limit;
    };
    while (first < count) {
        size_t below = first, span = 1;  // below: no character before it reaches (or first)
        size_t hit = count;
        for (size_t j = first;; j = first + span - 1) {
            if (j >= count - 1) {
                j = count - 1;
                if (reaches(j)) hit = j;
                break;
            }
            if (reaches(j)) {
                hit = j;
                break;
            }
            below = j + 1;
            span *= 2;
        }
        if (hit == count) break;
        while (below < hit) {
            const size_t mid = below + (hit - below) / 2;
            if (reaches(mid))
                hit = mid;
            else
                below = mid + 1;
        }
        // The character that reached the edge moves to the next line, and a closing mark takes
        // the character before it along.
        const size_t last = hit - first;
        size_t cut = last;
        if (chars[hit + 1] - chars[hit] == 2 && IsClosingMark(text, chars[hit]) && last >= 1)
            cut = last - 1;
        // A line never ends empty: a rectangle narrower than its first character (or than a
        // character and its mark) would otherwise make no progress.
        if (cut == 0) cut = last >= 1 ? last : 1;
        const size_t next = first + cut;
        lines.push_back(chars[next] - chars[first]);
        first = next;
    }
    const size_t pos = text.size(), start = chars[std::min(first, count)];
    lines.push_back(pos - start);
    g_Cache = {text, sprite.FontName(), limit, sprite.FontHeight(), lines, true};
    return lines;
}

bool TMessageText::Output(TSprite& sprite, int x, int y, const std::string& text, size_t length,
                          uint32_t colour, bool smooth) {
    if (length == 0) return false;
    platform::Canvas& canvas = sprite.GetCanvas();
    canvas.SetBackgroundTransparent(true);
    canvas.SetFontColour(colour);
    ++g_Outputs;
    if (smooth) {
        const std::string piece = length >= text.size() ? text : text.substr(0, length);
        if (sprite.Image().BitsPerPixel() == 32)
            return MixSmooth(sprite.Image(), canvas, x, y, piece, colour);
        return sprite.ImageObject().TextOutSmooth(canvas, x, y, text, static_cast<int>(length));
    }
    return canvas.TextOut(x, y, length >= text.size() ? text : text.substr(0, length));
}

void TMessageText::DrawWrappedText(TSprite& sprite, const TRect& rect, const std::string& text,
                                   int linePitch, uint32_t colour, bool smooth) {
    if (sprite.Image().Empty()) return;
    const std::vector<size_t> lines = BreakLines(sprite, text, rect.Right - rect.Left);
    size_t offset = 0;
    int y = rect.Top;
    for (size_t length : lines) {
        if (length > 0)
            Output(sprite, rect.Left, y, text.substr(offset, length), length, colour, smooth);
        offset += length;
        y += linePitch;
    }
}

bool TMessageText::DrawTextPiece(TSprite& sprite, const TRect& rect, TPoint& pen, int linePitch,
                                 uint32_t colour, const std::string& piece, bool smooth,
                                 TRect* drawn) {
    if (sprite.Image().Empty()) return false;
    const int w = sprite.TextWidth(piece);
    // Nothing visible to draw; failing here would hold the reveal on this piece for ever.
    if (w <= 0) return true;
    if (pen.x + w >= rect.Right) pen = {rect.Left, pen.y + linePitch};
    if (drawn) {
        // Glyphs may overhang their advance and the line's height (bearings, the smooth
        // path's rounding up to whole large pixels): a margin of a character's height on
        // every side holds whatever the font draws.
        const int margin = std::max({sprite.FontHeight(), linePitch, 4});
        const TRect box{pen.x - margin, pen.y - margin, pen.x + w + margin,
                        pen.y + std::max(linePitch, sprite.FontHeight()) + margin};
        if (drawn->Right <= drawn->Left || drawn->Bottom <= drawn->Top) {
            *drawn = box;
        } else {
            drawn->Left = std::min(drawn->Left, box.Left);
            drawn->Top = std::min(drawn->Top, box.Top);
            drawn->Right = std::max(drawn->Right, box.Right);
            drawn->Bottom = std::max(drawn->Bottom, box.Bottom);
        }
    }
    if (!Output(sprite, pen.x, pen.y, piece, piece.size(), colour, smooth)) return false;
    pen.x += w;
    return true;
}

void TMessageText::DrawChoices(TSprite& sprite, const TRect* rows, const std::string* captions,
                               int count, int highlighted, int linePitch, uint32_t messageColour,
                               uint32_t selectColour, bool smooth) {
    for (int i = 0; i < count && i < 4; ++i)
        DrawWrappedText(sprite, rows[i], captions[i], linePitch,
                        i == highlighted ? messageColour : selectColour, smooth);
}
