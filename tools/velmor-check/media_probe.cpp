#include "tools/velmor-check/media_probe.h"

#include <cstring>

namespace {
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}
bool Tag(const std::vector<uint8_t>& b, size_t at, const char* tag) {
    return at + 4 <= b.size() && std::memcmp(b.data() + at, tag, 4) == 0;
}
std::string TagText(const std::vector<uint8_t>& b, size_t at) {
    std::string t;
    for (size_t i = at; i < at + 4 && i < b.size(); ++i)
        t += b[i] >= 32 && b[i] < 127 ? static_cast<char>(b[i]) : '?';
    return "\"" + t + "\"";
}
}  // namespace

bool TMediaProbe::PictureSize(const std::vector<uint8_t>& b, const std::string& ext,
                              int32_t& width, int32_t& height) {
    if (ext == ".png") {
        if (b.size() < 24 || !Tag(b, 12, "IHDR")) return false;
        width = static_cast<int32_t>(Be32(b, 16));
        height = static_cast<int32_t>(Be32(b, 20));
        return true;
    }
    if (ext == ".bmp") {
        if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
        const uint32_t header = Le32(b, 14);
        if (header == 12) {
            width = b[18] | b[19] << 8;
            height = b[20] | b[21] << 8;
        } else {
            width = static_cast<int32_t>(Le32(b, 18));
            height = static_cast<int32_t>(Le32(b, 22));
            if (height < 0) height = -height;  // top-down rows
        }
        return true;
    }
    if (ext == ".jpg" || ext == ".jpeg") {
        size_t p = 2;
        if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return false;
        while (p + 9 < b.size()) {
            if (b[p] != 0xFF) return false;
            const uint8_t marker = b[p + 1];
            if (marker == 0xFF) {
                ++p;
                continue;
            }
            const size_t length = static_cast<size_t>(b[p + 2] << 8 | b[p + 3]);
            if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                marker != 0xCC) {
                height = b[p + 5] << 8 | b[p + 6];
                width = b[p + 7] << 8 | b[p + 8];
                return true;
            }
            p += 2 + length;
        }
        return false;
    }
    return false;
}

std::string TMediaProbe::SoundProblem(const std::vector<uint8_t>& b) {
    if (Tag(b, 0, "OggS")) return {};
    if (!Tag(b, 0, "RIFF"))
        return "neither a WAVE (RIFF) nor an Ogg Vorbis file; the sound players read only those";
    if (b.size() < 20 || !Tag(b, 8, "WAVE")) return "a RIFF file that is not WAVE";
    if (!(b[12] == 'f' && b[13] == 'm' && b[14] == 't'))
        return "the \"fmt \" chunk must come first, right after the RIFF header, but " +
               TagText(b, 12) +
               " is there; save the file again without extra chunks (metadata)";
    const uint32_t fmtSize = Le32(b, 16);
    if (b.size() >= 22 && (b[20] | b[21] << 8) != 1)
        return "not plain PCM (format tag " + std::to_string(b[20] | b[21] << 8) +
               "); the sound device plays only uncompressed PCM WAVE files, or use Ogg Vorbis";
    size_t at = 12 + (fmtSize ? fmtSize + 8 : 0);
    if (at + 8 > b.size()) return "the file ends inside its headers";
    if (Tag(b, at, "fact")) {
        const uint32_t factSize = Le32(b, at + 4);
        at += factSize ? factSize + 8 : 0;
        if (at + 8 > b.size()) return "the file ends inside its headers";
    }
    if (!Tag(b, at, "data"))
        return "a " + TagText(b, at) +
               " chunk stands between \"fmt \" and \"data\"; the engine accepts only one "
               "optional \"fact\" chunk there. Save the file again without metadata "
               "(for example: sox in.wav out.wav, or ffmpeg -i in.wav -map_metadata -1 "
               "-bitexact out.wav)";
    const uint64_t dataEnd = at + 8 + static_cast<uint64_t>(Le32(b, at + 4));
    const uint64_t riffEnd = static_cast<uint64_t>(Le32(b, 4)) + 8;
    if (dataEnd != riffEnd) {
        if (dataEnd < riffEnd && dataEnd + 4 <= b.size())
            return "a " + TagText(b, static_cast<size_t>(dataEnd)) +
                   " chunk follows \"data\"; the data chunk must be the last thing in the "
                   "file. Save the file again without metadata";
        return "the RIFF size does not match the data chunk (" + std::to_string(riffEnd) +
               " against " + std::to_string(dataEnd) + " bytes); the file is cut or damaged";
    }
    return {};
}
