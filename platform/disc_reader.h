#pragma once
// An audio disc in a CD drive read as digital audio through libcdio-paranoia, which corrects
// jitter and retries scratches, one sector of 588 stereo frames at a time.
#include <memory>
#include <mutex>

#include "platform/cd_track_reader.h"

namespace platform {

class CdStreamDevice;

class DiscReader : public CdTrackReader {
public:
    struct Disc;
    DiscReader(std::shared_ptr<Disc> disc, int track);
    ~DiscReader() override;

    // A device over the audio disc of a drive (0 = a:, -1 none named: the first drive with
    // an audio disc); null when no drive holds one.
    static std::unique_ptr<CdStreamDevice> OpenDevice(int drive);

    bool Seek(int64_t sample) override;
    int64_t Read(int16_t* out, int64_t count) override;

private:
    std::shared_ptr<Disc> m_Disc;
    int m_Track;
    int64_t m_Sample = 0;  // from the track's start
    int64_t m_Length = 0;
};

}  // namespace platform
