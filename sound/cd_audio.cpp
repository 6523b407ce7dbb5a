#include "sound/cd_audio.h"

#include <string>

#include "platform/clock.h"

namespace {
platform::CdAudio& Mci() {
    return platform::CdAudio::Current();
}
}  // namespace

TyxCDAudio::TyxCDAudio(platform::Clock& clock) : m_Clock(clock) {}

TyxCDAudio::~TyxCDAudio() {
    if (m_Device != 0) {
        Stop();
        Close();
    }
}

uint32_t TyxCDAudio::OpenDevice() {
    m_Alias = "CD" + std::to_string(m_Clock.TickCount()) + ":";
    return Mci().Open(m_Alias, m_DriveGiven ? m_DriveIndex : -1);
}

template <class Command>
bool TyxCDAudio::WithRetry(Command command) {
    if (m_Device != 0 && command(m_Device)) return true;
    // The old device may be gone with the disc; a new one needs its alias free and its time
    // format set, or the TMSF positions would be read in another format.
    if (m_Device != 0) Mci().Close(m_Device);
    m_Device = OpenDevice();
    if (m_Device == 0) return false;
    Mci().SetTimeFormat(m_Device, m_TimeFormat);
    return command(m_Device);
}

bool TyxCDAudio::OpenDrive(int driveIndex) {
    if (m_Device != 0) Close();
    m_DriveIndex = driveIndex;
    m_DriveGiven = driveIndex >= 0;
    m_TrackCount = 0;
    m_Device = OpenDevice();
    if (m_Device == 0) return false;
    if (!Mci().SetTimeFormat(m_Device, m_TimeFormat)) return false;
    int count = 0;
    if (!Mci().TrackCount(m_Device, count)) return false;
    m_TrackCount = count;
    return m_TrackCount >= 1;
}

bool TyxCDAudio::Close() {
    if (m_Device == 0) return false;
    if (!WithRetry([](uint32_t d) { return Mci().Close(d); })) return false;
    m_Device = 0;
    return true;
}

bool TyxCDAudio::Stop() {
    if (m_Device == 0) return false;
    return WithRetry([](uint32_t d) { return Mci().Stop(d); });
}

uint32_t TyxCDAudio::PlayEnd() const {
    return m_EndTrack == 0 ? 0 : platform::CdAudio::Tmsf(m_EndTrack);
}

bool TyxCDAudio::Play(int track, const Window* window) {
    if (m_Device == 0 || m_TrackCount <= 0 || track < 1 || track > m_TrackCount) return false;
    m_CurrentTrack = static_cast<uint8_t>(track);
    m_EndTrack = track < m_TrackCount ? static_cast<uint8_t>(track + 1) : 0;
    // A new track supersedes a pause: a later replay must not jump back into the old one.
    m_PausedPosition = 0;
    const uint32_t from = platform::CdAudio::Tmsf(track);
    const uint32_t to = PlayEnd();
    return WithRetry(
        [&](uint32_t d) { return Mci().Play(d, from, to, window ? *window : nullptr); });
}

bool TyxCDAudio::PlayTrack(int track) {
    return Play(track, nullptr);
}

bool TyxCDAudio::PlayTrackNotify(const Window& window, int track) {
    return Play(track, &window);
}

bool TyxCDAudio::Pause() {
    if (m_Device == 0) return false;
    uint32_t position = 0;
    bool read = false;
    for (int attempt = 0; attempt < 2 && !read; ++attempt)
        read = Mci().SetTimeFormat(m_Device, m_TimeFormat) && Mci().Position(m_Device, position);
    if (read) {
        m_PausedPosition = position;
        return WithRetry([](uint32_t d) { return Mci().Stop(d); });
    }
    m_PausedPosition = 0;
    return WithRetry([](uint32_t d) { return Mci().Pause(d); });
}

bool TyxCDAudio::Resume() {
    if (m_Device == 0) return false;
    if (m_PausedPosition == 0)
        return WithRetry([](uint32_t d) { return Mci().Resume(d, nullptr); });
    const uint32_t from = m_PausedPosition;
    const uint32_t to = PlayEnd();
    m_PausedPosition = 0;
    return WithRetry([&](uint32_t d) { return Mci().Play(d, from, to, nullptr); });
}

bool TyxCDAudio::Replay(const Window& window) {
    if (m_Device == 0) return false;
    if (m_PausedPosition == 0)
        return WithRetry([&](uint32_t d) { return Mci().Resume(d, window); });
    // Playing the track from its start and then seeking to the pause would leave the device
    // stopped there (a seek stops play): play on from the pause instead, still notified, so the
    // track loops from its start once it ends.
    const uint32_t from = m_PausedPosition;
    const uint32_t to = PlayEnd();
    m_PausedPosition = 0;
    return WithRetry([&](uint32_t d) { return Mci().Play(d, from, to, window); });
}
