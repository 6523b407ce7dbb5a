#include "engine/velmor_sound_channels.h"

#include <cstring>
#include <iostream>
#include <vector>

#include "engine/velmor_monitor.h"
#include "engine/velmor_system_state.h"
#include "platform/file_system.h"
#include "platform/sjis.h"
#include "resources/bcl_manager.h"
#include "resources/memory_stream.h"
#include "resources/sjis_text.h"
#include "sound/ds_player.h"
#include "sound/wave_format.h"

namespace {
std::string SoundFileError(const std::string& name, const char* what) {
    return SJ("soundPlayer : 音楽ファイル ") + name + SJ(what);
}

// The record says a sound would not open; the error stream says why, when the bytes tell.
void ExplainRefusal(const std::string& name, const uint8_t* bytes, size_t size) {
    std::string why;
    if (size >= 4 && std::memcmp(bytes, "RIFF", 4) == 0)
        why = TyxWaveFormat::Refusal(bytes, size);
    else if (size < 4 || std::memcmp(bytes, "OggS", 4) != 0)
        why = "it is neither a WAVE (RIFF) nor an Ogg Vorbis file";
    if (!why.empty())
        std::cerr << "velmor: sound " << platform::SjisToUtf8(name) << " not played: " << why
                  << std::endl;
}
}  // namespace

TVelmorSoundChannels::TVelmorSoundChannels(TyxBCLManager* manager, const TVelmorSystemState& state,
                                           TRecord record)
    : m_Manager(manager), m_State(state), m_Record(std::move(record)) {
    for (auto& stream : m_Streams) stream = std::make_unique<TMemoryStream>();
    m_Player = std::make_unique<TyxDSPlayer>(kSoundChannelCount);
    ApplyVolumes();
}

TVelmorSoundChannels::~TVelmorSoundChannels() {
    m_Player.reset();
}

int32_t TVelmorSoundChannels::Volume(int channel) const {
    const int32_t volumes[kSoundChannelCount] = {m_State.BGMVolume, m_State.BGEVolume,
                                                 m_State.SoundVolume, m_State.VoiceVolume};
    return volumes[channel];
}

bool TVelmorSoundChannels::Initialize(std::function<void(int slot)> onEnd) {
    if (m_Player->Initialize(std::move(onEnd), 2, 16, 44100)) return true;
    GoSilent();
    return false;
}

void TVelmorSoundChannels::GoSilent() {
    m_Player = std::make_unique<TyxDSPlayer>(kSoundChannelCount);
}

// A player whose device never opened is silent: its opens could only fail.
TyxDSPlayer* TVelmorSoundChannels::LivePlayer() const {
    return m_Player->Device() ? m_Player.get() : nullptr;
}

void TVelmorSoundChannels::ApplyVolumes() {
    for (int channel = 0; channel < kSoundChannelCount; ++channel)
        m_Player->SetVolume(channel, Volume(channel) * 10);
}

void TVelmorSoundChannels::RestorePlayedPositions(const std::string& soundScript, int32_t soundLine,
                                                  const std::string& voiceScript,
                                                  int32_t voiceLine) {
    m_SoundPosition.Script = soundScript;
    m_SoundPosition.Line = soundLine;
    m_VoicePosition.Script = voiceScript;
    m_VoicePosition.Line = voiceLine;
}

bool TVelmorSoundChannels::Play(int channel, TSoundOperation operation) {
    if (channel < 0 || channel >= kSoundChannelCount) return false;
    if (operation == TSoundOperation::None || operation == TSoundOperation::Reserved) return true;
    const std::string& name = m_Files[channel];
    if (m_Monitor) m_Monitor->Sound(static_cast<TSoundChannel>(channel), operation, name);
    TyxDSPlayer* player = LivePlayer();
    if (!player) return false;

    switch (operation) {
        case TSoundOperation::Load: {
            if (platform::FileSystem::FileExists(name)) {
                if (!player->OpenFile(name, channel)) {
                    std::vector<uint8_t> bytes;
                    if (platform::FileSystem::ReadFile(name, bytes))
                        ExplainRefusal(name, bytes.data(), bytes.size());
                    m_Record(SoundFileError(name, " をオープンできません"));
                    return false;
                }
            } else {
                // The slot's worker may still be reading this buffer from the last sound;
                // it must have ended before the buffer is refilled.
                if (TyxDSPlayThread* thread = player->Slot(channel)) thread->Close();
                TMemoryStream& buffer = *m_Streams[channel];
                buffer.Clear();
                if (!m_Manager || !m_Manager->LoadStream(buffer, name)) {
                    if (const std::string s = m_Manager ? m_Manager->ScrambledSpelling(name) : "";
                        !s.empty())
                        std::cerr << "velmor: sound " << platform::SjisToUtf8(name)
                                  << " not played: it is stored scrambled, and a scrambled file "
                                     "is found only under its scrambled name "
                                  << platform::SjisToUtf8(s) << std::endl;
                    m_Record(SoundFileError(name, " をストリームロードできません"));
                    return false;
                }
                buffer.SetPosition(0);
                if (!player->OpenStream(buffer, channel)) {
                    ExplainRefusal(name, buffer.Data(), buffer.Size());
                    m_Record(SoundFileError(name, " をストリームセットできません"));
                    return false;
                }
            }
            player->SetVolume(channel, Volume(channel) * 10);
            return true;
        }
        case TSoundOperation::PlayOnce:
        case TSoundOperation::PlayLooped:
            if (!player->Play(channel, operation == TSoundOperation::PlayLooped)) {
                m_Record(SoundFileError(name, " を再生できません"));
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
