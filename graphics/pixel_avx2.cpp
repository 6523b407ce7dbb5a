// The vector family in AVX2: eight 32-bit or sixteen 5-5-5 pixels per step. Built with -mavx2
// and only called after the processor check, so it includes nothing but intrinsics: an inline
// function from a shared header compiled here could replace the plain one program-wide.
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

// The target and source weights of 16-bit lanes holding map values: 0 mixes with 0 and 256,
// 255 with 256 and 0, which give the source and the target exactly, so no selects follow.
inline void Weights(__m256i a, __m256i& wt, __m256i& ws) {
    const __m256i c255 = _mm256_set1_epi16(255);
    const __m256i inv = _mm256_sub_epi16(c255, a);
    wt = _mm256_sub_epi16(a, _mm256_cmpeq_epi16(a, c255));
    ws = _mm256_sub_epi16(inv, _mm256_cmpeq_epi16(inv, c255));
}

// Eight pixels starting at source column j.
inline void Block8(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, int j, bool mirrored) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    // Each 128-bit lane L widens pixels 4L, 4L + 1 (low) and 4L + 2, 4L + 3 (high).
    const __m256i spreadLo =
        _mm256_set_epi64x(int64_t(0x8005800580058005), int64_t(0x8004800480048004),
                          int64_t(0x8001800180018001), int64_t(0x8000800080008000));
    const __m256i spreadHi =
        _mm256_set_epi64x(int64_t(0x8007800780078007), int64_t(0x8006800680068006),
                          int64_t(0x8003800380038003), int64_t(0x8002800280028002));
    uint64_t a8;
    std::memcpy(&a8, m + j, 8);
    if (a8 == ~uint64_t{0}) return;
    uint8_t* tp = t + 4 * (mirrored ? w - 8 - j : j);
    __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * j));
    if (mirrored) {
        sv = _mm256_permutevar8x32_epi32(sv, reverse);
        a8 = __builtin_bswap64(a8);
    }
    if (a8 == 0) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(tp), sv);
        return;
    }
    const __m256i tv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tp));
    const __m256i ab = _mm256_broadcastsi128_si256(_mm_cvtsi64_si128(static_cast<long long>(a8)));
    __m256i wtLo, wsLo, wtHi, wsHi;
    Weights(_mm256_shuffle_epi8(ab, spreadLo), wtLo, wsLo);
    Weights(_mm256_shuffle_epi8(ab, spreadHi), wtHi, wsHi);
    const __m256i lo = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(tv, zero), wtLo),
                         _mm256_mullo_epi16(_mm256_unpacklo_epi8(sv, zero), wsLo)),
        8);
    const __m256i hi = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(tv, zero), wtHi),
                         _mm256_mullo_epi16(_mm256_unpackhi_epi8(sv, zero), wsHi)),
        8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(tp), _mm256_packus_epi16(lo, hi));
}

void Blend32(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored) {
    const __m256i ones = _mm256_set1_epi8(-1);
    int j = 0;
    // Whole opaque or transparent stretches of 32 pixels go without any arithmetic.
    for (; j + 32 <= w; j += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + j));
        if (_mm256_testc_si256(a, ones)) continue;
        if (_mm256_testz_si256(a, a) && !mirrored) {
            // An opaque run is one copy, however long.
            int end = j + 32;
            while (end + 32 <= w) {
                const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + end));
                if (!_mm256_testz_si256(next, next)) break;
                end += 32;
            }
            std::memcpy(t + 4 * j, s + 4 * j, static_cast<size_t>(end - j) * 4);
            j = end - 32;
            continue;
        }
        for (int k = 0; k < 32; k += 8) Block8(t, s, m, w, j + k, mirrored);
    }
    for (; j + 8 <= w; j += 8) Block8(t, s, m, w, j, mirrored);
    for (; j < w; ++j) Mix32(t + 4 * (mirrored ? w - 1 - j : j), s + 4 * j, m[j]);
}

// With fixed weights the even and odd bytes are mixed in place, with no widening.
void Uniform32(uint8_t* t, const uint8_t* s, uint8_t a, int w) {
    const __m256i wt = _mm256_set1_epi16(a), ws = _mm256_set1_epi16(static_cast<short>(255 - a));
    const __m256i low = _mm256_set1_epi16(0x00FF);
    int j = 0;
    for (; j + 8 <= w; j += 8) {
        const __m256i tv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + 4 * j));
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * j));
        const __m256i even = _mm256_srli_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(tv, low), wt),
                             _mm256_mullo_epi16(_mm256_and_si256(sv, low), ws)),
            8);
        const __m256i odd =
            _mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(tv, 8), wt),
                             _mm256_mullo_epi16(_mm256_srli_epi16(sv, 8), ws));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(t + 4 * j),
                            _mm256_or_si256(even, _mm256_andnot_si256(low, odd)));
    }
    for (; j < w; ++j) Mix32(t + 4 * j, s + 4 * j, a);
}

void Blend555(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i c255 = _mm256_set1_epi16(255);
    const __m256i c31 = _mm256_set1_epi16(31);
    const __m256i wordsBack =
        _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1, 14, 15, 12, 13, 10,
                         11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    const __m128i bytesBack = _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    const __m128i ff = _mm_set1_epi8(-1);
    int j = 0;
    for (; j + 16 <= w; j += 16) {
        __m128i a8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + j));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(a8, ff)) == 0xFFFF) continue;
        uint8_t* tp = t + 2 * (mirrored ? w - 16 - j : j);
        __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * j));
        if (mirrored) {
            sv = _mm256_permute4x64_epi64(_mm256_shuffle_epi8(sv, wordsBack), 0x4E);
            a8 = _mm_shuffle_epi8(a8, bytesBack);
        }
        if (_mm_testz_si128(a8, a8)) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(tp), sv);
            continue;
        }
        const __m256i tv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tp));
        const __m256i a = _mm256_cvtepu8_epi16(a8);
        const __m256i inv = _mm256_sub_epi16(c255, a);
        auto channel = [&](int shift) {
            const __m256i tc = _mm256_and_si256(_mm256_srli_epi16(tv, shift), c31);
            const __m256i sc = _mm256_and_si256(_mm256_srli_epi16(sv, shift), c31);
            return _mm256_srli_epi16(
                _mm256_add_epi16(_mm256_mullo_epi16(tc, a), _mm256_mullo_epi16(sc, inv)), 8);
        };
        __m256i r = _mm256_or_si256(
            channel(0),
            _mm256_or_si256(_mm256_slli_epi16(channel(5), 5), _mm256_slli_epi16(channel(10), 10)));
        r = _mm256_blendv_epi8(r, sv, _mm256_cmpeq_epi16(a, zero));
        r = _mm256_blendv_epi8(r, tv, _mm256_cmpeq_epi16(a, c255));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(tp), r);
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

const TPixelRows& Avx2PixelRows() {
    static const TPixelRows rows{Blend32, Sse2Blend24Row, Blend555, Uniform32};
    return rows;
}
