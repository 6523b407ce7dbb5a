// The engine's four sound channels: music, ambient sound, sound effect and voice, each bound
// to one slot of the streaming player.
#include "engine/velmor.h"
#include "platform/file_system.h"
#include "resources/bcl_manager.h"
#include "resources/memory_stream.h"
#include "resources/sjis_text.h"
#include "sound/ds_player.h"

namespace {
constexpr int kChannels = 4;

std::string SoundFileError(const std::string& name, const char* what) {
    return SJ("soundPlayer : 音楽ファイル ") + name + SJ(what);
}

int32_t ChannelVolume(const TVelmorSystemState& state, int channel) {
    const int32_t volumes[kChannels] = {state.BGMVolume, state.BGEVolume, state.SoundVolume,
                                        state.VoiceVolume};
    return volumes[channel];
}
}  // namespace

void TVelmor::CreateSoundChannels() {
    for (auto& stream : m_ChannelStreams) stream = std::make_unique<TMemoryStream>();
    m_Player = std::make_unique<TyxDSPlayer>(kChannels);
    ApplyVolumes();
}

bool TVelmor::InitializeSound(std::function<void(int slot)> onEnd) {
    return m_Player && m_Player->Initialize(std::move(onEnd), 2, 16, 44100);
}

void TVelmor::DestroySoundPlayer() {
    m_Player.reset();
}

// A player whose device never opened behaves as no player: its opens could only fail.
TyxDSPlayer* TVelmor::LivePlayer() const {
    return m_Player && m_Player->Device() ? m_Player.get() : nullptr;
}

void TVelmor::ApplyVolumes() {
    if (!m_Player) return;
    for (int channel = 0; channel < kChannels; ++channel)
        m_Player->SetVolume(channel, ChannelVolume(m_State, channel) * 10);
}

bool TVelmor::SoundPlayer(int channel, TSoundOperation operation) {
    if (channel < 0 || channel >= kChannels) return false;
    if (operation == TSoundOperation::None || operation == TSoundOperation::Reserved) return true;
    const std::string& name = m_ChannelFiles[channel];
    if (m_Monitor) m_Monitor->Sound(static_cast<TSoundChannel>(channel), operation, name);
    TyxDSPlayer* player = LivePlayer();
    if (!player) return false;

    switch (operation) {
        case TSoundOperation::Load: {
            if (platform::FileSystem::FileExists(name)) {
                if (!player->OpenFile(name, channel)) {
                    AddErrorRecord(SoundFileError(name, " をオープンできません"));
                    return false;
                }
            } else {
                // The slot's worker may still be reading this buffer from the last sound;
                // it must have ended before the buffer is refilled.
                if (TyxDSPlayThread* thread = player->Slot(channel)) thread->Close();
                TMemoryStream& buffer = *m_ChannelStreams[channel];
                buffer.Clear();
                if (!m_Manager || !m_Manager->LoadStream(buffer, name)) {
                    AddErrorRecord(SoundFileError(name, " をストリームロードできません"));
                    return false;
                }
                buffer.SetPosition(0);
                if (!player->OpenStream(buffer, channel)) {
                    AddErrorRecord(SoundFileError(name, " をストリームセットできません"));
                    return false;
                }
            }
            player->SetVolume(channel, ChannelVolume(m_State, channel) * 10);
            return true;
        }
        case TSoundOperation::PlayOnce:
        case TSoundOperation::PlayLooped:
            if (!player->Play(channel, operation == TSoundOperation::PlayLooped)) {
                AddErrorRecord(SoundFileError(name, " を再生できません"));
                return false;
            }
            return true;
        case TSoundOperation::Stop:
            player->Stop(channel);
            return true;
        default:
            return false;
    }
}

void TVelmor::RestoreSound() {
    if (!m_CDDrive.empty()) {
        CDControlRequest(TCDRequest::Stop);
        if (m_CDTrack > 0) CDControlRequest(TCDRequest::PlayNotify);
    }
    for (int channel = 0; channel < kChannels; ++channel) {
        SoundPlayer(channel, TSoundOperation::Stop);
        if (m_ChannelFiles[channel].empty()) continue;
        SoundPlayer(channel, TSoundOperation::Load);
        // Music and ambient sound come back playing once; they loop again when the script
        // next starts them. The play is tried even when the load failed.
        if (channel < 2) SoundPlayer(channel, TSoundOperation::PlayOnce);
    }
}
