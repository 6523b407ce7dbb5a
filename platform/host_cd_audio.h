#pragma once
// The host's CD audio: a drive's disc read as digital audio when it holds audio tracks,
// otherwise the game's ripped tracks ("trackNN.ogg", ".wav" or ".flac" in its CD folder).
// Both play through the mixer the sound player opened. The game window owns one and installs
// it as the current driver.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/cd_audio.h"

namespace platform {

class CdStreamDevice;
class Mixer;

class HostCdAudio : public CdAudio {
public:
    HostCdAudio();
    ~HostCdAudio() override;

    // The folder of ripped tracks (engine path); empty for none.
    void SetTrackFolder(const std::string& folder);
    const std::string& TrackFolder() const { return m_TrackFolder; }
    // The mixer the tracks play through; devices take it when they start to play.
    void SetMixer(std::weak_ptr<Mixer> mixer) { m_Mixer = std::move(mixer); }
    // The device, for tests and the benchmark; null when not open.
    CdStreamDevice* DeviceFor(uint32_t device) const;

    uint32_t Open(const std::string& alias, int drive) override;
    bool Close(uint32_t device) override;
    bool SetTimeFormat(uint32_t device, int format) override;
    bool TrackCount(uint32_t device, int& count) override;
    bool Position(uint32_t device, uint32_t& tmsf) override;
    bool Play(uint32_t device, uint32_t from, uint32_t to, Notify notify) override;
    bool Stop(uint32_t device) override;
    bool Pause(uint32_t device) override;
    bool Resume(uint32_t device, Notify notify) override;
    bool Seek(uint32_t device, uint32_t tmsf) override;
    void SetVolume(int32_t attenuation) override;

private:
    struct Entry {
        std::string alias;
        std::unique_ptr<CdStreamDevice> device;
        int format = 0;
    };
    Entry* Find(uint32_t device);
    std::unique_ptr<CdStreamDevice> OpenTrackFolder() const;
    // The notification with the device's own identifier.
    static Notify WithDevice(uint32_t device, Notify notify);

    std::map<uint32_t, Entry> m_Devices;
    uint32_t m_Next = 1;
    std::string m_TrackFolder;
    std::weak_ptr<Mixer> m_Mixer;
    int32_t m_Volume = 0;
};

}  // namespace platform
