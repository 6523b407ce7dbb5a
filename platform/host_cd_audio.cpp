#include "platform/host_cd_audio.h"

#include <cctype>

#include "platform/audio_file_decoder.h"
#include "platform/cd_stream_device.h"
#include "platform/disc_reader.h"
#include "platform/file_system.h"
#include "platform/mixer.h"

namespace platform {

namespace {
CdAudio* g_Current = nullptr;

// What plays when no driver is installed: no drive, so the game goes on without CD music.
class NoCdAudio final : public CdAudio {
public:
    uint32_t Open(const std::string&, int) override { return 0; }
    bool Close(uint32_t) override { return false; }
    bool SetTimeFormat(uint32_t, int) override { return false; }
    bool TrackCount(uint32_t, int&) override { return false; }
    bool Position(uint32_t, uint32_t&) override { return false; }
    bool Play(uint32_t, uint32_t, uint32_t, Notify) override { return false; }
    bool Stop(uint32_t) override { return false; }
    bool Pause(uint32_t) override { return false; }
    bool Resume(uint32_t, Notify) override { return false; }
    bool Seek(uint32_t, uint32_t) override { return false; }
};

// "trackNN.ogg", ".wav" or ".flac" in any letter case: NN, or 0 for any other name.
int TrackNumberOf(const std::string& name) {
    std::string lower;
    for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.size() < 9 || lower.compare(0, 5, "track") != 0) return 0;
    if (!std::isdigit(static_cast<unsigned char>(lower[5])) ||
        !std::isdigit(static_cast<unsigned char>(lower[6])))
        return 0;
    const std::string ext = lower.substr(7);
    if (ext != ".ogg" && ext != ".wav" && ext != ".flac") return 0;
    return (lower[5] - '0') * 10 + (lower[6] - '0');
}
}  // namespace

CdAudio& CdAudio::Current() {
    if (g_Current) return *g_Current;
    static NoCdAudio none;
    return none;
}

bool CdAudio::Installed() {
    return g_Current != nullptr;
}

void CdAudio::SetCurrent(CdAudio* cdAudio) {
    g_Current = cdAudio;
}

HostCdAudio::HostCdAudio() = default;
HostCdAudio::~HostCdAudio() = default;

void HostCdAudio::SetTrackFolder(const std::string& folder) {
    m_TrackFolder = folder;
}

HostCdAudio::Entry* HostCdAudio::Find(uint32_t device) {
    auto it = m_Devices.find(device);
    return it == m_Devices.end() ? nullptr : &it->second;
}

CdStreamDevice* HostCdAudio::DeviceFor(uint32_t device) const {
    auto it = m_Devices.find(device);
    return it == m_Devices.end() ? nullptr : it->second.device.get();
}

std::unique_ptr<CdStreamDevice> HostCdAudio::OpenTrackFolder() const {
    if (m_TrackFolder.empty() || !FileSystem::DirectoryExists(m_TrackFolder)) return nullptr;
    const std::string host = FileSystem::ToHostPath(m_TrackFolder);
    std::map<int, std::string> files;
    for (const DirEntry& entry : FileSystem::ListDirectory(m_TrackFolder)) {
        if (entry.isDirectory) continue;
        const int number = TrackNumberOf(entry.name);
        // The first spelling found of a number is kept; any other is a stray copy.
        if (number > 0 && !files.count(number))
            files[number] = FileSystem::ToHostPath(m_TrackFolder + "/" + entry.name);
    }
    if (files.empty()) return nullptr;
    const int count = files.rbegin()->first;
    // A file that cannot be decoded is an absent track, like a gap in the numbering.
    std::vector<int64_t> lengths(static_cast<size_t>(count), 0);
    for (const auto& [number, path] : files) {
        AudioFileDecoder decoder;
        if (decoder.Open(path)) lengths[static_cast<size_t>(number - 1)] = decoder.Samples();
    }
    auto factory = [files](int track) -> std::unique_ptr<CdTrackReader> {
        auto it = files.find(track);
        if (it == files.end()) return nullptr;
        auto decoder = std::make_unique<AudioFileDecoder>();
        if (!decoder->Open(it->second)) return nullptr;
        return decoder;
    };
    return std::make_unique<CdStreamDevice>(std::move(lengths), std::move(factory));
}

uint32_t HostCdAudio::Open(const std::string& alias, int drive) {
    for (const auto& [id, entry] : m_Devices)
        if (entry.alias == alias) return 0;
    std::unique_ptr<CdStreamDevice> device = DiscReader::OpenDevice(drive);
    if (!device) device = OpenTrackFolder();
    if (!device) return 0;
    device->SetVolume(m_Volume);
    const uint32_t id = m_Next++;
    m_Devices[id] = Entry{alias, std::move(device), 0};
    return id;
}

bool HostCdAudio::Close(uint32_t device) {
    auto it = m_Devices.find(device);
    if (it == m_Devices.end()) return false;
    // The worker ends before the device goes.
    it->second.device->Stop();
    m_Devices.erase(it);
    return true;
}

bool HostCdAudio::SetTimeFormat(uint32_t device, int format) {
    Entry* e = Find(device);
    if (!e || format != kFormatTmsf) return false;
    e->format = format;
    return true;
}

bool HostCdAudio::TrackCount(uint32_t device, int& count) {
    Entry* e = Find(device);
    if (!e) return false;
    count = e->device->TrackCount();
    return true;
}

bool HostCdAudio::Position(uint32_t device, uint32_t& tmsf) {
    Entry* e = Find(device);
    if (!e || e->format != kFormatTmsf) return false;
    tmsf = e->device->Position();
    return true;
}

CdAudio::Notify HostCdAudio::WithDevice(uint32_t device, Notify notify) {
    if (!notify) return nullptr;
    return [device, notify = std::move(notify)](uint32_t, uint32_t code) { notify(device, code); };
}

bool HostCdAudio::Play(uint32_t device, uint32_t from, uint32_t to, Notify notify) {
    Entry* e = Find(device);
    if (!e || e->format != kFormatTmsf) return false;
    return e->device->Play(from, to, WithDevice(device, std::move(notify)), m_Mixer.lock());
}

bool HostCdAudio::Stop(uint32_t device) {
    Entry* e = Find(device);
    return e && e->device->Stop();
}

bool HostCdAudio::Pause(uint32_t device) {
    // Paused and stopped are one state here: the position stays and resume plays on from it.
    return Stop(device);
}

bool HostCdAudio::Resume(uint32_t device, Notify notify) {
    Entry* e = Find(device);
    return e && e->device->Resume(WithDevice(device, std::move(notify)), m_Mixer.lock());
}

bool HostCdAudio::Seek(uint32_t device, uint32_t tmsf) {
    Entry* e = Find(device);
    return e && e->format == kFormatTmsf && e->device->Seek(tmsf);
}

void HostCdAudio::SetVolume(int32_t attenuation) {
    m_Volume = attenuation;
    for (auto& [id, entry] : m_Devices) entry.device->SetVolume(attenuation);
}

}  // namespace platform
