#include "sound/wave_format.h"

#include <algorithm>
#include <cstring>

namespace {

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool Tag(const uint8_t* b, size_t size, size_t at, const char* tag) {
    return at + 4 <= size && std::memcmp(b + at, tag, 4) == 0;
}

std::string TagText(const uint8_t* b, size_t size, size_t at) {
    std::string t;
    for (size_t i = at; i < at + 4 && i < size; ++i)
        t += b[i] >= 32 && b[i] < 127 ? static_cast<char>(b[i]) : '?';
    return "\"" + t + "\"";
}

}  // namespace

bool TyxWaveFormat::ReadAt(int64_t offset, void* buffer, size_t size) {
    return m_Stream->Seek(m_Start + offset) && m_Stream->Read(buffer, size) == size;
}

bool TyxWaveFormat::Open(TyxSoundStream* stream) {
    m_Stream = stream;
    m_Format = {};
    m_Ended = false;
    m_Failed = false;
    m_RiffSize = m_FormatChunkSize = m_FactChunkSize = m_FactValue = m_DataSize = 0;
    if (!stream) return false;
    m_Start = stream->Position();

    // A file shorter than its headers fails here rather than mid-read.
    uint8_t riff[12];
    if (!ReadAt(0, riff, sizeof riff)) return false;
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return false;
    m_RiffSize = Le32(riff + 4);

    uint8_t fmt[24];
    if (!ReadAt(12, fmt, sizeof fmt)) return false;
    if (std::memcmp(fmt, "fmt", 3) != 0) return false;
    m_FormatChunkSize = Le32(fmt + 4);
    m_Format.wFormatTag = Le16(fmt + 8);
    m_Format.nChannels = Le16(fmt + 10);
    m_Format.nSamplesPerSec = Le32(fmt + 12);
    m_Format.nAvgBytesPerSec = Le32(fmt + 16);
    m_Format.nBlockAlign = Le16(fmt + 20);
    m_Format.wBitsPerSample = Le16(fmt + 22);
    m_Format.cbSize = 0;

    int64_t factOffset = 12 + (m_FormatChunkSize != 0 ? int64_t{m_FormatChunkSize} + 8 : 0);
    uint8_t fact[12];
    if (ReadAt(factOffset, fact, 4) && std::memcmp(fact, "fact", 4) == 0) {
        if (!ReadAt(factOffset + 4, fact + 4, 8)) return false;
        m_FactChunkSize = Le32(fact + 4);
        m_FactValue = Le32(fact + 8);
    }

    int64_t dataOffset = factOffset + (m_FactChunkSize != 0 ? int64_t{m_FactChunkSize} + 8 : 0);
    uint8_t data[8];
    if (!ReadAt(dataOffset, data, sizeof data)) return false;
    if (std::memcmp(data, "data", 4) != 0) return false;
    m_DataSize = Le32(data + 4);
    int64_t dataStart = dataOffset + 8;
    if (dataStart + m_DataSize != int64_t{m_RiffSize} + 8) return false;
    // Claimed data beyond the end of the stream is a truncated file.
    if (m_Start + dataStart + m_DataSize > stream->Size()) return false;

    m_DataStart = m_Start + dataStart;
    m_DataEnd = m_DataStart + m_DataSize;
    m_ReadPosition = m_DataStart;
    return true;
}

bool TyxWaveFormat::Rewind() {
    if (!m_Stream) return false;
    m_ReadPosition = m_DataStart;
    m_Ended = false;
    return true;
}

void TyxWaveFormat::FillSilence(uint8_t* buffer, uint32_t length) const {
    std::memset(buffer, m_Format.wBitsPerSample == 8 ? 0x80 : 0, length);
}

uint32_t TyxWaveFormat::Read(void* buffer, uint32_t length, bool loop) {
    auto* out = static_cast<uint8_t*>(buffer);
    uint32_t count = 0;
    if (!m_Stream || m_DataSize == 0 || m_Failed) {
        // Nothing to wrap around to: looping an empty sound would never fill the buffer.
        FillSilence(out, length);
        m_Ended = true;
        return 0;
    }
    while (count < length) {
        if (m_Ended) {
            m_ReadPosition = m_DataStart;
            if (!loop) {
                FillSilence(out + count, length - count);
                break;
            }
            m_Ended = false;
        }
        uint32_t n = length - count;
        if (m_ReadPosition + n >= m_DataEnd) {
            n = static_cast<uint32_t>(m_DataEnd - m_ReadPosition);
            m_Ended = true;
        }
        size_t got = 0;
        if (m_Stream->Seek(m_ReadPosition)) got = m_Stream->Read(out + count, n);
        m_ReadPosition += static_cast<int64_t>(got);
        count += static_cast<uint32_t>(got);
        if (got < n) {
            // The file shrank under us: end the sound here.
            m_Failed = true;
            m_Ended = true;
            FillSilence(out + count, length - count);
            break;
        }
    }
    return count;
}

std::string TyxWaveFormat::Refusal(const uint8_t* bytes, size_t size) {
    if (!Tag(bytes, size, 0, "RIFF")) return "not a RIFF WAVE file";
    if (size < 20 || !Tag(bytes, size, 8, "WAVE")) return "a RIFF file that is not WAVE";
    if (!(bytes[12] == 'f' && bytes[13] == 'm' && bytes[14] == 't'))
        return "the \"fmt \" chunk must come first, right after the RIFF header, but " +
               TagText(bytes, size, 12) +
               " is there; save the file again without extra chunks (metadata)";
    const uint32_t fmtSize = Le32(bytes + 16);
    if (size >= 22 && (bytes[20] | bytes[21] << 8) != 1)
        return "not plain PCM (format tag " + std::to_string(bytes[20] | bytes[21] << 8) +
               "); the sound device plays only uncompressed PCM WAVE files, or use Ogg Vorbis";
    size_t at = 12 + (fmtSize ? fmtSize + 8 : 0);
    if (at + 8 > size) return "the file ends inside its headers";
    if (Tag(bytes, size, at, "fact")) {
        const uint32_t factSize = Le32(bytes + at + 4);
        at += factSize ? factSize + 8 : 0;
        if (at + 8 > size) return "the file ends inside its headers";
    }
    if (!Tag(bytes, size, at, "data"))
        return "a " + TagText(bytes, size, at) +
               " chunk stands between \"fmt \" and \"data\"; the engine accepts only one "
               "optional \"fact\" chunk there. Save the file again without metadata "
               "(for example: sox in.wav out.wav, or ffmpeg -i in.wav -map_metadata -1 "
               "-bitexact out.wav)";
    const uint64_t dataEnd = at + 8 + static_cast<uint64_t>(Le32(bytes + at + 4));
    const uint64_t riffEnd = static_cast<uint64_t>(Le32(bytes + 4)) + 8;
    if (dataEnd != riffEnd) {
        if (dataEnd < riffEnd && dataEnd + 4 <= size)
            return "a " + TagText(bytes, size, static_cast<size_t>(dataEnd)) +
                   " chunk follows \"data\"; the data chunk must be the last thing in the "
                   "file. Save the file again without metadata";
        return "the RIFF size does not match the data chunk (" + std::to_string(riffEnd) +
               " against " + std::to_string(dataEnd) + " bytes); the file is cut or damaged";
    }
    return {};
}
