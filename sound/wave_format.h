#pragma once
// PCM from a RIFF WAVE file: "fmt ", an optional "fact", then "data" as the last chunk.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sound/sound_source.h"

class TyxWaveFormat : public TyxSoundSource {
public:
    bool Open(TyxSoundStream* stream) override;
    // Why a file that begins with these bytes cannot be played (Open refuses its layout, or
    // the device its format), in words an author can act on; the first 64 KiB are plenty.
    // Empty when it plays.
    static std::string Refusal(const uint8_t* bytes, size_t size);
    uint32_t Read(void* buffer, uint32_t length, bool loop) override;
    bool Rewind() override;

    uint32_t RiffSize() const { return m_RiffSize; }
    uint32_t FormatChunkSize() const { return m_FormatChunkSize; }
    uint32_t FactChunkSize() const { return m_FactChunkSize; }
    uint32_t FactValue() const { return m_FactValue; }
    uint32_t DataSize() const { return m_DataSize; }

private:
    bool ReadAt(int64_t offset, void* buffer, size_t size);
    void FillSilence(uint8_t* buffer, uint32_t length) const;

    TyxSoundStream* m_Stream = nullptr;
    int64_t m_Start = 0;
    int64_t m_DataStart = 0;
    int64_t m_DataEnd = 0;
    int64_t m_ReadPosition = 0;
    uint32_t m_RiffSize = 0;
    uint32_t m_FormatChunkSize = 0;
    uint32_t m_FactChunkSize = 0;
    uint32_t m_FactValue = 0;
    uint32_t m_DataSize = 0;
};
