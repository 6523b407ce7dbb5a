#include "graphics/gldpng.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#endif

#include "platform/picture_limits.h"
#include "platform/quit_request.h"
#include "resources/application.h"
#include "resources/memory_stream.h"

namespace {

const char kNotPng[] = "PNG LoadStream: Not PNG Format";
const char kTwoHeaders[] = "Read Header(PNG): appear two IHDR";
const char kColorType[] = "Read Header(PNG): Error ColorType";
const char kCompression[] = "Read Header(PNG): not support Compression";
const char kFilter[] = "Read Header(PNG): not supprt Filter";
const char kInterlace[] = "Read Header(PNG): not interlace type";
const char kGreyAlpha[] = "Read Header(PNG): not Use AlphaChannel";
const char kGreyDepth[] = "Read Header(PNG): Error Bitdepth";
const char kDepth[] = "Read Header(PNG): Error BitDepth";
const char kZlib[] = "PNG LoadStream: Error ZLIB";
const char kReadError[] = "Read Image (PNG): Read Error";

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

constexpr uint32_t ChunkType(char a, char b, char c, char d) {
    return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) |
           (uint32_t(uint8_t(c)) << 8) | uint8_t(d);
}
constexpr uint32_t kIHDR = ChunkType('I', 'H', 'D', 'R');
constexpr uint32_t kPLTE = ChunkType('P', 'L', 'T', 'E');
constexpr uint32_t kTRNS = ChunkType('t', 'R', 'N', 'S');
constexpr uint32_t kIDAT = ChunkType('I', 'D', 'A', 'T');
constexpr uint32_t kIEND = ChunkType('I', 'E', 'N', 'D');
constexpr uint32_t kTPNG = ChunkType('t', 'p', 'N', 'G');

// Slack behind every row buffer so the vector filters may load a whole pixel or block.
constexpr size_t kPad = 32;
// Deflate cannot expand data by more than about 1032 to 1; a header that promises more
// pixels than the rest of the data could ever hold is corrupt, and is refused before the
// bitmap is allocated.
constexpr uint64_t kMaxInflateRatio = 1040;
constexpr uint32_t kMaxSide = 1u << 24;

[[noreturn]] void Fail(const char* text) {
    TyxApplication::RaiseEngineError(text);
}

inline uint32_t Be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline uint32_t Be16(const uint8_t* p) {
    return (uint32_t(p[0]) << 8) | p[1];
}

// ---- unfiltering -------------------------------------------------------------------------

inline uint8_t PaethPredictor(int a, int b, int c) {
    int pa = std::abs(b - c);
    int pb = std::abs(a - c);
    int pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

void UnfilterSub(uint8_t* cur, size_t n, size_t bpp) {
    for (size_t i = bpp; i < n; ++i) cur[i] = uint8_t(cur[i] + cur[i - bpp]);
}

void UnfilterUp(uint8_t* cur, const uint8_t* prev, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cur + i), _mm_add_epi8(x, b));
    }
#endif
    for (; i < n; ++i) cur[i] = uint8_t(cur[i] + prev[i]);
}

void UnfilterAvg(uint8_t* cur, const uint8_t* prev, size_t n, size_t bpp) {
    size_t first = std::min(bpp, n);
    for (size_t i = 0; i < first; ++i) cur[i] = uint8_t(cur[i] + (prev[i] >> 1));
    for (size_t i = bpp; i < n; ++i) cur[i] = uint8_t(cur[i] + ((cur[i - bpp] + prev[i]) >> 1));
}

void UnfilterPaeth(uint8_t* cur, const uint8_t* prev, size_t n, size_t bpp) {
    size_t first = std::min(bpp, n);
    for (size_t i = 0; i < first; ++i) cur[i] = uint8_t(cur[i] + prev[i]);
    for (size_t i = bpp; i < n; ++i)
        cur[i] = uint8_t(cur[i] + PaethPredictor(cur[i - bpp], prev[i], prev[i - bpp]));
}

#if defined(__SSE2__)
// Three- and four-byte pixels depend on their left neighbour, so these work one pixel at a
// time with all its channels in one register. Loads read four bytes (the padding allows it);
// stores write only the pixel's own bytes, the next pixel is still filtered data.
inline __m128i Load4(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(v);
}
template <int Bpp>
inline void Store(uint8_t* p, __m128i x) {
    const uint32_t v = uint32_t(_mm_cvtsi128_si32(x));
    if constexpr (Bpp == 4) {
        std::memcpy(p, &v, 4);
    } else {
        // Two stores from the register: a three-byte copy would go through the stack.
        const uint16_t low = uint16_t(v);
        std::memcpy(p, &low, 2);
        p[2] = uint8_t(v >> 16);
    }
}

template <int Bpp>
void UnfilterSubSse(uint8_t* cur, size_t n) {
    __m128i a = _mm_setzero_si128();
    for (size_t i = 0; i + Bpp <= n; i += Bpp) {
        a = _mm_add_epi8(Load4(cur + i), a);
        Store<Bpp>(cur + i, a);
    }
}

