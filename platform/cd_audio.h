#pragma once
// The media control interface's CD audio device: devices opened by alias on a drive, time in
// tracks, minutes, seconds and frames (TMSF: track in the low byte), play with a completion
// notification. CdAudio::Current() is the installed driver: the game window's HostCdAudio (a
// disc in a drive, or ripped track files), a test's FakeCdAudio, or none (no drive at all).
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

class CdAudio {
public:
    static constexpr int kFormatTmsf = 10;  // MCI_FORMAT_TMSF
    // MCI_NOTIFY_* codes.
    static constexpr uint32_t kNotifySuccessful = 1, kNotifySuperseded = 2, kNotifyAborted = 4,
                              kNotifyFailure = 8;
    // Called with the device and the code when a play or resume sent with it ends; on any
    // thread, so a window posts the news to itself.
    using Notify = std::function<void(uint32_t device, uint32_t code)>;

    virtual ~CdAudio() = default;
    // MCI_OPEN, shareable: drive 0 is a: ... 25 z:, -1 none given. The device, 0 on failure.
    virtual uint32_t Open(const std::string& alias, int drive) = 0;
    virtual bool Close(uint32_t device) = 0;
    virtual bool SetTimeFormat(uint32_t device, int format) = 0;
    virtual bool TrackCount(uint32_t device, int& count) = 0;
    virtual bool Position(uint32_t device, uint32_t& tmsf) = 0;
    // From a TMSF position to another, or to the end of the disc when to is 0.
    virtual bool Play(uint32_t device, uint32_t from, uint32_t to, Notify notify) = 0;
    virtual bool Stop(uint32_t device) = 0;
    virtual bool Pause(uint32_t device) = 0;
    virtual bool Resume(uint32_t device, Notify notify) = 0;
    // Moves the position; the device is stopped afterwards.
    virtual bool Seek(uint32_t device, uint32_t tmsf) = 0;
    // The CD's output level in hundredths of a decibel (its channel on our mixer).
    virtual void SetVolume(int32_t /*attenuation*/) {}

    static CdAudio& Current();
    static bool Installed();
    // Installs a device driver (not owned); nullptr leaves none.
    static void SetCurrent(CdAudio* cdAudio);

    static constexpr uint32_t Tmsf(int track, int minutes = 0, int seconds = 0, int frames = 0) {
        return static_cast<uint32_t>(track & 0xFF) | static_cast<uint32_t>(minutes & 0xFF) << 8 |
               static_cast<uint32_t>(seconds & 0xFF) << 16 |
               static_cast<uint32_t>(frames & 0xFF) << 24;
    }
    static constexpr int TmsfTrack(uint32_t tmsf) { return static_cast<int>(tmsf & 0xFF); }
    // The offset inside its track in CD frames (75 per second).
    static constexpr int64_t TmsfFrames(uint32_t tmsf) {
        return ((tmsf >> 8 & 0xFF) * 60 + (tmsf >> 16 & 0xFF)) * 75 + (tmsf >> 24 & 0xFF);
    }
    static constexpr uint32_t TmsfAt(int track, int64_t frames) {
        return Tmsf(track, static_cast<int>(frames / 75 / 60), static_cast<int>(frames / 75 % 60),
                    static_cast<int>(frames % 75));
    }
};

}  // namespace platform
