#pragma once
// Plays several sounds at once, one per numbered slot, each streamed through its own
// looping buffer by its own worker.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/mixer.h"
#include "resources/memory_stream.h"
#include "sound/ds_play_thread.h"
#include "sound/sound_stream.h"

class TyxDSPlayer {
public:
    using EndOfSound = TyxDSPlayThread::EndOfSound;
    // The window message a finished sound posts (WM_APP + 1); wParam is the slot.
    static constexpr uint32_t kEndOfSoundMessage = 0x8001;

    explicit TyxDSPlayer(int slotCount);
    ~TyxDSPlayer();
    TyxDSPlayer(const TyxDSPlayer&) = delete;
    TyxDSPlayer& operator=(const TyxDSPlayer&) = delete;

    // Opens the output (the engine asks for 2 channels, 16 bits, 44100 per second).
    // onEnd runs on a worker thread when a sound that does not loop has ended.
    bool Initialize(EndOfSound onEnd, int channels, int bitsPerSample, int samplesPerSecond);
    bool OpenFile(const std::string& path, int slot);
    // The stream stays the caller's; it must live, unchanged, until the slot is reopened or
    // closed.
    bool OpenStream(TyxSoundStream* stream, int slot);
    // A memory stream filled from an archive; the same rules.
    bool OpenStream(TMemoryStream& stream, int slot);
    bool Play(int slot, bool loop);
    bool Stop(int slot);
    // Volume 0 to 100.
    bool SetVolume(int slot, int volume);
    void CloseAll();

    // Hundredths of a decibel for a volume of 0 to 100.
    static int32_t VolumeToAttenuation(int volume);

    int SlotCount() const { return static_cast<int>(m_Slots.size()); }
    TyxDSPlayThread* Slot(int slot) const;
    platform::Mixer* Device() const { return m_Device.get(); }

private:
    TyxDSPlayThread* NewThread(int slot);

    std::shared_ptr<platform::Mixer> m_Device;
    std::vector<std::unique_ptr<TyxDSPlayThread>> m_Slots;
    // Adapters for memory streams given to OpenStream, one per slot.
    std::vector<std::unique_ptr<TyxSoundStream>> m_MemoryStreams;
    EndOfSound m_OnEnd;
};
