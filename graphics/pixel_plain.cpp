// The plain family: every product from the shared table, the 0 and 255 shortcuts first.
#include <cstring>

#include "graphics/pixel_kernels.h"
#include "graphics/pixel_rows.h"

namespace {

inline uint8_t Mix(const uint16_t* table, uint32_t t, uint32_t s, uint32_t a) {
    return static_cast<uint8_t>((table[t * 256 + a] + table[s * 256 + (255 - a)]) >> 8);
}

void Blend32(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored) {
    const uint16_t* table = ProductTable();
    for (int j = 0; j < w; ++j) {
        const uint32_t a = m[j];
        if (a == 255) continue;
        uint8_t* tp = t + 4 * (mirrored ? w - 1 - j : j);
        const uint8_t* sp = s + 4 * j;
        if (a == 0) {
            tp[0] = sp[0];
            tp[1] = sp[1];
            tp[2] = sp[2];
            continue;
        }
        tp[0] = Mix(table, tp[0], sp[0], a);
        tp[1] = Mix(table, tp[1], sp[1], a);
        tp[2] = Mix(table, tp[2], sp[2], a);
    }
}

void Blend24(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored) {
    const uint16_t* table = ProductTable();
    for (int j = 0; j < w; ++j) {
        const uint32_t a = m[j];
        if (a == 255) continue;
        uint8_t* tp = t + 3 * (mirrored ? w - 1 - j : j);
        const uint8_t* sp = s + 3 * j;
        if (a == 0) {
            std::memcpy(tp, sp, 3);
            continue;
        }
        tp[0] = Mix(table, tp[0], sp[0], a);
        tp[1] = Mix(table, tp[1], sp[1], a);
        tp[2] = Mix(table, tp[2], sp[2], a);
    }
}

void Blend555(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored) {
    const uint16_t* table = ProductTable();
    for (int j = 0; j < w; ++j) {
        const uint32_t a = m[j];
        if (a == 255) continue;
        uint8_t* tp = t + 2 * (mirrored ? w - 1 - j : j);
        const uint8_t* sp = s + 2 * j;
        if (a == 0) {
            std::memcpy(tp, sp, 2);
            continue;
        }
        const uint32_t tv = tp[0] | (tp[1] << 8), sv = sp[0] | (sp[1] << 8);
        const uint32_t b = Mix(table, tv & 31, sv & 31, a);
        const uint32_t g = Mix(table, (tv >> 5) & 31, (sv >> 5) & 31, a);
        const uint32_t r = Mix(table, (tv >> 10) & 31, (sv >> 10) & 31, a);
        const uint32_t v = b | (g << 5) | (r << 10);
        tp[0] = static_cast<uint8_t>(v);
        tp[1] = static_cast<uint8_t>(v >> 8);
    }
}

}  // namespace

const TPixelRows& PlainPixelRows() {
    static const TPixelRows rows{Blend32, Blend24, Blend555, nullptr};
    return rows;
}
