#pragma once
// A DirectSound secondary buffer (with its notification interface) on the mixer: a ring of
// PCM bytes in the sound's own format, played in a loop from a cursor.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound_types.h"

namespace platform {

class Mixer;

class SoundBuffer {
public:
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // One or two regions (the second when the range wraps). Writes land at Unlock, so the
    // mixer never reads bytes that are being written.
    bool Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1, void** region2,
              uint32_t* length2);
    bool Unlock(void* region1, uint32_t length1, void* region2, uint32_t length2);

    bool Play(uint32_t flags);  // DSBPLAY_LOOPING, else stops at the end of the buffer
    bool Stop();
    bool SetCurrentPosition(uint32_t position);
    bool GetCurrentPosition(uint32_t* play, uint32_t* write) const;
    bool GetStatus(uint32_t* status) const;
    bool Restore();
    // Hundredths of a decibel, DSBVOLUME_MIN (silence) to DSBVOLUME_MAX.
    bool SetVolume(int32_t volume);
    bool GetVolume(int32_t* volume) const;
    // Each event is signalled when the play cursor reaches its offset. The events must
    // outlive the buffer.
    bool SetNotificationPositions(uint32_t count, const DSBPositionNotify* notifies);

    const WaveFormatEx& Format() const { return m_Format; }
    uint32_t Size() const { return static_cast<uint32_t>(m_Data.size()); }

private:
    friend class Mixer;
    SoundBuffer(std::shared_ptr<Mixer> mixer, const DSBufferDesc& desc);

    // Mixer lock held for all of these.
    bool OpenConverter(const WaveFormatEx& output);
    // Copies bytes from the cursor on, firing notifications; stops a buffer that does not
    // loop at its end and pads with silence.
    void Consume(uint8_t* out, uint32_t bytes);
    void MixInto(float* accumulator, size_t frames, const WaveFormatEx& output);
    void ClearConverter();
    // Same-rate source frames to output samples in m_Converted.
    void ToOutput(const uint8_t* source, size_t frames, size_t channels);

    std::shared_ptr<Mixer> m_Mixer;
    WaveFormatEx m_Format;
    uint32_t m_Flags = 0;
    std::vector<uint8_t> m_Data;
    uint32_t m_Cursor = 0;
    bool m_Playing = false;
    bool m_Looping = false;
    bool m_Lost = false;
    int32_t m_Volume = DSBVOLUME_MAX;
    float m_Gain = 1.0f;
    std::vector<DSBPositionNotify> m_Notifies;
    // Lock hands these out; Unlock copies them into the ring.
    std::vector<uint8_t> m_LockStage;
    uint32_t m_LockOffset = 0;
    bool m_Locked = false;
    void* m_Converter = nullptr;  // SDL_AudioStream when the format differs from the output
    bool m_SameRate = false;
    std::vector<uint8_t> m_Feed;
    std::vector<int16_t> m_Converted;
};

}  // namespace platform