template <int Bpp>
void UnfilterAvgSse(uint8_t* cur, const uint8_t* prev, size_t n) {
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = _mm_setzero_si128();
    for (size_t i = 0; i + Bpp <= n; i += Bpp) {
        __m128i b = Load4(prev + i);
        // pavgb rounds up; the filter rounds down.
        __m128i avg = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        a = _mm_add_epi8(Load4(cur + i), avg);
        Store<Bpp>(cur + i, a);
    }
}

inline __m128i Abs16(__m128i x) {
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}
inline __m128i Select(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

template <int Bpp>
void UnfilterPaethSse(uint8_t* cur, const uint8_t* prev, size_t n) {
    const __m128i zero = _mm_setzero_si128();
    __m128i a = zero;  // 16-bit lanes: left, upper left
    __m128i c = zero;
    for (size_t i = 0; i + Bpp <= n; i += Bpp) {
        __m128i b = _mm_unpacklo_epi8(Load4(prev + i), zero);
        __m128i x = Load4(cur + i);
        __m128i bc = _mm_sub_epi16(b, c);
        __m128i ac = _mm_sub_epi16(a, c);
        __m128i pa = Abs16(bc);
        __m128i pb = Abs16(ac);
        __m128i pc = Abs16(_mm_add_epi16(bc, ac));
        __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        // Ties go to the left, then to the one above.
        __m128i nearest =
            Select(_mm_cmpeq_epi16(smallest, pa), a, Select(_mm_cmpeq_epi16(smallest, pb), b, c));
        x = _mm_add_epi8(x, _mm_packus_epi16(nearest, zero));
        Store<Bpp>(cur + i, x);
        a = _mm_unpacklo_epi8(x, zero);
        c = b;
    }
}
#endif

// False for an unknown filter type.
bool Unfilter(uint8_t type, uint8_t* cur, const uint8_t* prev, size_t n, size_t bpp) {
    switch (type) {
        case 0:
            return true;
        case 1:
#if defined(__SSE2__)
            if (bpp == 3) return UnfilterSubSse<3>(cur, n), true;
            if (bpp == 4) return UnfilterSubSse<4>(cur, n), true;
#endif
            UnfilterSub(cur, n, bpp);
            return true;
        case 2:
            UnfilterUp(cur, prev, n);
            return true;
        case 3:
#if defined(__SSE2__)
            if (bpp == 3) return UnfilterAvgSse<3>(cur, prev, n), true;
            if (bpp == 4) return UnfilterAvgSse<4>(cur, prev, n), true;
#endif
            UnfilterAvg(cur, prev, n, bpp);
            return true;
        case 4:
#if defined(__SSE2__)
            if (bpp == 3) return UnfilterPaethSse<3>(cur, prev, n), true;
            if (bpp == 4) return UnfilterPaethSse<4>(cur, prev, n), true;
#endif
            UnfilterPaeth(cur, prev, n, bpp);
            return true;
        default:
            return false;
    }
}

// ---- row conversion ----------------------------------------------------------------------

// How a row of samples becomes bitmap bytes.
enum class RowKind {
    Bits1,
    Bits2,
    Bits4,
    Nibble2,
    Nibble4,
    Byte8,
    Grey16,
    GreyA8,
    GreyA16,
    Rgb8,
    Rgb16,
    Rgba8,
    Rgba16
};

// Calls f(sample index, target column) for the n samples of a row or of an Adam7 pass row.
template <typename F>
inline void EachColumn(int n, int x0, int dx, F f) {
    if (dx == 1) {
        for (int i = 0; i < n; ++i) f(i, i);
    } else {
        for (int i = 0, x = x0; i < n; ++i, x += dx) f(i, x);
    }
}

// 4-bit rows keep the left pixel in the high nibble.
inline void SetNibble(uint8_t* row, int x, int v) {
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? uint8_t((b & 0xF0) | v) : uint8_t((b & 0x0F) | (v << 4));
}

void ConvertRow(RowKind kind, const uint8_t* s, int n, int x0, int dx, uint8_t* out, uint8_t* map) {
    switch (kind) {
        case RowKind::Bits1:
            if (dx == 1) {
                std::memcpy(out, s, (size_t(n) + 7) / 8);
            } else {
                EachColumn(n, x0, dx, [&](int i, int x) {
                    uint8_t bit = uint8_t(0x80 >> (x & 7));
                    if ((s[i >> 3] >> (7 - (i & 7))) & 1)
                        out[x >> 3] |= bit;
                    else
                        out[x >> 3] &= uint8_t(~bit);
                });
            }
            break;
        case RowKind::Bits2:
            EachColumn(n, x0, dx,
                       [&](int i, int x) { out[x] = (s[i >> 2] >> (6 - 2 * (i & 3))) & 3; });
            break;
        case RowKind::Bits4:
            EachColumn(n, x0, dx,
                       [&](int i, int x) { out[x] = (s[i >> 1] >> (4 - 4 * (i & 1))) & 15; });
            break;
        case RowKind::Nibble2:
            EachColumn(n, x0, dx, [&](int i, int x) {
                SetNibble(out, x, (s[i >> 2] >> (6 - 2 * (i & 3))) & 3);
            });
            break;
        case RowKind::Nibble4:
            if (dx == 1)
                std::memcpy(out, s, (size_t(n) + 1) / 2);
            else
                EachColumn(n, x0, dx, [&](int i, int x) {
                    SetNibble(out, x, (s[i >> 1] >> (4 - 4 * (i & 1))) & 15);
                });
            break;
        case RowKind::Byte8:
            if (dx == 1)
                std::memcpy(out, s, size_t(n));
            else
                EachColumn(n, x0, dx, [&](int i, int x) { out[x] = s[i]; });
            break;
        case RowKind::Grey16:
            EachColumn(n, x0, dx, [&](int i, int x) { out[x] = s[2 * i]; });
            break;
        case RowKind::GreyA8:
            EachColumn(n, x0, dx, [&](int i, int x) {
                out[x] = s[2 * i];
                map[x] = uint8_t(255 - s[2 * i + 1]);
            });
            break;
        case RowKind::GreyA16:
            EachColumn(n, x0, dx, [&](int i, int x) {
                out[x] = s[4 * i];
                map[x] = uint8_t(255 - s[4 * i + 2]);
            });
            break;
        case RowKind::Rgb8:
            EachColumn(n, x0, dx, [&](int i, int x) {
                const uint8_t* p = s + 3 * i;
                uint8_t* o = out + 3 * x;
                o[0] = p[2];
                o[1] = p[1];
                o[2] = p[0];
            });
            break;
        case RowKind::Rgb16:
            EachColumn(n, x0, dx, [&](int i, int x) {
                const uint8_t* p = s + 6 * i;
                uint8_t* o = out + 3 * x;
                o[0] = p[4];
                o[1] = p[2];
                o[2] = p[0];
            });
            break;
        case RowKind::Rgba8:
            EachColumn(n, x0, dx, [&](int i, int x) {
                const uint8_t* p = s + 4 * i;
                uint8_t* o = out + 3 * x;
                o[0] = p[2];
                o[1] = p[1];
                o[2] = p[0];
                map[x] = uint8_t(255 - p[3]);
            });
            break;
        case RowKind::Rgba16:
            EachColumn(n, x0, dx, [&](int i, int x) {
                const uint8_t* p = s + 8 * i;
                uint8_t* o = out + 3 * x;
                o[0] = p[4];
                o[1] = p[2];
                o[2] = p[0];
                map[x] = uint8_t(255 - p[6]);
            });
            break;
    }
}


#if defined(__SSE2__)
// Byte shuffles for the common 8-bit rows, SSSE3 when the processor has it (checked once).
// Each step loads and stores 16 bytes, so it runs while both stay inside the row; the rest
// goes through ConvertRow.
bool HaveSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

// Five RGB pixels to BGR per step; returns the pixels done.
__attribute__((target("ssse3"))) int Rgb8ToBgr(const uint8_t* s, int n, uint8_t* out) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int i = 0;
    for (; 3 * (i + 5) + 1 <= 3 * n; i += 5) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i), _mm_shuffle_epi8(v, order));
    }
    return i;
}

