#include "graphics/pixel_kernels.h"

#include <algorithm>
#include <cstring>

#include "graphics/map_spans.h"
#include "graphics/pixel_rows.h"

using platform::Bitmap;
using platform::PixelFormat;

namespace {

uint16_t g_ProductTable[65536];
std::optional<TPixelFamily> g_ForcedFamily;

const TPixelRows& RowsOf(TPixelFamily family) {
    switch (family) {
        case TPixelFamily::Plain:
            return PlainPixelRows();
        case TPixelFamily::Avx2:
            return CpuHasAvx2() ? Avx2PixelRows() : Sse2PixelRows();
        case TPixelFamily::Avx512:
            return CpuHasAvx512() ? Avx512PixelRows()
                                  : CpuHasAvx2() ? Avx2PixelRows() : Sse2PixelRows();
        default:
            return Sse2PixelRows();
    }
}

enum Layout { kOther = 0, k555 = 2, k24 = 3, k32 = 4 };

Layout LayoutOf(PixelFormat format) {
    switch (format) {
        case PixelFormat::Bit32:
            return k32;
        case PixelFormat::Bit24:
            return k24;
        case PixelFormat::Bit15:
        case PixelFormat::Bit16:
            return k555;
        default:
            return kOther;
    }
}

bool Inside(const Bitmap& b, int x, int y, int w, int h) {
    return x >= 0 && y >= 0 && x + w <= b.Width() && y + h <= b.Height();
}

using TRow = void (*)(uint8_t* t, const uint8_t* s, const uint8_t* m, int w, bool mirrored);

// Rows through the map's span index: shown runs copied, hidden ones skipped, runs of one value
// mixed with fixed weights, the rest by the row kernel on its stretch. Only for kernels that
// give the source and the target exactly at 0 and 255 and treat every pixel alike, so cutting
// a row changes no byte.
void SpanRows(const TPixelRows& rows, const TMapSpans& spans, bool mirrored, Bitmap& target,
              int x, int y, Bitmap& source, int sx, int sy, int w, int h, const Bitmap& map) {
    for (int i = 0; i < h; ++i) {
        uint8_t* t = target.ScanLine(y + i) + static_cast<ptrdiff_t>(x) * 4;
        const uint8_t* s =
            static_cast<const Bitmap&>(source).ScanLine(sy + i) + static_cast<ptrdiff_t>(sx) * 4;
        const uint8_t* m = map.ScanLine(sy + i) + sx;
        for (const TMapSpans::TRun& run : spans.Row(sy + i)) {
            const int begin = std::max(run.begin - sx, 0), end = std::min(run.end - sx, w);
            if (begin >= end) continue;
            // Mirrored, source columns [begin, end) land on target columns [w - end, w - begin).
            uint8_t* tp = t + 4 * static_cast<ptrdiff_t>(mirrored ? w - end : begin);
            const uint8_t* sp = s + 4 * begin;
            if (run.kind == TMapSpans::kShown && !mirrored)
                std::memcpy(tp, sp, static_cast<size_t>(end - begin) * 4);
            else if (run.kind == TMapSpans::kUniform && !mirrored && rows.uniform32)
                rows.uniform32(tp, sp, run.value, end - begin);
            else
                rows.blend32(tp, sp, m + begin, end - begin, mirrored);
        }
    }
}

void Rows(const TPixelRows& rows, Layout layout, bool mirrored, Bitmap& target, int x, int y,
          Bitmap& source, int sx, int sy, int w, int h, const Bitmap& map, bool exact) {
    auto row = layout == k32 ? rows.blend32 : layout == k24 ? rows.blend24 : rows.blend555;
    if (exact && layout == k32) {
        if (auto spans = TMapSpans::For(map))
            return SpanRows(rows, *spans, mirrored, target, x, y, source, sx, sy, w, h, map);
    }
    const int bytes = static_cast<int>(layout);
    for (int i = 0; i < h; ++i) {
        uint8_t* t = target.ScanLine(y + i) + static_cast<ptrdiff_t>(x) * bytes;
        const uint8_t* s = static_cast<const Bitmap&>(source).ScanLine(sy + i) +
                           static_cast<ptrdiff_t>(sx) * bytes;
        const uint8_t* m = map.ScanLine(sy + i) + sx;
        row(t, s, m, w, mirrored);
    }
}

// Pictures not in the bound layout are switched to it for the call (the other-format kernels
// do this by design; for the fixed layouts it keeps a wrong caller from reading out of bounds).
template <TPixelFamily Family, bool Mirrored, Layout Bound>
void Kernel(Bitmap& target, int x, int y, Bitmap& source, int sx, int sy, int w, int h,
            const Bitmap& map) {
    if (w <= 0 || h <= 0) return;
    if (!Inside(target, x, y, w, h) || !Inside(source, sx, sy, w, h) ||
        !Inside(map, sx, sy, w, h) || map.GetPixelFormat() != PixelFormat::Bit8)
        return;
    Layout layout = Bound == kOther ? (Family == TPixelFamily::Plain ? k24 : k32) : Bound;
    const PixelFormat targetFormat = target.GetPixelFormat(),
                      sourceFormat = source.GetPixelFormat();
    const bool switched = LayoutOf(targetFormat) != layout || LayoutOf(sourceFormat) != layout;
    if (switched) {
        const PixelFormat want = layout == k32   ? PixelFormat::Bit32
                                 : layout == k24 ? PixelFormat::Bit24
                                                 : PixelFormat::Bit15;
        target.SetPixelFormat(want);
        source.SetPixelFormat(want);
        if (LayoutOf(target.GetPixelFormat()) != layout ||
            LayoutOf(source.GetPixelFormat()) != layout)
            return;
    }
    // The plain family copies three bytes of a shown 32-bit pixel, not four.
    Rows(RowsOf(Family), layout, Mirrored, target, x, y, source, sx, sy, w, h, map,
         Family != TPixelFamily::Plain);
    if (switched) {
        if (targetFormat != PixelFormat::Custom) target.SetPixelFormat(targetFormat);
        if (sourceFormat != PixelFormat::Custom) source.SetPixelFormat(sourceFormat);
    }
}

template <TPixelFamily Family>
TBlendKernels KernelsOf(Layout layout) {
    switch (layout) {
        case k32:
            return {Kernel<Family, false, k32>, Kernel<Family, true, k32>};
        case k24:
            return {Kernel<Family, false, k24>, Kernel<Family, true, k24>};
        case k555:
            return {Kernel<Family, false, k555>, Kernel<Family, true, k555>};
        default:
            return {Kernel<Family, false, kOther>, Kernel<Family, true, kOther>};
    }
}

}  // namespace

