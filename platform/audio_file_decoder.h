#pragma once
// A sound file of any kind FFmpeg reads (Ogg Vorbis, WAVE, FLAC) as a CD track.
#include <memory>
#include <string>

#include "platform/cd_track_reader.h"

namespace platform {

class AudioFileDecoder : public CdTrackReader {
public:
    AudioFileDecoder();
    ~AudioFileDecoder() override;
    AudioFileDecoder(const AudioFileDecoder&) = delete;
    AudioFileDecoder& operator=(const AudioFileDecoder&) = delete;

    // A host path (UTF-8); false when it holds no sound this build can decode.
    bool Open(const std::string& hostPath);
    // Length in frames of 44100 per second, as the file states it; 0 when unknown.
    int64_t Samples() const;
    bool Seek(int64_t sample) override;
    int64_t Read(int16_t* out, int64_t count) override;

private:
    struct State;
    std::unique_ptr<State> m;
};

}  // namespace platform