// Four RGBA pixels to BGR and four map bytes (255 - alpha) per step.
__attribute__((target("ssse3"))) int Rgba8ToBgr(const uint8_t* s, int n, uint8_t* out,
                                                uint8_t* map) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 3, 7, 11, 15);
    const __m128i ones = _mm_set1_epi8(-1);
    int i = 0;
    for (; 3 * i + 16 <= 3 * n; i += 4) {
        const __m128i v = _mm_shuffle_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i)), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i), v);
        const uint32_t alpha = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(_mm_xor_si128(v, ones), 12)));
        std::memcpy(map + i, &alpha, 4);
    }
    return i;
}
#endif

// ConvertRow with vector shortcuts for whole 8-bit colour rows.
void ConvertRowFast(RowKind kind, const uint8_t* s, int n, int x0, int dx, uint8_t* out,
                    uint8_t* map) {
#if defined(__SSE2__)
    if (dx == 1 && HaveSsse3()) {
        int done = 0;
        if (kind == RowKind::Rgb8)
            done = Rgb8ToBgr(s, n, out);
        else if (kind == RowKind::Rgba8)
            done = Rgba8ToBgr(s, n, out, map);
        if (done > 0) {
            const size_t in = kind == RowKind::Rgb8 ? 3 : 4;
            ConvertRow(kind, s + in * size_t(done), n - done, 0, 1, out + 3 * size_t(done),
                       map ? map + done : nullptr);
            return;
        }
    }
#endif
    ConvertRow(kind, s, n, x0, dx, out, map);
}

