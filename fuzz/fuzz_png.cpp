// PNG files arrive from game folders and archives: any bytes must decode or raise the
// decoder's error, never read outside the data.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "graphics/gldpng.h"
#include "resources/engine_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact copy, so a read past the end is a sanitizer error rather than luck.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(exact.get(), data, size);
    TGLDPNG png;
    try {
        png.LoadFromMemory(exact.get(), size);
    } catch (const EEngineError&) {
        return 0;
    }
    const platform::Bitmap& image = png.Image();
    if (image.Empty()) __builtin_trap();
    if (png.HasAlpha() && (png.AlphaBitmap().Width() != image.Width() ||
                           png.AlphaBitmap().Height() != image.Height()))
        __builtin_trap();
    return 0;
}
