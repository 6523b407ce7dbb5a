#pragma once
// A movie file read in order: its pictures as 32-bit images with their times, and its sound
// as 16-bit stereo at 44100 samples per second.
#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class VideoDecoder {
public:
    VideoDecoder();
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // A game path; false when it is no movie this build can show.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const;
    // The next picture and its time in ms from the start; the sound met on the way is
    // appended to sound. False at the end of the movie or where it is damaged.
    bool NextFrame(QImage& picture, int64_t& ms, std::vector<int16_t>& sound);

private:
    struct State;
    std::unique_ptr<State> m;
};

}  // namespace platform
