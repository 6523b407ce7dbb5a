#pragma once
// 16-bit PCM decoded from an Ogg Vorbis stream through vorbisfile's stream callbacks.
#include <vorbis/vorbisfile.h>

#include <cstddef>
#include <cstdint>
#include <vector>

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
    // The largest decoded sound kept in memory for its loops (4 MiB).
    static void SetKeptLimitForTests(size_t bytes);

private:
    static size_t ReadCallback(void* buffer, size_t size, size_t count, void* self);
    static int SeekCallback(void* self, ogg_int64_t offset, int origin);
    static int CloseCallback(void* self);
    static long TellCallback(void* self);
    void Clear();
    void Keep(const char* bytes, long count);
    uint32_t ReadKept(char* out, uint32_t length, bool loop);

    OggVorbis_File m_Decoder;
    ov_callbacks m_Callbacks;
    int m_TotalLength = 0;
    TyxSoundStream* m_Stream = nullptr;  // set while the decoder holds state
    int64_t m_Start = 0;
    // A short sound's first whole pass, kept so that a loop plays it again from memory
    // instead of decoding it again (the same bytes: a pass after a rewind decodes alike).
    std::vector<char> m_Kept;
    size_t m_KeptTotal = 0;  // bytes of one whole pass; 0 when the sound is not kept
    size_t m_KeptPos = 0;
    bool m_FromKept = false;
};
