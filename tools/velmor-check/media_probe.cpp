#include "tools/velmor-check/media_probe.h"

#include <cstring>

#include "sound/wave_format.h"

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
    return TyxWaveFormat::Refusal(b.data(), b.size());
}

std::string TMediaProbe::PngProblem(const std::vector<uint8_t>& b) {
    if (b.size() < 29 || !Tag(b, 12, "IHDR")) return "no PNG header";
    const int depth = b[24], type = b[25];
    const bool depthOk = type == 0   ? depth == 1 || depth == 2 || depth == 4 || depth == 8 ||
                                         depth == 16
                         : type == 3 ? depth == 1 || depth == 2 || depth == 4 || depth == 8
                         : type == 2 || type == 4 || type == 6 ? depth == 8 || depth == 16
                                                               : false;
    if (type != 0 && type != 2 && type != 3 && type != 4 && type != 6)
        return "colour type " + std::to_string(type) + " is not a PNG colour type";
    if (!depthOk)
        return "bit depth " + std::to_string(depth) + " is not allowed with colour type " +
               std::to_string(type);
    if (b[26] != 0) return "compression method " + std::to_string(b[26]) + " is unknown";
    if (b[27] != 0) return "filter method " + std::to_string(b[27]) + " is unknown";
    if (b[28] > 1) return "interlace method " + std::to_string(b[28]) + " is unknown";
    return {};
}