// Buffers kept between decodes on a thread: the fresh pages of a large buffer cost more than
// inflating into it. A buffer beyond kScratchKept goes back after the picture that needed it.
struct Scratch {
    std::vector<uint8_t> raw;
    std::vector<uint8_t> joined;
};
constexpr size_t kScratchKept = size_t(32) << 20;
Scratch& TheScratch() {
    thread_local Scratch scratch;
    return scratch;
}
struct ScratchTrim {
    Scratch& scratch;
    ~ScratchTrim() {
        for (std::vector<uint8_t>* v : {&scratch.raw, &scratch.joined})
            if (v->capacity() > kScratchKept) std::vector<uint8_t>().swap(*v);
    }
};

struct Pass {
    int x0, y0, dx, dy;
};
const Pass kWhole[1] = {{0, 0, 1, 1}};
const Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

inline int PassSize(int total, int start, int step) {
    return total > start ? (total - start + step - 1) / step : 0;
}

}  // namespace

// One decode of one PNG data stream; made by TGLDPNG for each load.
class TGLDPNGReadStream {
public:
    TGLDPNGReadStream(TGLDPNG& owner, const uint8_t* data, size_t size)
        : m_Owner(owner), m_Data(data), m_Size(size) {}
    ~TGLDPNGReadStream() {
        if (m_ZlibStarted) inflateEnd(&m_Zlib);
    }
    TGLDPNGReadStream(const TGLDPNGReadStream&) = delete;
    TGLDPNGReadStream& operator=(const TGLDPNGReadStream&) = delete;

    // Returns how many bytes were used.
    size_t Decode();

private:
    void ReadHeader(const uint8_t* body, size_t size);
    // What one picture's rows are and where they go, settled before any data is inflated.
    struct Layout {
        RowKind kind = RowKind::Byte8;
        int channels = 1;
        int bitmapBits = 8;
        int width = 0, height = 0;
        uint64_t bitsPerPixel = 0;
        size_t bpp = 1;
        const Pass* passes = kWhole;
        int passCount = 1;
        uint64_t rawSize = 0;  // every pass's rows with their filter bytes
        platform::Bitmap* image = nullptr;
        platform::Bitmap* map = nullptr;  // the transparency map, when there is one
    };
    void ReadImage(const uint8_t* body, size_t size);
    void ChooseRows(Layout& layout) const;
    void MeasureRows(Layout& layout, size_t size) const;
    void PrepareBitmaps(Layout& layout);
    // False, with the position put back, where the data is not exactly what the header says.
    bool DecodeWhole(const Layout& layout, const uint8_t* body, size_t size);
    void DecodeStreaming(const Layout& layout, const uint8_t* body, size_t size);
    bool Inflate(uint8_t* out, size_t size);
    bool InflateWhole(const uint8_t* body, size_t size, uint8_t* out, size_t rawSize);
    bool NextIdat();
    void SettleTransparency();

    TGLDPNG& m_Owner;
    const uint8_t* m_Data;
    size_t m_Size;
    size_t m_Pos = 0;

    bool m_HaveHeader = false;
    uint32_t m_Width = 0;
    uint32_t m_Height = 0;
    int m_Depth = 0;
    int m_ColorType = 0;  // 0 grey, 2 truecolour, 3 indexed, alpha split off
    bool m_AlphaChannel = false;
    bool m_Interlaced = false;

    uint32_t m_Palette[256] = {};  // 0x00BBGGRR, unlisted entries black
    std::vector<uint8_t> m_Trns;
    bool m_HaveTrns = false;
    bool m_ImageDone = false;

    z_stream m_Zlib{};
    bool m_ZlibStarted = false;
};

size_t TGLDPNGReadStream::Decode() {
    // Some tools put a 128-byte file-system header in front of picture files.
    if (m_Size > 128 && m_Data[0] == 0 && m_Data[74] == 0) m_Pos = 128;
    if (m_Size - m_Pos < 8 || std::memcmp(m_Data + m_Pos, kSignature, 8) != 0) {
        m_Pos = std::min(m_Size, m_Pos + 8);
        Fail(kNotPng);
    }
    m_Pos += 8;

    m_Owner.m_HasAlpha = false;
    m_Owner.m_Transparent = false;
    m_Owner.m_TransparentColor = 0;
    m_Owner.m_TransparentIndex = -1;
    m_Owner.AlphaBitmap().SetFormat(0, 0, 8);

    for (;;) {
        // Reads past the end yield zeros and stop the chunk loop.
        if (m_Size - m_Pos < 8) {
            m_Pos = m_Size;
            break;
        }
        uint32_t length = Be32(m_Data + m_Pos);
        uint32_t type = Be32(m_Data + m_Pos + 4);
        m_Pos += 8;
        size_t avail = std::min<size_t>(length, m_Size - m_Pos);
        const uint8_t* body = m_Data + m_Pos;
        bool truncated = avail < length;
        m_Pos += avail;
        m_Pos += std::min<size_t>(4, m_Size - m_Pos);  // CRC, not checked

        if (type == kIHDR) {
            ReadHeader(body, avail);
        } else if (type == kPLTE) {
            size_t count = std::min<size_t>(avail / 3, 256);
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* p = body + 3 * i;
                m_Palette[i] = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
            }
        } else if (type == kTRNS) {
            m_Trns.assign(body, body + std::min<size_t>(avail, 256));
            m_HaveTrns = true;
        } else if (type == kTPNG) {
            // The private chunk ("ZAV3", password flag, palette flag): the engine sets no
            // password and never enables the palette option, so it changes nothing.
        } else if (type == kIDAT) {
            if (!m_ImageDone) ReadImage(body, avail);
        } else if (type == kIEND) {
            break;
        }
        if (truncated) break;
    }

    // A stream without any image data has nothing to show.
    if (!m_ImageDone) Fail(kReadError);
    SettleTransparency();
    m_Owner.Image().Changed();
    return m_Pos;
}

