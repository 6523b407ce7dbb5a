#pragma once
// The blend kernels behind TyxImage::BlendDraw: mixing a source picture into a target picture
// through an 8-bit transparency map (0 shows the source, 255 keeps the target). The plain
// family reads every product from a shared table; the vector family mixes the bytes of pixels
// in parallel, with SSE2 or, when the processor has them, AVX2 or AVX-512. Both give the same colour
// channels, except the last pixel of a 24-bit row, which the vector family mixes as
// S + (((T - S) * a) >> 8).
#include <cstdint>
#include <optional>

#include "platform/bitmap.h"

enum class TPixelFamily : uint8_t { Plain, Sse2, Avx2, Avx512 };

// The caller has clipped the rectangle to all three pictures.
using TBlendKernel = void (*)(platform::Bitmap& target, int x, int y, platform::Bitmap& source,
                              int sx, int sy, int w, int h, const platform::Bitmap& map);

struct TBlendKernels {
    TBlendKernel plain = nullptr;
    TBlendKernel mirrored = nullptr;
};

// Kernels for a pixel format code (platform::PixelFormat numbering). Other formats switch both
// pictures to 24 (plain) or 32 bits (vector) for the call and back afterwards.
TBlendKernels BlendKernelsFor(uint8_t pixelFormat, TPixelFamily family);

bool CpuHasAvx2();
// AVX-512 with the byte and word instructions and the shorter vectors (F, BW, VL).
bool CpuHasAvx512();
// The family the vector flag stands for: the widest of AVX-512, AVX2 and SSE2 the processor
// has; all three draw the same bytes.
TPixelFamily VectorFamily();
// Tests and benchmarks force a family for the vector flag; nullopt returns to the CPU check.
void ForceVectorFamily(std::optional<TPixelFamily> family);

// The product table: entry [i * 256 + j] = i * j.
void BuildProductTable();
const uint16_t* ProductTable();
