// The vector family in AVX-512 (F, BW, VL): sixteen 32-bit or thirty-two 5-5-5 pixels per
// step, the same results as the AVX2 family byte for byte. Built with the AVX-512 flags and
// only called after the processor check, so it includes nothing but intrinsics (see AVX2).
//
// The soft pixels need no selects afterwards: a map value of 0 mixes with the weights 0 and
// 256, a value of 255 with 256 and 0, which give the source and the target exactly.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "graphics/pixel_rows.h"

namespace {

inline void Mix32(uint8_t* tp, const uint8_t* sp, uint32_t a) {
    if (a == 255) return;
    if (a == 0) {
        std::memcpy(tp, sp, 4);
        return;
    }
    for (int c = 0; c < 4; ++c) tp[c] = static_cast<uint8_t>((tp[c] * a + sp[c] * (255 - a)) >> 8);
}

// The target and source weights of 16-bit lanes holding map values.
inline void Weights(__m512i a, __m512i& wt, __m512i& ws) {
    const __m512i c255 = _mm512_set1_epi16(255), one = _mm512_set1_epi16(1);
    const __m512i inv = _mm512_sub_epi16(c255, a);
    wt = _mm512_mask_add_epi16(a, _mm512_cmpeq_epi16_mask(a, c255), a, one);
    ws = _mm512_mask_add_epi16(inv, _mm512_cmpeq_epi16_mask(inv, c255), inv, one);
}

// The even and odd bytes of each pixel are mixed in place, with no widening: wt and ws hold
// each pixel's weights in both 16-bit halves of its lane.
inline __m512i MixFixed(__m512i tv, __m512i sv, __m512i wt, __m512i ws) {
    const __m512i low = _mm512_set1_epi16(0x00FF);
    const __m512i even = _mm512_srli_epi16(
        _mm512_add_epi16(_mm512_mullo_epi16(_mm512_and_si512(tv, low), wt),
                         _mm512_mullo_epi16(_mm512_and_si512(sv, low), ws)),
        8);
    const __m512i odd =
        _mm512_add_epi16(_mm512_mullo_epi16(_mm512_srli_epi16(tv, 8), wt),
                         _mm512_mullo_epi16(_mm512_srli_epi16(sv, 8), ws));
    return _mm512_ternarylogic_epi32(even, odd, low, 0xF4);  // even | (odd & ~low)
}

// Sixteen pixels of the target at tp mixed with sv through the 16 map bytes a (in pixel order
// of sv). Only the lanes in `keep` are read and written.
inline void Mix16(uint8_t* tp, __m512i sv, __m128i a, __mmask16 keep) {
    // Lane L's pixel k takes map byte 4L + k into both halves of its 32 bits.
    auto spread = [](int l, int k) { return int(0x80008000u | (4 * l + k) << 16 | (4 * l + k)); };
    const __m512i twice = _mm512_set_epi32(
        spread(3, 3), spread(3, 2), spread(3, 1), spread(3, 0), spread(2, 3), spread(2, 2),
        spread(2, 1), spread(2, 0), spread(1, 3), spread(1, 2), spread(1, 1), spread(1, 0),
        spread(0, 3), spread(0, 2), spread(0, 1), spread(0, 0));
    __m512i wt, ws;
    Weights(_mm512_shuffle_epi8(_mm512_broadcast_i32x4(a), twice), wt, ws);
    const __m512i tv = _mm512_maskz_loadu_epi32(keep, tp);
    _mm512_mask_storeu_epi32(tp, keep, MixFixed(tv, sv, wt, ws));
}

// Sixteen pixels starting at source column j.
inline void Block16(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, int j, bool mirrored) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + j));
    const __mmask16 hidden = _mm_cmpeq_epi8_mask(a, _mm_set1_epi8(-1));
    if (hidden == 0xFFFF) return;
    uint8_t* tp = t + 4 * (mirrored ? w - 16 - j : j);
    __m512i sv = _mm512_loadu_si512(s + 4 * j);
    if (mirrored) {
        sv = _mm512_permutexvar_epi32(
            _mm512_set_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15), sv);
        a = _mm_shuffle_epi8(a, _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0));
    }
    if (_mm_testz_si128(a, a)) {
        _mm512_storeu_si512(tp, sv);
        return;
    }
    Mix16(tp, sv, a, 0xFFFF);
}

