#pragma once
// Plays one track at a time from the game's CD through the CD audio device, in TMSF time.
// Every command that fails is sent once more on a freshly opened device.
#include <cstdint>
#include <string>

#include "platform/cd_audio.h"

namespace platform {
class Clock;
}

class TyxCDAudio {
public:
    // Where a play with notification reports its end (the main window).
    using Window = platform::CdAudio::Notify;

    // The clock names each opened device (its alias holds the tick count).
    explicit TyxCDAudio(platform::Clock& clock);
    ~TyxCDAudio();
    TyxCDAudio(const TyxCDAudio&) = delete;
    TyxCDAudio& operator=(const TyxCDAudio&) = delete;

    // 0 = a: ... 25 = z:; below 0 opens the device with no drive named. True only with a disc
    // of at least one track.
    bool OpenDrive(int driveIndex);
    bool Close();
    bool Stop();
    bool PlayTrack(int track);
    bool PlayTrackNotify(const Window& window, int track);
    bool Pause();
    bool Resume();
    bool Replay(const Window& window);
    bool IsDevice(uint32_t device) const { return m_Device != 0 && device == m_Device; }

    int DriveIndex() const { return m_DriveIndex; }
    bool DriveGiven() const { return m_DriveGiven; }
    uint32_t Device() const { return m_Device; }
    int TrackCount() const { return m_TrackCount; }
    uint8_t CurrentTrack() const { return m_CurrentTrack; }
    uint8_t EndTrack() const { return m_EndTrack; }
    uint32_t PausedPosition() const { return m_PausedPosition; }
    const std::string& Alias() const { return m_Alias; }

private:
    platform::Clock& m_Clock;
    // A new device on the stored drive with a new alias; 0 on failure.
    uint32_t OpenDevice();
    // Runs the command on the device; when it fails, once more on a device opened anew.
    template <class Command>
    bool WithRetry(Command command);
    bool Play(int track, const Window* window);
    // The end of what plays: the end track's start, or 0 for the end of the disc.
    uint32_t PlayEnd() const;

    int m_DriveIndex = 0;
    bool m_DriveGiven = true;
    uint32_t m_Device = 0;
    int m_TimeFormat = platform::CdAudio::kFormatTmsf;
    int m_TrackCount = 0;
    uint8_t m_CurrentTrack = 0;
    uint8_t m_EndTrack = 0;
    uint32_t m_PausedPosition = 0;
    std::string m_Alias;
};
