#pragma once
// One audio track as 16-bit stereo frames at 44100 per second (588 to a CD frame), read in
// order from any place.
#include <cstdint>

namespace platform {

class CdTrackReader {
public:
    static constexpr int64_t kSamplesPerFrame = 588;
    virtual ~CdTrackReader() = default;
    // Moves to a frame of 44100 per second from the track's start; false when it cannot.
    virtual bool Seek(int64_t sample) = 0;
    // Up to count stereo frames; 0 at the track's end, -1 where the data breaks off.
    virtual int64_t Read(int16_t* out, int64_t count) = 0;
};

}  // namespace platform
