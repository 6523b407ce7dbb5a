#include "graphics/message_text.h"

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

}  // namespace

bool TMessageText::IsJoinedPunctuation(uint8_t trail) {
    switch (trail) {
        case 0x41: case 0x42: case 0x43: case 0x44: case 0x48: case 0x49:
        case 0x69: case 0x6A: case 0x75: case 0x76: case 0x77: case 0x78:
            return true;
        default:
            return false;
    }
}

uint64_t TMessageText::OutputCount() { return g_Outputs; }

namespace {

// Bytes of the character at offset; a lead byte at the very end stands alone.
size_t CharLength(const std::string& text, size_t offset) {
    return platform::IsSjisLeadByte(static_cast<unsigned char>(text[offset])) && offset + 1 < text.size() ? 2 : 1;
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
    std::vector<size_t> lines;
    std::vector<size_t> starts;  // characters of the present line
    size_t start = 0, pos = 0;
    while (pos < text.size()) {
        const size_t length = CharLength(text, pos);
        starts.push_back(pos);
        pos += length;
        if (canvas.TextWidth(text.substr(start, pos - start)) < limit) continue;
        // The character that reached the edge moves to the next line, and a closing mark takes
        // the character before it along.
        const size_t last = starts.size() - 1;
        size_t cut = last;
        if (length == 2 && IsClosingMark(text, starts[last]) && last >= 1) cut = last - 1;
        // A line never ends empty: a rectangle narrower than its first character (or than a
        // character and its mark) would otherwise make no progress.
        if (cut == 0) cut = last >= 1 ? last : 1;
        const size_t lineEnd = cut < starts.size() ? starts[cut] : pos;
        lines.push_back(lineEnd - start);
        start = pos = lineEnd;
        starts.clear();
    }
    lines.push_back(pos - start);
    g_Cache = {text, sprite.FontName(), limit, sprite.FontHeight(), lines, true};
    return lines;
}

bool TMessageText::Output(TSprite& sprite, int x, int y, const std::string& text, size_t length, uint32_t colour,
                          bool smooth) {
    if (length == 0) return false;
    platform::Canvas& canvas = sprite.GetCanvas();
    canvas.SetBackgroundTransparent(true);
    canvas.SetFontColour(colour);
    ++g_Outputs;
    if (smooth) return sprite.ImageObject().TextOutSmooth(canvas, x, y, text, static_cast<int>(length));
    return canvas.TextOut(x, y, length >= text.size() ? text : text.substr(0, length));
}

void TMessageText::DrawWrappedText(TSprite& sprite, const TRect& rect, const std::string& text, int linePitch,
                                   uint32_t colour, bool smooth) {
    if (sprite.Image().Empty()) return;
    const std::vector<size_t> lines = BreakLines(sprite, text, rect.Right - rect.Left);
    size_t offset = 0;
    int y = rect.Top;
    for (size_t length : lines) {
        if (length > 0) Output(sprite, rect.Left, y, text.substr(offset, length), length, colour, smooth);
        offset += length;
        y += linePitch;
    }
}

bool TMessageText::DrawTextPiece(TSprite& sprite, const TRect& rect, TPoint& pen, int linePitch, uint32_t colour,
                                 const std::string& piece, bool smooth) {
    if (sprite.Image().Empty()) return false;
    const int w = sprite.TextWidth(piece);
    // Nothing visible to draw; failing here would hold the reveal on this piece for ever.
    if (w <= 0) return true;
    if (pen.x + w >= rect.Right) pen = {rect.Left, pen.y + linePitch};
    if (!Output(sprite, pen.x, pen.y, piece, piece.size(), colour, smooth)) return false;
    pen.x += w;
    return true;
}

void TMessageText::DrawChoices(TSprite& sprite, const TRect* rows, const std::string* captions, int count,
                               int highlighted, int linePitch, uint32_t messageColour, uint32_t selectColour,
                               bool smooth) {
    for (int i = 0; i < count && i < 4; ++i)
        DrawWrappedText(sprite, rows[i], captions[i], linePitch, i == highlighted ? messageColour : selectColour,
                        smooth);
}
