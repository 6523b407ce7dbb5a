#pragma once
// How large a decoded picture and the game screen may be. Generous for real games (a
// picture may be several screens, at least 8192 x 8192), and small enough that a few
// hostile bytes cannot make the engine allocate gigabytes.
#include <cstdint>

namespace platform {

struct PictureLimits {
    static constexpr int64_t kMaxSide = 32768;
    static constexpr int64_t kMaxPixels = int64_t{8192} * 8192;
    static constexpr int64_t kMaxBytes = kMaxPixels * 4;
    static constexpr int64_t kMaxScreenSide = 8192;
    static constexpr int64_t kMaxScreenPixels = int64_t{3840} * 2160 * 2;
    // Progressive JPEGs use about ten scans; thousands only cost time.
    static constexpr int kMaxJpegScans = 100;
    // A decode that runs longer than this is given up as a failed load.
    static constexpr int64_t kMaxDecodeMilliseconds = 3000;

    static constexpr bool Allowed(int64_t width, int64_t height, int bitsPerPixel) {
        return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
               width * height <= kMaxPixels &&
               width * height * ((bitsPerPixel + 7) / 8) <= kMaxBytes;
    }
    static constexpr bool ScreenAllowed(int64_t width, int64_t height) {
        return width > 0 && height > 0 && width <= kMaxScreenSide && height <= kMaxScreenSide &&
               width * height <= kMaxScreenPixels;
    }
};

}  // namespace platform
