#pragma once
// A CD driver for tests: a disc with a given track table, every command written to a log,
// positions set by the test, play ended by the test, and commands that can be made to fail.
#include <map>
#include <string>
#include <vector>

#include "platform/cd_audio.h"

namespace platform {

class FakeCdAudio : public CdAudio {
public:
    struct Command {
        Command(std::string n, uint32_t d = 0, uint32_t f = 0, uint32_t t = 0, bool withNotify = false,
                std::string a = {})
            : name(std::move(n)), device(d), from(f), to(t), notify(withNotify), alias(std::move(a)) {}
        std::string name;  // open, close, format, tracks, position, play, stop, pause, resume, seek
        uint32_t device = 0;
        uint32_t from = 0, to = 0;  // play: the range; seek and format: from; open: drive + 1
        bool notify = false;
        std::string alias;
        bool operator==(const Command&) const = default;
    };

    // Track lengths in CD frames; an empty table is a drive without a disc.
    void SetDisc(std::vector<int64_t> trackFrames) { m_Tracks = std::move(trackFrames); }
    // The position the device reports while open.
    void SetPosition(uint32_t tmsf) { m_Position = tmsf; }
    // The next count commands of that name fail.
    void FailNext(const std::string& name, int count = 1) { m_Fail[name] += count; }
    // The play under way reaches its end: its notification, successful.
    bool FinishPlay();

    const std::vector<Command>& Log() const { return m_Log; }
    void ClearLog() { m_Log.clear(); }
    // Devices open now.
    int OpenDevices() const { return static_cast<int>(m_Open.size()); }
    bool Playing() const { return m_Playing; }
    int32_t Volume() const { return m_Volume; }

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
    void SetVolume(int32_t attenuation) override { m_Volume = attenuation; }

private:
    // Logs the command; false when it is to fail or the device is not open.
    bool Accept(Command command);
    void EndNotify(uint32_t code);

    std::vector<int64_t> m_Tracks;
    std::vector<Command> m_Log;
    std::map<std::string, int> m_Fail;
    std::map<uint32_t, std::string> m_Open;  // device -> alias
    uint32_t m_NextDevice = 1;
    uint32_t m_Position = 0;
    bool m_Playing = false;
    uint32_t m_PlayDevice = 0;
    Notify m_Notify;
    int32_t m_Volume = 0;
};

}  // namespace platform
