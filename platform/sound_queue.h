#pragma once
// A sound output fed in order (a movie's sound): 16-bit stereo at 44100 samples per second,
// played as it is queued. Without a device it takes everything and plays nothing.
#include <cstdint>
#include <vector>

namespace platform {

class SoundQueue {
public:
    SoundQueue() = default;
    ~SoundQueue();
    SoundQueue(const SoundQueue&) = delete;
    SoundQueue& operator=(const SoundQueue&) = delete;

    bool Open();
    void Close();
    void Queue(const std::vector<int16_t>& samples);

private:
    uint32_t m_Device = 0;
    bool m_Started = false;
};

}  // namespace platform
