#pragma once
// One open CD audio device whose tracks are read as PCM (ripped files or a disc read as
// digital audio) and played through our mixer, with MCI's play, stop, pause, resume, seek and
// position in TMSF time. Decoding runs on the device's own worker thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/auto_reset_event.h"
#include "platform/cd_audio.h"
#include "platform/cd_track_reader.h"

namespace platform {

class Mixer;
class SoundBuffer;

class CdStreamDevice {
public:
    // A reader for a track (from 1), or null when it cannot be read.
    using ReaderFactory = std::function<std::unique_ptr<CdTrackReader>(int track)>;
    // Track lengths in frames of 44100 per second, track 1 first; 0 marks a track that is
    // absent (a data track, a missing file) and cannot be played.
    CdStreamDevice(std::vector<int64_t> trackSamples, ReaderFactory factory);
    ~CdStreamDevice();
    CdStreamDevice(const CdStreamDevice&) = delete;
    CdStreamDevice& operator=(const CdStreamDevice&) = delete;

    int TrackCount() const { return static_cast<int>(m_Tracks.size()); }
    bool Play(uint32_t from, uint32_t to, CdAudio::Notify notify, std::shared_ptr<Mixer> mixer);
    bool Stop();
    bool Resume(CdAudio::Notify notify, std::shared_ptr<Mixer> mixer);
    bool Seek(uint32_t tmsf);
    uint32_t Position() const;
    void SetVolume(int32_t attenuation);
    // Waits until the worker has written its first sound, or ended; false on time-out.
    bool WaitStarted(int milliseconds) const;
    // Segments written since the last start (two before the sound starts, then one for each
    // notification served); tests wait on it to pull sound no faster than it is written.
    uint64_t Filled() const { return m_Filled; }

private:
    struct Place {
        int track = 1;
        int64_t sample = 0;
    };
    bool Valid(uint32_t tmsf, bool end) const;
    Place PlaceOf(uint32_t tmsf) const;
    uint32_t TmsfOf(Place place) const;
    bool Before(Place a, Place b) const;
    Place Forward(Place place, int64_t samples) const;
    // Starts the worker from m_Place to m_End.
    bool Start(CdAudio::Notify notify, std::shared_ptr<Mixer> mixer);
    // Ends the worker; the position stays where play was.
    void Halt(uint32_t code);
    void Run();
    // Writes one segment from m_Read on; false when the range ended before it.
    void Fill(int segment);

    std::vector<int64_t> m_Tracks;
    ReaderFactory m_Factory;
    Place m_Place;  // where play starts or stopped
    Place m_End;    // where play ends (a track past the last: the end of the disc)

    // While playing.
    std::unique_ptr<SoundBuffer> m_Buffer;
    std::unique_ptr<CdTrackReader> m_Reader;
    int m_ReaderTrack = 0;
    Place m_Read;  // the next sample to write
    Place m_SegmentStart[3];
    uint32_t m_SegmentSize = 0;
    int m_EndSegment = -1;
    bool m_Broken = false;
    CdAudio::Notify m_Notify;
    AutoResetEvent m_Events[3];
    AutoResetEvent m_Terminate;
    std::atomic<bool> m_TerminateRequested{false};
    std::atomic<bool> m_Running{false};
    std::atomic<bool> m_Started{false};
    std::atomic<uint64_t> m_Filled{0};
    std::thread m_Worker;
    int32_t m_Volume = 0;
    mutable std::mutex m_Mutex;  // m_SegmentStart, m_Buffer and m_Place across threads
};

}  // namespace platform
