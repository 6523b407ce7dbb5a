#include "platform/cd_stream_device.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/mixer.h"
#include "platform/sound_buffer.h"

namespace platform {

namespace {
// A quarter second a segment: the first sound is written after half a second of decoding at
// most, which takes a few milliseconds.
constexpr uint32_t kSegmentFrames = 11025;
constexpr uint32_t kFrameBytes = 4;
}  // namespace

CdStreamDevice::CdStreamDevice(std::vector<int64_t> trackSamples, ReaderFactory factory)
    : m_Tracks(std::move(trackSamples)), m_Factory(std::move(factory)) {}

CdStreamDevice::~CdStreamDevice() {
    Halt(0);
}

bool CdStreamDevice::Valid(uint32_t tmsf, bool end) const {
    const int track = CdAudio::TmsfTrack(tmsf);
    if (end && track == TrackCount() + 1 && CdAudio::TmsfFrames(tmsf) == 0) return true;
    if (track < 1 || track > TrackCount()) return false;
    const int64_t length = m_Tracks[static_cast<size_t>(track - 1)];
    const int64_t at = CdAudio::TmsfFrames(tmsf) * CdTrackReader::kSamplesPerFrame;
    return end ? at <= length : length > 0 && at < length;
}

CdStreamDevice::Place CdStreamDevice::PlaceOf(uint32_t tmsf) const {
    return {CdAudio::TmsfTrack(tmsf), CdAudio::TmsfFrames(tmsf) * CdTrackReader::kSamplesPerFrame};
}

uint32_t CdStreamDevice::TmsfOf(Place place) const {
    return CdAudio::TmsfAt(place.track, place.sample / CdTrackReader::kSamplesPerFrame);
}

bool CdStreamDevice::Before(Place a, Place b) const {
    return a.track < b.track || (a.track == b.track && a.sample < b.sample);
}

CdStreamDevice::Place CdStreamDevice::Forward(Place place, int64_t samples) const {
    place.sample += samples;
    while (place.track <= TrackCount() && place.sample >= m_Tracks[static_cast<size_t>(place.track - 1)] &&
           place.track < TrackCount() && m_Tracks[static_cast<size_t>(place.track)] > 0) {
        place.sample -= m_Tracks[static_cast<size_t>(place.track - 1)];
        ++place.track;
    }
    return place;
}

bool CdStreamDevice::Play(uint32_t from, uint32_t to, CdAudio::Notify notify,
                          std::shared_ptr<Mixer> mixer) {
    if (!Valid(from, false)) return false;
    if (to != 0 && !Valid(to, true)) return false;
    Halt(CdAudio::kNotifySuperseded);
    m_Place = PlaceOf(from);
    m_End = to == 0 ? Place{TrackCount() + 1, 0} : PlaceOf(to);
    if (!Before(m_Place, m_End)) return false;
    return Start(std::move(notify), std::move(mixer));
}

bool CdStreamDevice::Resume(CdAudio::Notify notify, std::shared_ptr<Mixer> mixer) {
    if (m_Running) {
        if (notify) {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Notify = std::move(notify);
        }
        return true;
    }
    if (!Before(m_Place, m_End)) return false;
    return Start(std::move(notify), std::move(mixer));
}

bool CdStreamDevice::Stop() {
    Halt(CdAudio::kNotifyAborted);
    return true;
}

bool CdStreamDevice::Seek(uint32_t tmsf) {
    if (!Valid(tmsf, false)) return false;
    Halt(CdAudio::kNotifyAborted);
    m_Place = PlaceOf(tmsf);
    return true;
}

void CdStreamDevice::SetVolume(int32_t attenuation) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Volume = attenuation;
    if (m_Buffer) m_Buffer->SetVolume(attenuation);
}

uint32_t CdStreamDevice::Position() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_Buffer || !m_Running || m_SegmentSize == 0) return TmsfOf(m_Place);
    uint32_t play = 0, write = 0;
    m_Buffer->GetCurrentPosition(&play, &write);
    const uint32_t segment = std::min<uint32_t>(play / m_SegmentSize, 2);
    Place at = Forward(m_SegmentStart[segment], (play - segment * m_SegmentSize) / kFrameBytes);
    if (!Before(at, m_End)) at = m_End;
    return TmsfOf(at);
}

bool CdStreamDevice::WaitStarted(int milliseconds) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!m_Started && m_Running) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::yield();
    }
    return m_Started;
}