void Blend32(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored) {
    int j = 0;
    // Whole transparent stretches of 64 pixels are skipped, opaque runs copied at once.
    for (; j + 64 <= w; j += 64) {
        const __m512i a = _mm512_loadu_si512(m + j);
        if (_mm512_cmpneq_epi8_mask(a, _mm512_set1_epi8(-1)) == 0) continue;
        if (!mirrored && _mm512_test_epi8_mask(a, a) == 0) {
            int end = j + 64;
            while (end + 64 <= w) {
                const __m512i next = _mm512_loadu_si512(m + end);
                if (_mm512_test_epi8_mask(next, next) != 0) break;
                end += 64;
            }
            std::memcpy(t + 4 * j, s + 4 * j, static_cast<size_t>(end - j) * 4);
            j = end - 64;
            continue;
        }
        for (int k = 0; k < 64; k += 16) Block16(t, s, m, w, j + k, mirrored);
    }
    for (; j + 16 <= w; j += 16) Block16(t, s, m, w, j, mirrored);
    if (j == w) return;
    if (mirrored) {
        for (; j < w; ++j) Mix32(t + 4 * (w - 1 - j), s + 4 * j, m[j]);
        return;
    }
    // The last few pixels through masked loads and stores; the weights make 0 and 255 exact.
    const __mmask16 keep = static_cast<__mmask16>((1u << (w - j)) - 1);
    const __m128i a = _mm_maskz_loadu_epi8(keep, m + j);
    Mix16(t + 4 * j, _mm512_maskz_loadu_epi32(keep, s + 4 * j), a,
          keep & static_cast<__mmask16>(~_mm_cmpeq_epi8_mask(a, _mm_set1_epi8(-1))));
}

void Uniform32(uint8_t* t, const uint8_t* s, uint8_t a, int w) {
    const __m512i wt = _mm512_set1_epi16(a), ws = _mm512_set1_epi16(static_cast<short>(255 - a));
    int j = 0;
    for (; j + 16 <= w; j += 16)
        _mm512_storeu_si512(t + 4 * j, MixFixed(_mm512_loadu_si512(t + 4 * j),
                                                _mm512_loadu_si512(s + 4 * j), wt, ws));
    if (j == w) return;
    const __mmask16 keep = static_cast<__mmask16>((1u << (w - j)) - 1);
    _mm512_mask_storeu_epi32(t + 4 * j, keep,
                             MixFixed(_mm512_maskz_loadu_epi32(keep, t + 4 * j),
                                      _mm512_maskz_loadu_epi32(keep, s + 4 * j), wt, ws));
}

void Blend555(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored) {
    const __m512i c31 = _mm512_set1_epi16(31);
    const __m512i wordsBack = _mm512_set_epi16(
        0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24,
        25, 26, 27, 28, 29, 30, 31);
    int j = 0;
    for (; j + 32 <= w; j += 32) {
        const __m256i a8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + j));
        if (_mm256_cmpneq_epi8_mask(a8, _mm256_set1_epi8(-1)) == 0) continue;
        uint8_t* tp = t + 2 * (mirrored ? w - 32 - j : j);
        __m512i sv = _mm512_loadu_si512(s + 2 * j);
        __m512i a = _mm512_cvtepu8_epi16(a8);
        if (mirrored) {
            sv = _mm512_permutexvar_epi16(wordsBack, sv);
            a = _mm512_permutexvar_epi16(wordsBack, a);
        }
        if (_mm256_testz_si256(a8, a8)) {
            _mm512_storeu_si512(tp, sv);
            continue;
        }
        const __m512i tv = _mm512_loadu_si512(tp);
        __m512i wt, ws;
        Weights(a, wt, ws);
        // The top bit is a fourth channel of one bit: kept from the source at 0, from the
        // target at 255 and cleared between, as the other families do.
        auto channel = [&](int shift, __m512i bits) {
            const __m512i tc = _mm512_and_si512(_mm512_srli_epi16(tv, shift), bits);
            const __m512i sc = _mm512_and_si512(_mm512_srli_epi16(sv, shift), bits);
            return _mm512_slli_epi16(
                _mm512_srli_epi16(
                    _mm512_add_epi16(_mm512_mullo_epi16(tc, wt), _mm512_mullo_epi16(sc, ws)), 8),
                shift);
        };
        const __m512i r =
            _mm512_or_si512(_mm512_or_si512(channel(0, c31), channel(5, c31)),
                            _mm512_or_si512(channel(10, c31), channel(15, _mm512_set1_epi16(1))));
        _mm512_storeu_si512(tp, r);
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

const TPixelRows& Avx512PixelRows() {
    static const TPixelRows rows{Blend32, Sse2Blend24Row, Blend555, Uniform32};
    return rows;
}
