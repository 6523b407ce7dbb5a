#pragma once
// Sound files made at test time: WAVE built byte by byte, Ogg Vorbis encoded with vorbisenc.
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fixtures {

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
inline void PutTag(std::vector<uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}
inline void PutChunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& body) {
    PutTag(out, tag);
    Put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

struct WaveOptions {
    uint16_t tag = 1;
    uint16_t channels = 2;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    uint32_t extraFormatBytes = 0;  // bytes after the 16 standard ones in "fmt "
    int factSize = -1;              // -1: no "fact" chunk
    std::vector<std::pair<std::string, std::vector<uint8_t>>> before;  // chunks before "data"
    std::vector<std::pair<std::string, std::vector<uint8_t>>> after;   // chunks after it
    int riffSizeDelta = 0;
};

inline std::vector<uint8_t> MakeWave(const std::vector<uint8_t>& data, const WaveOptions& o = {}) {
    std::vector<uint8_t> body;
    PutTag(body, "WAVE");
    std::vector<uint8_t> fmt;
    uint16_t align = static_cast<uint16_t>(o.channels * o.bits / 8);
    Put16(fmt, o.tag);
    Put16(fmt, o.channels);
    Put32(fmt, o.rate);
    Put32(fmt, align * o.rate);
    Put16(fmt, align);
    Put16(fmt, o.bits);
    fmt.resize(fmt.size() + o.extraFormatBytes, 0);
    PutChunk(body, "fmt ", fmt);
    if (o.factSize >= 0) {
        std::vector<uint8_t> fact(static_cast<size_t>(o.factSize), 0);
        if (fact.size() >= 4) std::memcpy(fact.data(), "\x10\x00\x00\x00", 4);
        PutChunk(body, "fact", fact);
    }
    for (auto& [tag, chunk] : o.before) PutChunk(body, tag.c_str(), chunk);
    PutChunk(body, "data", data);
    for (auto& [tag, chunk] : o.after) PutChunk(body, tag.c_str(), chunk);
    std::vector<uint8_t> out;
    PutTag(out, "RIFF");
    Put32(out, static_cast<uint32_t>(static_cast<int64_t>(body.size()) + o.riffSizeDelta));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// 16-bit interleaved samples as little-endian bytes.
inline std::vector<uint8_t> Bytes16(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out;
    for (int16_t s : samples) Put16(out, static_cast<uint16_t>(s));
    return out;
}

// A pattern where every frame differs from its neighbours, so a shifted or repeated frame
// shows up when output is compared.
inline std::vector<int16_t> Ramp(size_t frames, int channels, int seed = 1) {
    std::vector<int16_t> out;
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            out.push_back(static_cast<int16_t>(
                ((i * 7 + static_cast<size_t>(c) * 1001 + static_cast<size_t>(seed) * 313) %
                 20000) +
                100));
        }
    }
    return out;
}

inline std::vector<int16_t> Sine(size_t frames, int channels, int rate, double hz, double amp) {
    std::vector<int16_t> out;
    for (size_t i = 0; i < frames; ++i) {
        double v = amp * std::sin(2 * M_PI * hz * static_cast<double>(i) / rate);
        for (int c = 0; c < channels; ++c) out.push_back(static_cast<int16_t>(std::lround(v)));
    }
    return out;
}

inline std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& samples, int channels, int rate,
                                      float quality = 0.3f) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    std::vector<uint8_t> out;
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) return out;
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 12345);
    ogg_packet header, comm, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comm, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comm);
    ogg_stream_packetin(&os, &code);
    ogg_page og;
    auto writePage = [&](const ogg_page& page) {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    while (ogg_stream_flush(&os, &og) != 0) writePage(og);
    size_t frames = samples.size() / static_cast<size_t>(channels);
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        size_t n = std::min<size_t>(1024, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i) {
                for (int c = 0; c < channels; ++c) {
                    buf[c][i] = samples[(done + i) * static_cast<size_t>(channels) +
                                        static_cast<size_t>(c)] /
                                32768.0f;
                }
            }
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og) != 0) {
                    writePage(og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) {
            while (ogg_stream_flush(&os, &og) != 0) writePage(og);
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

}  // namespace fixtures