bool CdStreamDevice::Start(CdAudio::Notify notify, std::shared_ptr<Mixer> mixer) {
    if (!mixer) return false;
    DSBufferDesc desc;
    desc.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLPOSITIONNOTIFY |
                   DSBCAPS_CTRLVOLUME | DSBCAPS_LOCSOFTWARE;
    desc.dwBufferBytes = 3 * kSegmentFrames * kFrameBytes;
    desc.wfxFormat.wFormatTag = WAVE_FORMAT_PCM;
    desc.wfxFormat.nChannels = 2;
    desc.wfxFormat.nSamplesPerSec = 44100;
    desc.wfxFormat.wBitsPerSample = 16;
    desc.wfxFormat.nBlockAlign = kFrameBytes;
    desc.wfxFormat.nAvgBytesPerSec = 44100 * kFrameBytes;
    std::unique_ptr<SoundBuffer> buffer = mixer->CreateSoundBuffer(desc);
    if (!buffer) return false;
    m_SegmentSize = kSegmentFrames * kFrameBytes;
    DSBPositionNotify notifies[3];
    for (int i = 0; i < 3; ++i) {
        m_Events[i].Reset();
        notifies[i].dwOffset = static_cast<uint32_t>(i) * m_SegmentSize;
        notifies[i].hEventNotify = &m_Events[i];
    }
    if (!buffer->SetNotificationPositions(3, notifies)) return false;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Buffer = std::move(buffer);
        m_Buffer->SetVolume(m_Volume);
        m_Notify = std::move(notify);
        for (Place& p : m_SegmentStart) p = m_Place;
    }
    m_Read = m_Place;
    m_Reader.reset();
    m_ReaderTrack = 0;
    m_EndSegment = -1;
    m_Broken = false;
    m_Started = false;
    m_Filled = 0;
    m_TerminateRequested = false;
    m_Terminate.Reset();
    m_Running = true;
    m_Worker = std::thread(&CdStreamDevice::Run, this);
    return true;
}

void CdStreamDevice::Halt(uint32_t code) {
    const bool wasRunning = m_Running;
    if (m_Worker.joinable()) {
        // Where the listener heard up to, before the buffer goes.
        const uint32_t at = Position();
        m_TerminateRequested = true;
        m_Terminate.Set();
        m_Worker.join();
        if (wasRunning) m_Place = PlaceOf(at);
    }
    CdAudio::Notify notify;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_Buffer) m_Buffer->Stop();
        m_Buffer.reset();
        notify = std::move(m_Notify);
        m_Notify = nullptr;
    }
    m_Reader.reset();
    m_Running = false;
    if (wasRunning && notify && code != 0) notify(0, code);
}

void CdStreamDevice::Fill(int segment) {
    void* region1 = nullptr;
    void* region2 = nullptr;
    uint32_t length1 = 0, length2 = 0;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_SegmentStart[segment] = m_Read;
    }
    if (!m_Buffer->Lock(static_cast<uint32_t>(segment) * m_SegmentSize, m_SegmentSize, &region1,
                        &length1, &region2, &length2))
        return;
    auto* out = static_cast<int16_t*>(region1);
    int64_t want = length1 / kFrameBytes;
    int64_t done = 0;
    while (m_EndSegment == -1 && done < want) {
        if (!Before(m_Read, m_End)) break;
        if (m_ReaderTrack != m_Read.track) {
            const int64_t length = m_Tracks[static_cast<size_t>(m_Read.track - 1)];
            m_Reader = length > 0 ? m_Factory(m_Read.track) : nullptr;
            m_ReaderTrack = m_Read.track;
            if (!m_Reader || (m_Read.sample > 0 && !m_Reader->Seek(m_Read.sample))) {
                m_Broken = length > 0;
                m_Reader.reset();
                break;
            }
        }
        int64_t limit = want - done;
        if (m_Read.track == m_End.track) limit = std::min(limit, m_End.sample - m_Read.sample);
        const int64_t got = m_Reader->Read(out + done * 2, limit);
        if (got < 0) {
            m_Broken = true;
            break;
        }
        if (got == 0) {
            // The track's end: on to the next one, unless it is absent or past the last.
            if (m_Read.track >= TrackCount() || m_Tracks[static_cast<size_t>(m_Read.track)] == 0) {
                m_Read = m_End;
                break;
            }
            m_Read = {m_Read.track + 1, 0};
            continue;
        }
        done += got;
        m_Read.sample += got;
    }
    if (done < want) {
        std::memset(out + done * 2, 0, static_cast<size_t>(want - done) * kFrameBytes);
        if (m_EndSegment == -1) m_EndSegment = (segment + 1) % 3;
    }
    if (region2 && length2) std::memset(region2, 0, length2);
    m_Buffer->Unlock(region1, length1, region2, length2);
    ++m_Filled;
}

void CdStreamDevice::Run() {
    Fill(0);
    Fill(1);
    m_Buffer->Play(DSBPLAY_LOOPING);
    m_Started = true;
    AutoResetEvent* events[4] = {&m_Events[0], &m_Events[1], &m_Events[2], &m_Terminate};
    bool ended = false;
    while (!m_TerminateRequested) {
        // Everything the worker waits for is an event; the time-out is only a safety net.
        const int r = AutoResetEvent::WaitAny(events, 4, std::chrono::milliseconds(1000));
        if (r < 0 || r == 3) continue;
        if (r == m_EndSegment) {
            m_Buffer->Stop();
            ended = true;
            break;
        }
        Fill((r + 2) % 3);
    }
    if (!ended) return;
    // Played to its end: the device stops where the range ended and says so.
    CdAudio::Notify notify;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Place = m_Broken ? m_Read : m_End;
        notify = std::move(m_Notify);
        m_Notify = nullptr;
    }
    m_Running = false;
    if (notify) notify(0, m_Broken ? CdAudio::kNotifyFailure : CdAudio::kNotifySuccessful);
}

}  // namespace platform
