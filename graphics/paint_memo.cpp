#include "graphics/paint_memo.h"

#include <algorithm>
#include <cstring>

#include "platform/bitmap.h"

namespace {
uint64_t g_Replays = 0;
bool g_Enabled = true;

TRect Clip(const platform::Bitmap& target, const TRect& box) {
    return {std::max(0, box.Left), std::max(0, box.Top), std::min(target.Width(), box.Right),
            std::min(target.Height(), box.Bottom)};
}
}  // namespace

uint64_t TPaintMemo::ReplayCount() {
    return g_Replays;
}

void TPaintMemo::SetEnabled(bool enabled) {
    g_Enabled = enabled;
}

bool TPaintMemo::Fits(const platform::Bitmap& target, const TRect& box) const {
    return target.BitsPerPixel() == 32 && box.Right > box.Left && box.Bottom > box.Top &&
           target.Width() == m_Width && target.Height() == m_Height;
}

void TPaintMemo::Copy(const platform::Bitmap& target, std::vector<uint8_t>& out) const {
    const size_t row = 4 * size_t(m_Box.Right - m_Box.Left);
    out.resize(row * size_t(m_Box.Bottom - m_Box.Top));
    uint8_t* p = out.data();
    for (int y = m_Box.Top; y < m_Box.Bottom; ++y, p += row)
        std::memcpy(p, target.ScanLine(y) + 4 * size_t(m_Box.Left), row);
}

bool TPaintMemo::Replay(platform::Bitmap& target, const TRect& box, const std::string& key) {
    if (!g_Enabled || !m_Valid || !Fits(target, m_Box)) return false;
    const TRect clipped = Clip(target, box);
    if (clipped.Left != m_Box.Left || clipped.Top != m_Box.Top || clipped.Right != m_Box.Right ||
        clipped.Bottom != m_Box.Bottom || key != m_Key)
        return false;
    const size_t row = 4 * size_t(m_Box.Right - m_Box.Left);
    const uint8_t* ground = m_Ground.data();
    for (int y = m_Box.Top; y < m_Box.Bottom; ++y, ground += row)
        if (std::memcmp(target.ScanLine(y) + 4 * size_t(m_Box.Left), ground, row) != 0)
            return false;
    // Outside its stretch a row already holds the result: it equals the ground.
    const uint8_t* result = m_Result.data();
    for (int y = m_Box.Top; y < m_Box.Bottom; ++y) {
        const TSpan& span = m_Spans[size_t(y - m_Box.Top)];
        const size_t bytes = 4 * size_t(span.end - span.begin);
        if (bytes == 0) continue;
        std::memcpy(target.ScanLine(y) + 4 * size_t(m_Box.Left + span.begin), result, bytes);
        result += bytes;
    }
    target.Changed();
    ++g_Replays;
    return true;
}

void TPaintMemo::Begin(platform::Bitmap& target, const TRect& box, const std::string& key) {
    m_Valid = m_Open = false;
    m_Width = target.Width();
    m_Height = target.Height();
    m_Box = Clip(target, box);
    if (!Fits(target, m_Box)) return;
    m_Key = key;
    Copy(target, m_Ground);
    m_Open = true;
}

void TPaintMemo::Finish(const platform::Bitmap& target) {
    if (!m_Open) return;
    m_Open = false;
    if (target.Width() != m_Width || target.Height() != m_Height ||
        target.BitsPerPixel() != 32)
        return;
    const int width = m_Box.Right - m_Box.Left;
    const size_t row = 4 * size_t(width);
    m_Spans.clear();
    m_Result.clear();
    m_Result.reserve(m_Ground.size());
    const uint8_t* ground = m_Ground.data();
    for (int y = m_Box.Top; y < m_Box.Bottom; ++y, ground += row) {
        const uint8_t* now = target.ScanLine(y) + 4 * size_t(m_Box.Left);
        // Sixteen pixels at a time, then one by one, from either end.
        int begin = 0, end = width;
        while (begin + 16 <= width && std::memcmp(now + 4 * begin, ground + 4 * begin, 64) == 0)
            begin += 16;
        while (begin < width && std::memcmp(now + 4 * begin, ground + 4 * begin, 4) == 0) ++begin;
        while (end - 16 >= begin &&
               std::memcmp(now + 4 * (end - 16), ground + 4 * (end - 16), 64) == 0)
            end -= 16;
        while (end > begin && std::memcmp(now + 4 * (end - 1), ground + 4 * (end - 1), 4) == 0)
            --end;
        m_Spans.push_back({begin, end});
        m_Result.insert(m_Result.end(), now + 4 * begin, now + 4 * end);
    }
    m_Valid = true;
}

void TPaintMemo::Clear() {
    m_Valid = m_Open = false;
    m_Key.clear();
    m_Ground.clear();
    m_Result.clear();
    m_Spans.clear();
}
