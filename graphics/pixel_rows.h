#pragma once
// Row loops of the blend kernels, one set per family. Each mixes w pixels of a source row into
// a target row through a transparency map row; t points at the target pixel for column 0 of
// the rectangle, s and m at the source and map pixels. Mirrored rows write source column j to
// target column w - 1 - j. Kept free of other headers: the AVX2 file includes it.
#include <cstdint>

struct TPixelRows {
    void (*blend32)(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored);
    void (*blend24)(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored);
    void (*blend555)(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored);
    // w 32-bit pixels through one map value a, 0 < a < 255, not mirrored: what blend32 gives
    // for a map row of a alone. Null where the family has none.
    void (*uniform32)(uint8_t* t, const uint8_t* s, uint8_t a, int w);
};

const TPixelRows& PlainPixelRows();
const TPixelRows& Sse2PixelRows();
const TPixelRows& Avx2PixelRows();
const TPixelRows& Avx512PixelRows();
// The SSE2 24-bit row, shared by the AVX2 family.
void Sse2Blend24Row(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored);