void TGLDPNGReadStream::ReadHeader(const uint8_t* body, size_t size) {
    if (m_HaveHeader) Fail(kTwoHeaders);
    uint8_t h[13] = {};
    std::memcpy(h, body, std::min<size_t>(size, sizeof h));
    m_Width = Be32(h);
    m_Height = Be32(h + 4);
    m_Depth = h[8];
    int type = h[9] % 8;
    m_AlphaChannel = (type & 4) != 0;
    m_ColorType = type & 3;
    if (m_ColorType == 1 || type == 7) Fail(kColorType);
    if (h[10] >= 2) Fail(kCompression);
    if (h[11] >= 2) Fail(kFilter);
    if (h[12] >= 2) Fail(kInterlace);
    m_Interlaced = h[12] == 1;
    m_HaveHeader = true;
}

void TGLDPNGReadStream::ReadImage(const uint8_t* body, size_t size) {
    if (!m_HaveHeader) Fail(kReadError);
    Layout layout;
    ChooseRows(layout);
    MeasureRows(layout, size);
    PrepareBitmaps(layout);
    // The whole image in one call where the data is exactly what the header promises;
    // anything else (a short or long stream, a damaged one, a preset dictionary) is decoded
    // by the streaming inflate, which reads it exactly as far as it goes.
    if (!DecodeWhole(layout, body, size)) DecodeStreaming(layout, body, size);
    m_ImageDone = true;
}

void TGLDPNGReadStream::ChooseRows(Layout& layout) const {
    if (m_ColorType == 0) {
        if (m_AlphaChannel && m_Depth < 8) Fail(kGreyAlpha);
        if (m_AlphaChannel) {
            if (m_Depth != 8 && m_Depth != 16) Fail(kGreyDepth);
            layout.channels = 2;
            layout.kind = m_Depth == 8 ? RowKind::GreyA8 : RowKind::GreyA16;
        } else {
            switch (m_Depth) {
                case 1:
                    layout.kind = RowKind::Bits1;
                    layout.bitmapBits = 1;
                    break;
                case 2:
                    layout.kind = RowKind::Bits2;
                    break;
                case 4:
                    layout.kind = RowKind::Bits4;
                    break;
                case 8:
                    layout.kind = RowKind::Byte8;
                    break;
                case 16:
                    layout.kind = RowKind::Grey16;
                    break;
                default:
                    Fail(kGreyDepth);
            }
        }
    } else if (m_ColorType == 2) {
        if (m_Depth != 8 && m_Depth != 16) Fail(kDepth);
        layout.channels = m_AlphaChannel ? 4 : 3;
        layout.kind = m_AlphaChannel ? (m_Depth == 8 ? RowKind::Rgba8 : RowKind::Rgba16)
                                     : (m_Depth == 8 ? RowKind::Rgb8 : RowKind::Rgb16);
        layout.bitmapBits = 24;
    } else {
        switch (m_Depth) {
            case 1:
                layout.kind = RowKind::Bits1;
                layout.bitmapBits = 1;
                break;
            case 2:
                layout.kind = RowKind::Bits2;
                break;
            case 4:
                layout.kind = RowKind::Bits4;
                break;
            case 8:
                layout.kind = RowKind::Byte8;
                break;
            default:
                Fail(kDepth);
        }
    }
}

void TGLDPNGReadStream::MeasureRows(Layout& layout, size_t size) const {
    // PNG allows sizes up to 2^31 - 1, but no bitmap row that long can be addressed; 2^24
    // pixels either way is far beyond any picture a game shows.
    if (m_Width == 0 || m_Height == 0 || m_Width > kMaxSide || m_Height > kMaxSide ||
        !platform::PictureLimits::Allowed(m_Width, m_Height, m_AlphaChannel ? 32 : 24))
        Fail(kReadError);
    layout.width = int(m_Width);
    layout.height = int(m_Height);
    layout.bitsPerPixel = uint64_t(layout.channels) * uint64_t(m_Depth);
    layout.bpp = std::max<size_t>(1, size_t(layout.bitsPerPixel / 8));
    layout.passes = m_Interlaced ? kAdam7 : kWhole;
    layout.passCount = m_Interlaced ? 7 : 1;
    layout.rawSize = 0;
    for (int p = 0; p < layout.passCount; ++p) {
        uint64_t w = uint64_t(PassSize(layout.width, layout.passes[p].x0, layout.passes[p].dx));
        uint64_t h = uint64_t(PassSize(layout.height, layout.passes[p].y0, layout.passes[p].dy));
        if (w != 0) layout.rawSize += h * ((w * layout.bitsPerPixel + 7) / 8 + 1);
    }
    const uint64_t available = uint64_t(size) + uint64_t(m_Size - m_Pos);
    if (layout.rawSize > available * kMaxInflateRatio + 4096) Fail(kReadError);
}