TBlendKernels BlendKernelsFor(uint8_t pixelFormat, TPixelFamily family) {
    const Layout layout = pixelFormat <= static_cast<uint8_t>(PixelFormat::Custom)
                              ? LayoutOf(static_cast<PixelFormat>(pixelFormat))
                              : kOther;
    switch (family) {
        case TPixelFamily::Plain:
            return KernelsOf<TPixelFamily::Plain>(layout);
        case TPixelFamily::Sse2:
            return KernelsOf<TPixelFamily::Sse2>(layout);
        case TPixelFamily::Avx2:
            return KernelsOf<TPixelFamily::Avx2>(layout);
        default:
            return KernelsOf<TPixelFamily::Avx512>(layout);
    }
}

bool CpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

bool CpuHasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vl");
    return has;
}

TPixelFamily VectorFamily() {
    if (g_ForcedFamily) return *g_ForcedFamily;
    if (CpuHasAvx512()) return TPixelFamily::Avx512;
    return CpuHasAvx2() ? TPixelFamily::Avx2 : TPixelFamily::Sse2;
}

void ForceVectorFamily(std::optional<TPixelFamily> family) {
    g_ForcedFamily = family;
}

void BuildProductTable() {
    for (uint32_t i = 0; i < 256; ++i)
        for (uint32_t j = 0; j < 256; ++j)
            g_ProductTable[i * 256 + j] = static_cast<uint16_t>(i * j);
}

const uint16_t* ProductTable() {
    // Kernels fetched without an image object still find the table filled.
    static const bool built = (BuildProductTable(), true);
    (void)built;
    return g_ProductTable;
}
