#pragma once
// What the engine does to pictures beyond plain copying: drawing through a transparency map or
// a mask, the colour filters of transitions and effects, the diagonal line patterns of the wave
// transition, and smooth text. Each layer owns one.
#include <cstdint>
#include <limits>
#include <string>

#include "graphics/pixel_kernels.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"

class TyxImage {
public:
    // Binds the blend kernels of the pixel format (platform::PixelFormat code) and family; the
    // vector flag takes the processor's best vector family. Rebuilds the product table.
    TyxImage(uint8_t pixelFormat, bool useMmx);

    // Draws the whole source (width × height) with its top-left at (x, y), each pixel mixed by
    // the transparency map (0 shows the source, 255 keeps the target), clipped to the target;
    // mirrored draws it flipped left to right into the same rectangle. Only the target rows
    // [rowBegin, rowEnd) are touched.
    void BlendDraw(platform::Bitmap& target, int x, int y, platform::Bitmap& source,
                   const platform::Bitmap& map, int width, int height, bool mirrored,
                   int rowBegin = 0, int rowEnd = std::numeric_limits<int>::max());
    // Mask AND, then picture OR, over the picture's rectangle; the mask is white where the picture
    // is transparent, the picture black there.
    void MaskDraw(platform::Canvas& target, int x, int y, const platform::Bitmap& picture,
                  const platform::Bitmap& mask);
    void MaskDrawMirrored(platform::Canvas& target, int x, int y, const platform::Bitmap& picture,
                          const platform::Bitmap& mask);

    // Colour filters on the blue, green and red bytes; pictures not in the 24-bit format are
    // switched to it for the call.
    void Brightness(platform::Bitmap& bitmap, int amount);
    void Gamma(platform::Bitmap& bitmap, double value);
    void Sepia(platform::Bitmap& bitmap);
    void Contrast(platform::Bitmap& bitmap, double factor);

    // Lines with the bitmap's pen from (i, 0) to (i - height, height) for every i whose residue
    // mod steps is at most step mod steps; the Over form first copies the picture and draws the
    // lines of the residues above it.
    void DiagonalLines(platform::Bitmap& bitmap, int step, int steps);
    void DiagonalLinesOver(platform::Bitmap& bitmap, const platform::Bitmap& picture, int step,
                           int steps);
    // The same results when steps 0 to step - 1 were drawn just before on the same bitmap:
    // only what this step changes is drawn.
    void DiagonalLinesStep(platform::Bitmap& bitmap, int step, int steps);
    void DiagonalLinesOverStep(platform::Bitmap& bitmap, const platform::Bitmap& picture, int step,
                               int steps);

    // The first length bytes of text, drawn at twice the size over the surface's own pixels and
    // averaged down; false (nothing drawn) when a step fails, e.g. for empty text.
    bool TextOutSmooth(platform::Canvas& surface, int x, int y, const std::string& text,
                       int length);

    // Truncates toward zero, makes a positive odd level even by adding one, clamps to 0..255.
    static uint8_t Level(double value);

    uint8_t PixelFormatCode() const { return m_PixelFormat; }
    bool UseMmx() const { return m_UseMmx; }
    TPixelFamily Family() const { return m_Family; }

private:
    void ApplyTable(platform::Bitmap& bitmap, const uint8_t* table);

    uint8_t m_PixelFormat;
    bool m_UseMmx;
    TPixelFamily m_Family;
    TBlendKernels m_Kernels;
    platform::Bitmap m_Large;  // smooth text's double-size surface
};
