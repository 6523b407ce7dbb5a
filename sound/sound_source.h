#pragma once
// What the streaming player needs from a decoded sound: its PCM format, bytes on demand
// (wrapping to the start when looped), and whether the last read reached the end.
#include <cstdint>

#include "platform/sound_types.h"
#include "sound/sound_stream.h"

class TyxSoundSource {
public:
    virtual ~TyxSoundSource() = default;
    // The sound starts at the stream's present position. The stream is borrowed.
    virtual bool Open(TyxSoundStream* stream) = 0;
    // Fills length bytes: sound, then silence when the sound ends without loop. Returns
    // the sound bytes written.
    virtual uint32_t Read(void* buffer, uint32_t length, bool loop) = 0;
    // Back to the first sample; clears the end flag.
    virtual bool Rewind() = 0;

    const platform::WaveFormatEx& Format() const { return m_Format; }
    bool Ended() const { return m_Ended; }
    // The data broke off (unreadable or undecodable): the sound cannot go on, looped or not.
    bool Failed() const { return m_Failed; }

protected:
    platform::WaveFormatEx m_Format;
    bool m_Ended = false;
    bool m_Failed = false;
};
