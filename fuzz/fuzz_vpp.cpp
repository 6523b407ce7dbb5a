// Masked containers arrive from game folders and archives: any header must be refused or
// split inside the data, and the two PNG files decode or raise the decoder's error.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "graphics/velmor_png_png.h"
#include "resources/engine_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(exact.get(), data, size);
    TyxVelmorPngPng vpp;
    platform::Bitmap picture, mask;
    try {
        vpp.LoadMemory(exact.get(), picture, mask, size);
    } catch (const EEngineError&) {
    }
    return 0;
}
