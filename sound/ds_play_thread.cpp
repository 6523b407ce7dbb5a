#include "sound/ds_play_thread.h"

#include <cstring>

#include "sound/file_sound_stream.h"
#include "sound/ogg_format.h"
#include "sound/wave_format.h"

namespace {
constexpr uint32_t kBufferFlags = platform::DSBCAPS_GETCURRENTPOSITION2 |
                                  platform::DSBCAPS_GLOBALFOCUS |
                                  platform::DSBCAPS_CTRLPOSITIONNOTIFY |
                                  platform::DSBCAPS_CTRLVOLUME | platform::DSBCAPS_LOCSOFTWARE;
static_assert(kBufferFlags == 0x18188);
}  // namespace

TyxDSPlayThread::TyxDSPlayThread(int slot, platform::Mixer* device, EndOfSound onEnd)
    : m_Slot(slot), m_Device(device), m_OnEnd(std::move(onEnd)) {}

TyxDSPlayThread::~TyxDSPlayThread() {
    Close();
}

bool TyxDSPlayThread::OpenFile(const std::string& path) {
    auto stream = std::make_unique<TyxFileSoundStream>();
    if (!stream->Open(path)) {
        Close();
        return false;
    }
    bool opened = OpenStream(stream.get());
    // Kept even after a failed open: the source may still point at it until the next close.
    m_OwnedStream = std::move(stream);
    return opened;
}

bool TyxDSPlayThread::OpenStream(TyxSoundStream* stream) {
    Close();
    m_EndSegment = -1;
    m_Stream = stream;
    if (!stream) return false;

    int64_t position = stream->Position();
    char magic[4] = {};
    size_t got = stream->Read(magic, sizeof magic);
    stream->Seek(position);
    if (got != sizeof magic) return false;
    if (std::memcmp(magic, "RIFF", 4) == 0) {
        m_Source = std::make_unique<TyxWaveFormat>();
    } else if (std::memcmp(magic, "OggS", 4) == 0) {
        m_Source = std::make_unique<TyxOggFormat>();
    } else {
        return false;
    }
    if (!m_Source->Open(stream)) return false;
    if (!m_Device) return false;

    platform::DSBufferDesc desc;
    desc.dwFlags = kBufferFlags;
    uint64_t size = uint64_t{3} * m_Source->Format().nAvgBytesPerSec;
    if (size == 0 || size > platform::DSBSIZE_MAX) return false;
    desc.dwBufferBytes = static_cast<uint32_t>(size);
    desc.wfxFormat = m_Source->Format();
    m_Buffer = m_Device->CreateSoundBuffer(desc);
    if (!m_Buffer) return false;
    m_SegmentSize = desc.dwBufferBytes / 3;

    platform::DSBPositionNotify notifies[3];
    for (int i = 0; i < 3; ++i) {
        m_Events[i].Reset();
        notifies[i].dwOffset = static_cast<uint32_t>(i) * m_SegmentSize;
        notifies[i].hEventNotify = &m_Events[i];
    }
    if (!m_Buffer->SetNotificationPositions(3, notifies)) return false;

    // Segment 2 is filled when playback reaches segment 0.
    FillSegment(0);
    FillSegment(1);
    m_State = StateLoaded;
    return true;
}

bool TyxDSPlayThread::FillSegment(int segment) {
    if (!m_Buffer || !m_Stream || !m_Source) return false;
    uint32_t status = 0;
    if (m_Buffer->GetStatus(&status) && (status & platform::DSBSTATUS_BUFFERLOST)) {
        if (!m_Buffer->Restore()) return false;
    }
    void* region1 = nullptr;
    void* region2 = nullptr;
    uint32_t length1 = 0;
    uint32_t length2 = 0;
    if (!m_Buffer->Lock(static_cast<uint32_t>(segment) * m_SegmentSize, m_SegmentSize, &region1,
                        &length1, &region2, &length2)) {
        return false;
    }
    if (m_EndSegment == -1) {
        bool loop = m_Loop;
        m_Source->Read(region1, length1, loop);
        if (region2 && length2 > 0) m_Source->Read(region2, length2, loop);
        if ((!loop && m_Source->Ended()) || m_Source->Failed()) m_EndSegment = (segment + 1) % 3;
    } else {
        int silence = m_Source->Format().wBitsPerSample == 8 ? 0x80 : 0;
        std::memset(region1, silence, length1);
        if (region2 && length2 > 0) std::memset(region2, silence, length2);
    }
    // Every byte of the regions was written, silence included.
    return m_Buffer->Unlock(region1, length1, region2, length2);
}