void TGLDPNGReadStream::PrepareBitmaps(Layout& layout) {
    const int width = layout.width;
    const int height = layout.height;
    platform::Bitmap& image = m_Owner.Image();
    if (layout.kind == RowKind::Bits2 || layout.kind == RowKind::Bits4) {
        // 2- and 4-bit samples go to a 4-bit bitmap; where the platform has none, to 8 bits.
        image.SetFormat(width, height, 4);
        if (image.BitsPerPixel() == 4) {
            layout.bitmapBits = 4;
            layout.kind = layout.kind == RowKind::Bits2 ? RowKind::Nibble2 : RowKind::Nibble4;
        }
    }
    if (layout.bitmapBits != 4) image.SetFormat(width, height, layout.bitmapBits);
    if (image.Empty() || image.Width() != width || image.Height() != height ||
        image.BitsPerPixel() != layout.bitmapBits)
        Fail(kReadError);
    image.ClearTransparent();
    if (m_ColorType == 0 && !m_AlphaChannel && m_Depth < 8) {
        uint32_t grey[16];
        int levels = 1 << m_Depth;
        int step = 255 / (levels - 1);
        for (int i = 0; i < levels; ++i) grey[i] = uint32_t(i * step) * 0x010101u;
        image.SetPalette(grey, levels);
    }
    layout.image = &image;
    if (m_AlphaChannel) {
        platform::Bitmap* map = &m_Owner.AlphaBitmap();
        map->SetFormat(width, height, 8);
        if (map->Empty() || map->Width() != width || map->Height() != height) Fail(kReadError);
        layout.map = map;
    }
}

bool TGLDPNGReadStream::DecodeWhole(const Layout& layout, const uint8_t* body, size_t size) {
    const size_t idatEnd = m_Pos;
    const size_t whole = size_t(layout.rawSize);
    Scratch& scratch = TheScratch();
    if (scratch.raw.size() < whole + kPad) scratch.raw.resize(whole + kPad);
    const ScratchTrim trim{scratch};
    uint8_t* const raw = scratch.raw.data();
    std::memset(raw + whole, 0, kPad);
    if (!InflateWhole(body, size, raw, whole)) {
        m_Pos = idatEnd;
        return false;
    }
    platform::Bitmap& image = *layout.image;
    platform::Bitmap* const map = layout.map;
    const RowKind kind = layout.kind;
    const uint64_t bitsPerPixel = layout.bitsPerPixel;
    const size_t bpp = layout.bpp;
    std::vector<uint8_t> zero;
    size_t offset = 0;
    for (int p = 0; p < layout.passCount; ++p) {
        const Pass& pass = layout.passes[p];
        const int passWidth = PassSize(layout.width, pass.x0, pass.dx);
        const int passHeight = PassSize(layout.height, pass.y0, pass.dy);
        if (passWidth == 0 || passHeight == 0) continue;
        const size_t rowBytes = size_t((uint64_t(passWidth) * bitsPerPixel + 7) / 8);
        const size_t stride = rowBytes + 1;
        zero.assign(stride + kPad, 0);
        const uint8_t* prev = zero.data();
        for (int y = 0; y < passHeight; ++y) {
            uint8_t* row = raw + offset;
            if (!Unfilter(row[0], row + 1, prev + 1, rowBytes, bpp)) Fail(kReadError);
            const int target = pass.y0 + y * pass.dy;
            ConvertRowFast(kind, row + 1, passWidth, pass.x0, pass.dx, image.ScanLine(target),
                           map ? map->ScanLine(target) : nullptr);
            prev = row;
            offset += stride;
        }
    }
    return true;
}

