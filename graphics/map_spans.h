#pragma once
// Where a transparency map shows its picture: per row, the stretches that are wholly shown
// (map 0), those of one mixing value (a translucent window), and those with anything else, so
// a blend copies the first, mixes the second with fixed weights and the third pixel by pixel,
// and skips the rest (map 255) without reading the map again. Kept with the map while its
// pixels stay the same.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/bitmap.h"

class TMapSpans : public platform::BitmapDerived {
public:
    enum TKind : uint8_t {
        kShown,    // every pixel 0
        kUniform,  // every pixel `value`, neither 0 nor 255
        kMixed,    // anything (0 and 255 too)
    };
    struct TRun {
        int32_t begin, end;  // columns [begin, end)
        TKind kind;
        uint8_t value;
    };

    // The index of an 8-bit map; runs of one value shorter than kShortest are left to the
    // mixing.
    static std::shared_ptr<const TMapSpans> Build(const platform::Bitmap& map);
    // The index kept with the map, built on the second draw of the same pixels (a map
    // rewritten for every draw is never indexed); null when the blend should read the map.
    static std::shared_ptr<const TMapSpans> For(const platform::Bitmap& map);

    std::span<const TRun> Row(int y) const {
        return {m_Runs.data() + m_RowStart[y], m_Runs.data() + m_RowStart[y + 1]};
    }

    static constexpr int kShortest = 32;

private:
    std::vector<uint32_t> m_RowStart;
    std::vector<TRun> m_Runs;
};