bool TyxDSPlayThread::Play() {
    if (!m_Buffer) return false;
    uint32_t status = 0;
    if (m_Buffer->GetStatus(&status) && (status & platform::DSBSTATUS_BUFFERLOST)) {
        if (!m_Buffer->Restore()) return false;
    }
    if (m_Loop && m_State == StateLoaded && !m_Worker.joinable() && m_EndSegment != -1 &&
        !m_Source->Failed() && m_Source->Rewind()) {
        // The open filled the first segments as if to play once, with silence after a short
        // sound; a loop must wrap there instead.
        m_EndSegment = -1;
        FillSegment(0);
        FillSegment(1);
    }
    if (!m_Running) {
        // Either never started, or it finished with the end of its sound.
        JoinWorker();
        m_TerminateRequested = false;
        m_Terminate.Reset();
        m_Running = true;
        m_Worker = std::thread(&TyxDSPlayThread::Execute, this);
    }
    if (!m_Buffer->Play(platform::DSBPLAY_LOOPING)) return false;
    m_State = StatePlaying;
    return true;
}

bool TyxDSPlayThread::Stop() {
    if (!m_Buffer) return false;
    uint32_t status = 0;
    if (!m_Buffer->GetStatus(&status) || !(status & platform::DSBSTATUS_PLAYING)) return true;
    if (!m_Buffer->Stop()) return false;
    m_Buffer->SetCurrentPosition(0);
    m_State = StateStopped;
    return true;
}

bool TyxDSPlayThread::SetVolume(int32_t attenuation) {
    if (!m_Buffer) return false;
    return m_Buffer->SetVolume(attenuation);
}

void TyxDSPlayThread::JoinWorker() {
    if (!m_Worker.joinable()) return;
    m_TerminateRequested = true;
    m_Terminate.Set();
    m_Worker.join();
    m_Terminate.Reset();
}

void TyxDSPlayThread::Close() {
    Stop();
    JoinWorker();
    // The buffer goes before its events: it holds pointers to them.
    m_Buffer.reset();
    for (platform::AutoResetEvent& event : m_Events) event.Reset();
    m_Source.reset();
    m_OwnedStream.reset();
    m_Stream = nullptr;
    m_SegmentSize = 0;
    m_EndSegment = -1;
    m_State = StateClosed;
}

uint64_t TyxDSPlayThread::Served() const {
    std::lock_guard<std::mutex> lock(m_ServedMutex);
    return m_Served;
}

bool TyxDSPlayThread::WaitServed(uint64_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(m_ServedMutex);
    return m_ServedSignal.wait_for(lock, timeout, [&] {
        return m_Served >= count || !m_Running;
    }) && m_Served >= count;
}

void TyxDSPlayThread::MarkServed() {
    {
        std::lock_guard<std::mutex> lock(m_ServedMutex);
        ++m_Served;
    }
    m_ServedSignal.notify_all();
}

void TyxDSPlayThread::ResumeIfLost() {
    // A lost device sends no notifications, so only the wait's timeout can notice it; the
    // buffer keeps its bytes, so playing on from its cursor is all that is needed.
    uint32_t status = 0;
    if (m_State != StatePlaying || !m_Buffer->GetStatus(&status) ||
        !(status & platform::DSBSTATUS_BUFFERLOST))
        return;
    if (m_Buffer->Restore()) m_Buffer->Play(platform::DSBPLAY_LOOPING);
}

void TyxDSPlayThread::Execute() {
    platform::AutoResetEvent* events[4] = {&m_Events[0], &m_Events[1], &m_Events[2], &m_Terminate};
    bool ended = false;
    while (!m_TerminateRequested) {
        // Segments and the end come as events; the time-out only looks for a lost device.
        int r = platform::AutoResetEvent::WaitAny(events, 4, std::chrono::milliseconds(500));
        if (r < 0) {
            ResumeIfLost();
            continue;
        }
        if (r == 3) continue;
        if (r == m_EndSegment) {
            uint32_t status = 0;
            if (m_Buffer->GetStatus(&status) && (status & platform::DSBSTATUS_PLAYING)) {
                m_Buffer->Stop();
            }
            m_State = StateStopped;
            if (m_OnEnd) m_OnEnd(m_Slot);
            ended = true;
            break;
        }
        // The cursor has just left segment r - 1: refill it with what plays two segments on.
        FillSegment((r + 2) % 3);
        m_Events[r].Reset();
        MarkServed();
    }
    {
        // Whoever waits for the end sees the worker finished too.
        std::lock_guard<std::mutex> lock(m_ServedMutex);
        m_Running = false;
        if (ended) ++m_Served;
    }
    m_ServedSignal.notify_all();
}
