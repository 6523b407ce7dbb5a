// The vector family in SSE2: four 32-bit or eight 5-5-5 pixels per step, each pixel's bytes
// widened to 16-bit lanes, multiplied by a and 255 - a, summed, shifted and packed back.
#include <emmintrin.h>

#include <cstring>

#include "graphics/pixel_rows.h"

namespace {

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// One pixel, all four bytes, with the shortcuts (tails of the 32-bit rows).
inline void Mix32(uint8_t* tp, const uint8_t* sp, uint32_t a) {
    if (a == 255) return;
    if (a == 0) {
        std::memcpy(tp, sp, 4);
        return;
    }
    for (int c = 0; c < 4; ++c) tp[c] = static_cast<uint8_t>((tp[c] * a + sp[c] * (255 - a)) >> 8);
}

// Four pixels starting at source column j.
inline void Block4(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, int j, bool mirrored) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i c255 = _mm_set1_epi16(255);
    const __m128i d255 = _mm_set1_epi32(255);
    uint32_t a4 = Load32(m + j);
    if (a4 == 0xFFFFFFFFu) return;
    uint8_t* tp = t + 4 * (mirrored ? w - 4 - j : j);
    __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * j));
    if (mirrored) {
        sv = _mm_shuffle_epi32(sv, 0x1B);
        a4 = __builtin_bswap32(a4);
    }
    if (a4 == 0) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(tp), sv);
        return;
    }
    const __m128i tv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tp));
    const __m128i a16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(a4)), zero);
    const __m128i a32 = _mm_unpacklo_epi16(a16, zero);
    const __m128i pairs = _mm_unpacklo_epi16(a16, a16);
    const __m128i alo = _mm_unpacklo_epi32(pairs, pairs), ahi = _mm_unpackhi_epi32(pairs, pairs);
    const __m128i lo = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(tv, zero), alo),
                      _mm_mullo_epi16(_mm_unpacklo_epi8(sv, zero), _mm_sub_epi16(c255, alo))),
        8);
    const __m128i hi = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(tv, zero), ahi),
                      _mm_mullo_epi16(_mm_unpackhi_epi8(sv, zero), _mm_sub_epi16(c255, ahi))),
        8);
    __m128i r = _mm_packus_epi16(lo, hi);
    const __m128i opaque = _mm_cmpeq_epi32(a32, zero), hidden = _mm_cmpeq_epi32(a32, d255);
    r = _mm_or_si128(_mm_andnot_si128(opaque, r), _mm_and_si128(opaque, sv));
    r = _mm_or_si128(_mm_andnot_si128(hidden, r), _mm_and_si128(hidden, tv));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(tp), r);
}

inline int MaskOf(const uint8_t* m, __m128i value) {
    return _mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m)), value));
}

void Blend32(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i ones = _mm_set1_epi8(-1);
    int j = 0;
    // Whole transparent stretches of 16 pixels are skipped, opaque runs copied at once.
    for (; j + 16 <= w; j += 16) {
        if (MaskOf(m + j, ones) == 0xFFFF) continue;
        if (!mirrored && MaskOf(m + j, zero) == 0xFFFF) {
            int end = j + 16;
            while (end + 16 <= w && MaskOf(m + end, zero) == 0xFFFF) end += 16;
            std::memcpy(t + 4 * j, s + 4 * j, static_cast<size_t>(end - j) * 4);
            j = end - 16;
            continue;
        }
        for (int k = 0; k < 16; k += 4) Block4(t, s, m, w, j + k, mirrored);
    }
    for (; j + 4 <= w; j += 4) Block4(t, s, m, w, j, mirrored);
    for (; j < w; ++j) Mix32(t + 4 * (mirrored ? w - 1 - j : j), s + 4 * j, m[j]);
}

// With fixed weights the even and odd bytes are mixed in place, with no widening.
void Uniform32(uint8_t* t, const uint8_t* s, uint8_t a, int w) {
    const __m128i wt = _mm_set1_epi16(a), ws = _mm_set1_epi16(static_cast<short>(255 - a));
    const __m128i low = _mm_set1_epi16(0x00FF);
    int j = 0;
    for (; j + 4 <= w; j += 4) {
        const __m128i tv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + 4 * j));
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * j));
        const __m128i even = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(tv, low), wt),
                          _mm_mullo_epi16(_mm_and_si128(sv, low), ws)),
            8);
        const __m128i odd = _mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(tv, 8), wt),
                                          _mm_mullo_epi16(_mm_srli_epi16(sv, 8), ws));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(t + 4 * j),
                         _mm_or_si128(even, _mm_andnot_si128(low, odd)));
    }
    for (; j < w; ++j) Mix32(t + 4 * j, s + 4 * j, a);
}

