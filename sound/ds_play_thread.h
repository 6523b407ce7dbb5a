#pragma once
// One slot of the streaming player: a three-second looping buffer of three one-second
// segments, refilled by a worker thread as the play cursor leaves each segment.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/auto_reset_event.h"
#include "platform/mixer.h"
#include "platform/sound_buffer.h"
#include "sound/sound_source.h"
#include "sound/sound_stream.h"

class TyxDSPlayThread {
public:
    // Called on the worker thread with the slot index when a sound that does not loop ends;
    // it must not call back into the player (post the news to the main thread instead).
    using EndOfSound = std::function<void(int slot)>;

    enum : uint8_t { StateClosed = 0, StateLoaded = 1, StatePlaying = 2, StateStopped = 4 };

    // The device is borrowed from the player and may be null (every open then fails).
    TyxDSPlayThread(int slot, platform::Mixer* device, EndOfSound onEnd);
    ~TyxDSPlayThread();
    TyxDSPlayThread(const TyxDSPlayThread&) = delete;
    TyxDSPlayThread& operator=(const TyxDSPlayThread&) = delete;

    bool OpenFile(const std::string& path);
    // The stream stays the caller's and must live until the slot is reopened or closed.
    bool OpenStream(TyxSoundStream* stream);
    bool Play();
    bool Stop();
    bool SetVolume(int32_t attenuation);
    void Close();

    void SetLoop(bool loop) { m_Loop = loop; }
    bool Loop() const { return m_Loop; }
    uint8_t State() const { return m_State; }
    bool Running() const { return m_Running; }
    uint32_t SegmentSize() const { return m_SegmentSize; }
    int EndSegment() const { return m_EndSegment; }
    platform::SoundBuffer* Buffer() const { return m_Buffer.get(); }

    // Notifications the worker has finished with (a refill done, or the end handled).
    uint64_t Served() const;
    // Blocks until Served() reaches count or the worker has ended; false on time-out.
    bool WaitServed(uint64_t count, std::chrono::milliseconds timeout) const;

private:
    bool FillSegment(int segment);
    void Execute();
    void ResumeIfLost();
    void JoinWorker();
    void MarkServed();

    int m_Slot;
    platform::Mixer* m_Device;
    EndOfSound m_OnEnd;
    std::unique_ptr<platform::SoundBuffer> m_Buffer;
    platform::AutoResetEvent m_Events[3];
    platform::AutoResetEvent m_Terminate;
    uint32_t m_SegmentSize = 0;
    TyxSoundStream* m_Stream = nullptr;
    std::unique_ptr<TyxSoundStream> m_OwnedStream;
    std::unique_ptr<TyxSoundSource> m_Source;
    std::atomic<int> m_EndSegment{-1};
    std::atomic<bool> m_Running{false};
    std::atomic<bool> m_TerminateRequested{false};
    std::atomic<uint8_t> m_State{StateClosed};
    std::atomic<bool> m_Loop{false};
    std::thread m_Worker;

    mutable std::mutex m_ServedMutex;
    mutable std::condition_variable m_ServedSignal;
    uint64_t m_Served = 0;
};
