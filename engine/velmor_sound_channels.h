#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/velmor_codes.h"
#include "engine/velmor_script_position.h"

class TyxBCLManager;
class TyxDSPlayer;
class TMemoryStream;
class TVelmorMonitor;
struct TVelmorSystemState;

// The four sound channels (music, ambient sound, sound effect, voice), each a slot of the
// streaming player with the name of its sound, and the CD track the script asked for.
class TVelmorSoundChannels {
public:
    using TRecord = std::function<void(const std::string&)>;
    TVelmorSoundChannels(TyxBCLManager* manager, const TVelmorSystemState& state, TRecord record);
    // Every worker ends before the channel buffers it may read go.
    ~TVelmorSoundChannels();

    // The one entry for sampled sound; failures are error records and a false result.
    bool Play(int channel, TSoundOperation operation);
    const std::string& File(int channel) const { return m_Files[channel & 3]; }
    void SetFile(int channel, const std::string& name) { m_Files[channel & 3] = name; }

    int32_t CDTrack() const { return m_CDTrack; }
    void SetCDTrack(int32_t track) { m_CDTrack = track; }
    // Where the last sound effect and voice started.
    const TVelmorScriptPosition& SoundPlayedPosition() const { return m_SoundPosition; }
    const TVelmorScriptPosition& VoicePlayedPosition() const { return m_VoicePosition; }
    void SetSoundPlayedPosition(const TVelmorScriptPosition& p) { m_SoundPosition = p; }
    void SetVoicePlayedPosition(const TVelmorScriptPosition& p) { m_VoicePosition = p; }
    // A saved game's positions: their paragraphs are not saved, so they stay as they were.
    void RestorePlayedPositions(const std::string& soundScript, int32_t soundLine,
                                const std::string& voiceScript, int32_t voiceLine);

    // The sampled-sound player. Without a sound device it stays, silent: every request to it
    // fails quietly, so nobody needs to ask whether there is one.
    TyxDSPlayer& Player() const { return *m_Player; }
    // Opens the output (2 channels, 16 bits, 44100 per second); onEnd runs on a worker thread.
    // False, leaving the player silent, when no device opens.
    bool Initialize(std::function<void(int slot)> onEnd);
    // Drops the device (the sound device went away for good): the player goes silent.
    void GoSilent();
    // Every slot's volume from the player's settings.
    void ApplyVolumes();
    void SetMonitor(TVelmorMonitor* monitor) { m_Monitor = monitor; }

private:
    TyxDSPlayer* LivePlayer() const;
    int32_t Volume(int channel) const;

    TyxBCLManager* m_Manager;
    const TVelmorSystemState& m_State;
    TRecord m_Record;
    TVelmorMonitor* m_Monitor = nullptr;
    std::string m_Files[kSoundChannelCount];
    // The streams outlive the player whose workers read them.
    std::unique_ptr<TMemoryStream> m_Streams[kSoundChannelCount];
    std::unique_ptr<TyxDSPlayer> m_Player;
    int32_t m_CDTrack = 0;
    TVelmorScriptPosition m_SoundPosition;
    TVelmorScriptPosition m_VoicePosition;
};