void Blend555(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i c255 = _mm_set1_epi16(255);
    const __m128i c31 = _mm_set1_epi16(31);
    int j = 0;
    for (; j + 8 <= w; j += 8) {
        uint64_t a8 = Load64(m + j);
        if (a8 == ~uint64_t{0}) continue;
        uint8_t* tp = t + 2 * (mirrored ? w - 8 - j : j);
        __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * j));
        if (mirrored) {
            sv = _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_shufflelo_epi16(sv, 0x1B), 0x1B), 0x4E);
            a8 = __builtin_bswap64(a8);
        }
        if (a8 == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(tp), sv);
            continue;
        }
        const __m128i tv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tp));
        const __m128i a = _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(a8)), zero);
        const __m128i inv = _mm_sub_epi16(c255, a);
        auto channel = [&](int shift) {
            const __m128i tc = _mm_and_si128(_mm_srli_epi16(tv, shift), c31);
            const __m128i sc = _mm_and_si128(_mm_srli_epi16(sv, shift), c31);
            return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(tc, a), _mm_mullo_epi16(sc, inv)),
                                  8);
        };
        __m128i r = _mm_or_si128(channel(0), _mm_or_si128(_mm_slli_epi16(channel(5), 5),
                                                          _mm_slli_epi16(channel(10), 10)));
        const __m128i opaque = _mm_cmpeq_epi16(a, zero), hidden = _mm_cmpeq_epi16(a, c255);
        r = _mm_or_si128(_mm_andnot_si128(opaque, r), _mm_and_si128(opaque, sv));
        r = _mm_or_si128(_mm_andnot_si128(hidden, r), _mm_and_si128(hidden, tv));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(tp), r);
    }
    for (; j < w; ++j) {
        const uint32_t a = m[j];
        if (a == 255) continue;
        uint8_t* tp = t + 2 * (mirrored ? w - 1 - j : j);
        const uint8_t* sp = s + 2 * j;
        if (a == 0) {
            std::memcpy(tp, sp, 2);
            continue;
        }
        const uint32_t tv = tp[0] | (tp[1] << 8), sv = sp[0] | (sp[1] << 8);
        uint32_t v = 0;
        for (int shift = 0; shift <= 10; shift += 5)
            v |= ((((tv >> shift) & 31) * a + ((sv >> shift) & 31) * (255 - a)) >> 8) << shift;
        tp[0] = static_cast<uint8_t>(v);
        tp[1] = static_cast<uint8_t>(v >> 8);
    }
}

}  // namespace

// 24-bit pixels one at a time: three bytes in, three lanes mixed, three bytes out, so no byte
// of a neighbour is read or written. The row's last pixel takes the signed-difference form.
void Sse2Blend24Row(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored) {
    const __m128i zero = _mm_setzero_si128();
    for (int j = 0; j + 1 < w; ++j) {
        const uint32_t a = m[j];
        if (a == 255) continue;
        uint8_t* tp = t + 3 * (mirrored ? w - 1 - j : j);
        const uint8_t* sp = s + 3 * j;
        if (a == 0) {
            std::memcpy(tp, sp, 3);
            continue;
        }
        uint32_t tw = 0, sw = 0;
        std::memcpy(&tw, tp, 3);
        std::memcpy(&sw, sp, 3);
        const __m128i tv = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(tw)), zero);
        const __m128i sv = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(sw)), zero);
        const __m128i av = _mm_set1_epi16(static_cast<short>(a)),
                      iv = _mm_set1_epi16(static_cast<short>(255 - a));
        const __m128i r =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(tv, av), _mm_mullo_epi16(sv, iv)), 8);
        const uint32_t out = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(r, zero)));
        std::memcpy(tp, &out, 3);
    }
    if (w > 0) {
        const int a = m[w - 1];
        uint8_t* tp = t + 3 * (mirrored ? 0 : w - 1);
        const uint8_t* sp = s + 3 * (w - 1);
        for (int c = 0; c < 3; ++c)
            tp[c] = static_cast<uint8_t>(sp[c] + (((tp[c] - sp[c]) * a) >> 8));
    }
}

const TPixelRows& Sse2PixelRows() {
    static const TPixelRows rows{Blend32, Sse2Blend24Row, Blend555, Uniform32};
    return rows;
}
