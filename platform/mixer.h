#pragma once
// The DirectSound device of the sound code: a primary format that the output runs in, and
// secondary buffers that loop in their own PCM format and are mixed into it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/mixer_backend.h"
#include "platform/sound_types.h"

namespace platform {

class SoundBuffer;

class Mixer : public std::enable_shared_from_this<Mixer> {
public:
    using BackendFactory = std::function<std::unique_ptr<MixerBackend>()>;

    // DirectSoundCreate: a device on the installed backend (SDL unless a test chose one).
    static std::shared_ptr<Mixer> Create();
    // Tests choose the backend of later Create calls; an empty factory restores SDL.
    static void SetBackendFactoryForTests(BackendFactory factory);

    explicit Mixer(std::unique_ptr<MixerBackend> backend);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // The primary buffer's format; opens the output. Only 16-bit, one or two channels.
    bool SetPrimaryFormat(const WaveFormatEx& format);
    WaveFormatEx PrimaryFormat() const;
    // A secondary buffer, or null when the description or its format is refused.
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const DSBufferDesc& desc);

    // Writes frames of the primary format, every playing buffer mixed in. Called by the
    // backend; tests call it to move the play cursors by an exact amount.
    void Mix(int16_t* out, size_t frames);
    // The output device went away: every buffer reports itself lost until restored.
    void MarkBuffersLost();
    // Asks the backend whether the device went away, and marks the buffers lost the first
    // time it did; true while it is gone.
    bool CheckDevice();
    // Opens the output again after the device went away; true when it plays again.
    bool ReopenDevice();

private:
    friend class SoundBuffer;

    mutable std::mutex m_Mutex;  // guards everything below and every buffer's state
    std::unique_ptr<MixerBackend> m_Backend;
    bool m_Open = false;
    bool m_DeviceLost = false;
    // Serialises reopening; taken before m_Mutex, never while holding it, because closing
    // the backend waits for a mix that takes m_Mutex.
    std::mutex m_DeviceMutex;
    WaveFormatEx m_Primary;
    std::vector<SoundBuffer*> m_Buffers;
    std::vector<float> m_Accumulator;
};

}  // namespace platform
