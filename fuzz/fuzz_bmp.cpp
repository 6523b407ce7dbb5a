// Windows bitmaps arrive from archives and the resource library: any bytes must load or be
// refused, and a loaded picture must be readable and switchable in bounds.
#include <cstddef>
#include <cstdint>

#include "platform/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::Bitmap bitmap;
    if (!bitmap.LoadFromBmp(data, size)) return 0;
    const int w = bitmap.Width(), h = bitmap.Height();
    uint32_t sum = 0;
    for (int y = 0; y < h && y < 64; ++y)
        for (int x = 0; x < w && x < 64; ++x) sum += bitmap.Pixel(x, y);
    if (static_cast<int64_t>(w) * h <= 4096) bitmap.SetPixelFormat(platform::PixelFormat::Bit32);
    return static_cast<int>(sum & 0);
}