void TGLDPNGReadStream::DecodeStreaming(const Layout& layout, const uint8_t* body, size_t size) {
    if (inflateInit(&m_Zlib) != Z_OK) Fail(kZlib);
    m_ZlibStarted = true;
    // Like the chunk CRCs the stream's checksum is not checked: rows stop being read when the
    // picture is complete, usually before zlib reaches it, and summing costs time on every byte.
    inflateValidate(&m_Zlib, 0);
    m_Zlib.next_in = const_cast<Bytef*>(body);
    m_Zlib.avail_in = uInt(size);

    platform::Bitmap& image = *layout.image;
    platform::Bitmap* const map = layout.map;
    const RowKind kind = layout.kind;
    const uint64_t bitsPerPixel = layout.bitsPerPixel;
    const size_t bpp = layout.bpp;
    std::vector<uint8_t> buffer;
    for (int p = 0; p < layout.passCount; ++p) {
        const Pass& pass = layout.passes[p];
        const int passWidth = PassSize(layout.width, pass.x0, pass.dx);
        const int passHeight = PassSize(layout.height, pass.y0, pass.dy);
        if (passWidth == 0 || passHeight == 0) continue;
        const size_t rowBytes = size_t((uint64_t(passWidth) * bitsPerPixel + 7) / 8);
        const size_t stride = rowBytes + 1;
        // A few rows at a time keep zlib's calls few and the rows in cache.
        const int batch = int(std::clamp<size_t>(65536 / stride, 1, size_t(passHeight)));
        buffer.assign(stride * size_t(batch + 1) + kPad, 0);  // slot 0: the previous row
        int y = 0;
        while (y < passHeight) {
            if (platform::QuitRequest::IsSet()) Fail(kReadError);
            const int rows = std::min(batch, passHeight - y);
            const bool complete = Inflate(buffer.data() + stride, stride * size_t(rows));
            const int ready =
                complete ? rows : int((m_Zlib.next_out - (buffer.data() + stride)) / stride);
            for (int r = 0; r < ready; ++r) {
                uint8_t* row = buffer.data() + stride * size_t(r + 1);
                const uint8_t* prev = row - stride;
                if (!Unfilter(row[0], row + 1, prev + 1, rowBytes, bpp)) Fail(kReadError);
                const int target = pass.y0 + (y + r) * pass.dy;
                ConvertRowFast(kind, row + 1, passWidth, pass.x0, pass.dx,
                               image.ScanLine(target), map ? map->ScanLine(target) : nullptr);
            }
            if (!complete) Fail(kReadError);
            std::memcpy(buffer.data(), buffer.data() + stride * size_t(rows), stride);
            y += rows;
        }
    }
}

bool TGLDPNGReadStream::Inflate(uint8_t* out, size_t size) {
    m_Zlib.next_out = out;
    m_Zlib.avail_out = uInt(size);
    while (m_Zlib.avail_out > 0) {
        if (m_Zlib.avail_in == 0) {
            if (!NextIdat()) return false;
            continue;
        }
        int rc = inflate(&m_Zlib, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) return m_Zlib.avail_out == 0;
        if (rc != Z_OK && !(rc == Z_BUF_ERROR && m_Zlib.avail_in == 0)) return false;
    }
    return true;
}

// The IDAT chunks that follow at once, joined, as one zlib stream inflated by libdeflate into
// exactly `rawSize` bytes. On success the position is after the last of them.
bool TGLDPNGReadStream::InflateWhole(const uint8_t* body, size_t size, uint8_t* out,
                                     size_t rawSize) {
    // Two walks over the chunks: the first finds the joined size, the second copies.
    auto walk = [&](uint8_t* to) {
        size_t pos = m_Pos;
        size_t total = size;
        if (to) std::memcpy(to, body, size);
        while (m_Size - pos >= 8 && Be32(m_Data + pos + 4) == kIDAT) {
            const uint32_t length = Be32(m_Data + pos);
            pos += 8;
            const size_t avail = std::min<size_t>(length, m_Size - pos);
            if (to) std::memcpy(to + total, m_Data + pos, avail);
            total += avail;
            pos += avail;
            pos += std::min<size_t>(4, m_Size - pos);
            if (avail < length) break;
        }
        return std::pair{pos, total};
    };
    const auto [pos, inSize] = walk(nullptr);
    const uint8_t* in = body;
    if (pos != m_Pos) {
        std::vector<uint8_t>& joined = TheScratch().joined;
        if (joined.size() < inSize) joined.resize(inSize);
        walk(joined.data());
        in = joined.data();
    }
    // zlib's header: deflate, a window zlib accepts, the check bits, no preset dictionary.
    if (inSize < 2 || (in[0] & 0x0F) != 8 || (in[0] >> 4) > 7 ||
        ((uint32_t(in[0]) << 8) | in[1]) % 31 != 0 || (in[1] & 0x20) != 0)
        return false;
    struct Free {
        void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
    };
    thread_local std::unique_ptr<libdeflate_decompressor, Free> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor) return false;
    size_t used = 0;
    size_t made = 0;
    // Like the chunk CRCs the stream's Adler-32 is not checked, as with the streaming inflate.
    const libdeflate_result rc = libdeflate_deflate_decompress_ex(
        decompressor.get(), in + 2, inSize - 2, out, rawSize, &used, &made);
    if (rc != LIBDEFLATE_SUCCESS || made != rawSize) return false;
    m_Pos = pos;
    return true;
}

