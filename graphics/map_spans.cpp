#include "graphics/map_spans.h"

#include <cstring>

namespace {

// Attached after the first draw; the second draw of the same pixels builds the index.
class TSeen : public platform::BitmapDerived {};

// The column after the run of bytes equal to v that starts at x.
int RunEnd(const uint8_t* row, int x, int w, uint8_t v) {
    const uint64_t all = uint64_t{v} * 0x0101010101010101u;
    while (x + 8 <= w) {
        uint64_t word;
        std::memcpy(&word, row + x, 8);
        if (word != all) break;
        x += 8;
    }
    while (x < w && row[x] == v) ++x;
    return x;
}

}  // namespace

std::shared_ptr<const TMapSpans> TMapSpans::Build(const platform::Bitmap& map) {
    auto spans = std::make_shared<TMapSpans>();
    const int w = map.Width(), h = map.Height();
    spans->m_RowStart.reserve(static_cast<size_t>(h) + 1);
    spans->m_RowStart.push_back(0);
    std::vector<TRun>& runs = spans->m_Runs;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = map.ScanLine(y);
        const size_t first = runs.size();
        for (int x = 0; x < w;) {
            const uint8_t v = row[x];
            const int end = RunEnd(row, x, w, v);
            // Short runs are cheaper mixed with their neighbours than cut out.
            if (end - x < kShortest) {
                if (runs.size() > first && runs.back().kind == kMixed && runs.back().end == x)
                    runs.back().end = end;
                else
                    runs.push_back({x, end, kMixed, 0});
            } else if (v != 255) {
                runs.push_back({x, end, v == 0 ? kShown : kUniform, v});
            }
            x = end;
        }
        spans->m_RowStart.push_back(static_cast<uint32_t>(runs.size()));
    }
    runs.shrink_to_fit();
    return spans;
}

std::shared_ptr<const TMapSpans> TMapSpans::For(const platform::Bitmap& map) {
    std::shared_ptr<const platform::BitmapDerived> kept = map.Derived();
    if (auto spans = std::dynamic_pointer_cast<const TMapSpans>(kept)) return spans;
    if (!kept) {
        static const auto seen = std::make_shared<const TSeen>();
        map.SetDerived(seen);
        return nullptr;
    }
    std::shared_ptr<const TMapSpans> spans = Build(map);
    map.SetDerived(spans);
    return spans;
}
