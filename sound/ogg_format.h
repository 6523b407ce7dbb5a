#pragma once
// 16-bit PCM decoded from an Ogg Vorbis stream through vorbisfile's stream callbacks.
#include <vorbis/vorbisfile.h>

#include <cstdint>

#include "sound/sound_source.h"

class TyxOggFormat : public TyxSoundSource {
public:
    TyxOggFormat();
    ~TyxOggFormat() override;
    TyxOggFormat(const TyxOggFormat&) = delete;
    TyxOggFormat& operator=(const TyxOggFormat&) = delete;

    bool Open(TyxSoundStream* stream) override;
    uint32_t Read(void* buffer, uint32_t length, bool loop) override;
    bool Rewind() override;
    int TotalLength() const { return m_TotalLength; }  // milliseconds

private:
    static size_t ReadCallback(void* buffer, size_t size, size_t count, void* self);
    static int SeekCallback(void* self, ogg_int64_t offset, int origin);
    static int CloseCallback(void* self);
    static long TellCallback(void* self);
    void Clear();

    OggVorbis_File m_Decoder;
    ov_callbacks m_Callbacks;
    int m_TotalLength = 0;
    TyxSoundStream* m_Stream = nullptr;  // set while the decoder holds state
    int64_t m_Start = 0;
};