// The compressed data continues only in an IDAT chunk that follows at once.
bool TGLDPNGReadStream::NextIdat() {
    if (m_Size - m_Pos < 8) return false;
    uint32_t length = Be32(m_Data + m_Pos);
    if (Be32(m_Data + m_Pos + 4) != kIDAT) return false;
    m_Pos += 8;
    size_t avail = std::min<size_t>(length, m_Size - m_Pos);
    m_Zlib.next_in = const_cast<Bytef*>(m_Data + m_Pos);
    m_Zlib.avail_in = uInt(avail);
    m_Pos += avail;
    m_Pos += std::min<size_t>(4, m_Size - m_Pos);
    return avail > 0 || avail == length;
}

void TGLDPNGReadStream::SettleTransparency() {
    platform::Bitmap& image = m_Owner.Image();
    if (m_ColorType == 3) {
        int count = m_Depth == 8 ? 256 : 1 << m_Depth;
        image.SetPalette(m_Palette, count);
        if (!m_HaveTrns) return;
        uint8_t alpha[256];
        std::fill(alpha, alpha + 256, uint8_t(255));
        std::copy(m_Trns.begin(), m_Trns.end(), alpha);
        int clear = 0;
        int opaque = 0;
        int clearIndex = -1;
        for (int i = 0; i < 256; ++i) {
            if (alpha[i] == 0) {
                ++clear;
                clearIndex = i;
            } else if (alpha[i] == 255) {
                ++opaque;
            }
        }
        if (clear == 1 && opaque == 255) {
            m_Owner.m_Transparent = true;
            m_Owner.m_TransparentIndex = clearIndex;
            m_Owner.m_TransparentColor = m_Palette[clearIndex];
            image.SetTransparentColour(m_Palette[clearIndex]);
            return;
        }
        uint8_t inverse[256];
        for (int i = 0; i < 256; ++i) inverse[i] = uint8_t(255 - alpha[i]);
        platform::Bitmap& map = m_Owner.AlphaBitmap();
        const int width = image.Width();
        const int height = image.Height();
        map.SetFormat(width, height, 8);
        if (map.Empty() || map.Width() != width || map.Height() != height) Fail(kReadError);
        for (int y = 0; y < height; ++y) {
            const uint8_t* s = image.ScanLine(y);
            uint8_t* m = map.ScanLine(y);
            if (image.BitsPerPixel() == 1) {
                for (int x = 0; x < width; ++x) m[x] = inverse[(s[x >> 3] >> (7 - (x & 7))) & 1];
            } else if (image.BitsPerPixel() == 4) {
                for (int x = 0; x < width; ++x)
                    m[x] = inverse[(s[x >> 1] >> (4 - 4 * (x & 1))) & 15];
            } else {
                for (int x = 0; x < width; ++x) m[x] = inverse[s[x]];
            }
        }
        m_Owner.m_HasAlpha = true;
        return;
    }
    if (m_AlphaChannel) {
        m_Owner.m_HasAlpha = true;
        return;
    }
    if (!m_HaveTrns) return;
    // A tRNS colour beyond what the depth can hold matches no pixel.
    uint8_t t[6] = {};
    std::copy(m_Trns.begin(), m_Trns.begin() + std::min<size_t>(m_Trns.size(), 6), t);
    const uint32_t limit = (1u << m_Depth) - 1;
    auto level = [&](uint32_t v, uint8_t& out) {
        if (v > limit) return false;
        // Below 8 bits the level is scaled as the grey palette is; 16 bits keep the high byte.
        out = m_Depth == 16 ? uint8_t(v >> 8) : uint8_t(v * (255 / limit));
        return true;
    };
    if (m_ColorType == 0) {
        uint8_t g;
        if (!level(Be16(t), g)) return;
        m_Owner.m_TransparentColor = uint32_t(g) * 0x010101u;
    } else {
        uint8_t r, g, b;
        if (!level(Be16(t), r) || !level(Be16(t + 2), g) || !level(Be16(t + 4), b)) return;
        m_Owner.m_TransparentColor = uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
    }
    m_Owner.m_Transparent = true;
    image.SetTransparentColour(m_Owner.m_TransparentColor);
}

TGLDPNG::TGLDPNG() = default;

size_t TGLDPNG::LoadFromMemory(const uint8_t* data, size_t size) {
    static const uint8_t kNone = 0;
    TGLDPNGReadStream reader(*this, data ? data : &kNone, data ? size : 0);
    try {
        return reader.Decode();
    } catch (const std::bad_alloc&) {
        // A picture too large for memory is as unreadable as a damaged one.
        Fail(kReadError);
    }
}

void TGLDPNG::LoadFromStream(TMemoryStream& stream) {
    const size_t start = stream.Position();
    const size_t used = LoadFromMemory(stream.Data() + start, stream.Size() - start);
    stream.SetPosition(start + used);
}

bool TGLDPNG::AlphaBitmapAssignTo(platform::Bitmap* bitmap) const {
    const platform::Bitmap& map = AlphaBitmap();
    if (map.Empty()) return false;
    if (bitmap) *bitmap = map;
    return true;
}
