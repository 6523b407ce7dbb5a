#include "platform/fake_cd_audio.h"

namespace platform {

bool FakeCdAudio::Accept(Command command) {
    const std::string name = command.name;
    const uint32_t device = command.device;
    m_Log.push_back(std::move(command));
    if (auto it = m_Fail.find(name); it != m_Fail.end() && it->second > 0) {
        --it->second;
        return false;
    }
    return name == "open" || m_Open.count(device) > 0;
}

void FakeCdAudio::EndNotify(uint32_t code) {
    Notify notify = std::move(m_Notify);
    m_Notify = nullptr;
    if (notify) notify(m_PlayDevice, code);
}

bool FakeCdAudio::FinishPlay() {
    if (!m_Playing) return false;
    m_Playing = false;
    EndNotify(kNotifySuccessful);
    return true;
}

uint32_t FakeCdAudio::Open(const std::string& alias, int drive) {
    Command c{"open", 0, static_cast<uint32_t>(drive + 1), 0, false, alias};
    if (!Accept(c)) return 0;
    for (const auto& [id, name] : m_Open)
        if (name == alias) return 0;  // MCI refuses an alias in use
    const uint32_t device = m_NextDevice++;
    m_Open[device] = alias;
    return device;
}

bool FakeCdAudio::Close(uint32_t device) {
    if (!Accept({"close", device})) return false;
    if (m_PlayDevice == device && m_Playing) {
        m_Playing = false;
        EndNotify(kNotifyAborted);
    }
    m_Open.erase(device);
    return true;
}

bool FakeCdAudio::SetTimeFormat(uint32_t device, int format) {
    return Accept({"format", device, static_cast<uint32_t>(format)}) && format == kFormatTmsf;
}

bool FakeCdAudio::TrackCount(uint32_t device, int& count) {
    if (!Accept({"tracks", device})) return false;
    count = static_cast<int>(m_Tracks.size());
    return true;
}

bool FakeCdAudio::Position(uint32_t device, uint32_t& tmsf) {
    if (!Accept({"position", device})) return false;
    tmsf = m_Position;
    return true;
}

bool FakeCdAudio::Play(uint32_t device, uint32_t from, uint32_t to, Notify notify) {
    if (!Accept({"play", device, from, to, notify != nullptr})) return false;
    const int track = TmsfTrack(from);
    if (track < 1 || track > static_cast<int>(m_Tracks.size())) return false;
    if (m_Playing) EndNotify(kNotifySuperseded);
    m_Playing = true;
    m_PlayDevice = device;
    m_Position = from;
    m_Notify = std::move(notify);
    return true;
}

bool FakeCdAudio::Stop(uint32_t device) {
    if (!Accept({"stop", device})) return false;
    if (m_Playing) {
        m_Playing = false;
        EndNotify(kNotifyAborted);
    }
    return true;
}

bool FakeCdAudio::Pause(uint32_t device) {
    if (!Accept({"pause", device})) return false;
    m_Playing = false;
    return true;
}

bool FakeCdAudio::Resume(uint32_t device, Notify notify) {
    if (!Accept({"resume", device, 0, 0, notify != nullptr})) return false;
    if (notify) m_Notify = std::move(notify);
    m_PlayDevice = device;
    m_Playing = true;
    return true;
}

bool FakeCdAudio::Seek(uint32_t device, uint32_t tmsf) {
    if (!Accept({"seek", device, tmsf})) return false;
    if (m_Playing) {
        m_Playing = false;
        EndNotify(kNotifyAborted);
    }
    m_Position = tmsf;
    return true;
}

}  // namespace platform
