// Makes the demo's sounds from nothing but arithmetic (and, when given, a spoken line from a
// speech synthesiser): music and the sea as Ogg Vorbis, a door as 8-bit WAVE, a bell as 16-bit
// WAVE. Usage: velmor-soundgen OUTPUT_FOLDER [SPOKEN_LINE.wav]
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Interleaved samples in -1..1.
struct Sound {
    int rate = 44100;
    int channels = 1;
    std::vector<float> samples;
    size_t Frames() const { return samples.size() / static_cast<size_t>(channels); }
};

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool WriteWave(const std::string& path, const Sound& s, int bits) {
    const uint32_t align = static_cast<uint32_t>(s.channels * bits / 8);
    const uint32_t dataSize = static_cast<uint32_t>(s.Frames()) * align;
    std::vector<uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    Put(out, 36 + dataSize, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put(out, 16, 4);
    Put(out, 1, 2);
    Put(out, static_cast<uint32_t>(s.channels), 2);
    Put(out, static_cast<uint32_t>(s.rate), 4);
    Put(out, align * static_cast<uint32_t>(s.rate), 4);
    Put(out, align, 2);
    Put(out, static_cast<uint32_t>(bits), 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put(out, dataSize, 4);
    for (float v : s.samples) {
        const float c = std::clamp(v, -1.0f, 1.0f);
        if (bits == 8)
            out.push_back(static_cast<uint8_t>(std::lround(128 + c * 127)));
        else
            Put(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(c * 32767))), 2);
    }
    return WriteFile(path, out);
}

bool WriteOgg(const std::string& path, const Sound& s, float quality) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, s.channels, s.rate, quality) != 0) return false;
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", "velmor demo");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 20261209);
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    std::vector<uint8_t> out;
    ogg_page og;
    auto emit = [&] {
        out.insert(out.end(), og.header, og.header + og.header_len);
        out.insert(out.end(), og.body, og.body + og.body_len);
    };
    while (ogg_stream_flush(&os, &og) != 0) emit();
    const size_t frames = s.Frames();
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        const size_t n = std::min<size_t>(1024, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < s.channels; ++c)
                    buf[c][i] = s.samples[(done + i) * static_cast<size_t>(s.channels) +
                                          static_cast<size_t>(c)];
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (!eos && ogg_stream_pageout(&os, &og) != 0) {
                    emit();
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return WriteFile(path, out);
}

double NoteHz(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// Adds a note that starts at t0 seconds: a few partials under an attack and a decay. The
// whole note is wrapped around the sound's end, so music made of them loops without a seam.
void AddNote(Sound& s, double t0, double length, double hz, double level, double pan, double decay,
             const std::vector<double>& partials) {
    const size_t frames = s.Frames();
    const size_t start = static_cast<size_t>(t0 * s.rate);
    const size_t count = static_cast<size_t>(length * s.rate);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / s.rate;
        const double attack = std::min(1.0, t / 0.02);
        const double release = std::min(1.0, (length - t) / 0.3);
        const double env = attack * release * std::exp(-t * decay);
        double v = 0;
        for (size_t p = 0; p < partials.size(); ++p)
            v += partials[p] * std::sin(2 * kPi * hz * static_cast<double>(p + 1) * t);
        v *= env * level;
        const size_t at = (start + i) % frames;
        if (s.channels == 2) {
            s.samples[at * 2] += static_cast<float>(v * (1 - pan));
            s.samples[at * 2 + 1] += static_cast<float>(v * pan);
        } else {
            s.samples[at] += static_cast<float>(v);
        }
    }
}

// The night theme: a slow A minor progression on a soft pad, a bell melody above it; 16
// seconds at 60 beats a minute, looping seamlessly.
Sound NightTheme() {
    Sound s;
    s.rate = 44100;
    s.channels = 2;
    s.samples.assign(16 * 44100 * 2, 0.0f);
    const int chords[4][3] = {{57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}};
    for (int bar = 0; bar < 4; ++bar) {
        for (int n = 0; n < 3; ++n)
            AddNote(s, bar * 4.0, 4.2, NoteHz(chords[bar][n]), 0.09, 0.3 + 0.2 * n, 0.25,
                    {1.0, 0.3, 0.1});
        AddNote(s, bar * 4.0, 4.0, NoteHz(chords[bar][0] - 12), 0.12, 0.5, 0.4, {1.0, 0.2});
    }
    const int melody[16] = {76, 72, 69, 72, 77, 76, 72, 69, 79, 76, 72, 71, 74, 72, 71, 69};
    for (int beat = 0; beat < 16; ++beat)
        AddNote(s, beat, 1.6, NoteHz(melody[beat]), 0.16, 0.65, 2.2, {1.0, 0.0, 0.25, 0.0, 0.08});
    return s;
}

// Waves on rocks: noise through a gentle low-pass whose level swells and breaks every four
// seconds; 12 seconds of mono at 22050 per second, looping seamlessly.
Sound SeaWaves() {
    Sound s;
    s.rate = 22050;
    s.channels = 1;
    const size_t frames = 12 * 22050;
    s.samples.assign(frames, 0.0f);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 1.0);
    // Run the filter over one extra period first so its state at the loop point matches.
    double low = 0, lower = 0;
    for (size_t pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / s.rate;
            const double phase = std::fmod(t, 4.0) / 4.0;
            const double swell = std::pow(std::sin(kPi * phase), 3.0);
            const double cutoff = 0.02 + 0.10 * swell;
            low += cutoff * (noise(rng) - low);
            lower += cutoff * (low - lower);
            if (pass == 1) s.samples[i] = static_cast<float>(lower * (0.15 + 1.6 * swell));
        }
    }
    return s;
}

// Two knocks on a wooden door: a low thump with a short noise click, mono 22050.
Sound DoorKnock() {
    Sound s;
    s.rate = 22050;
    s.channels = 1;
    s.samples.assign(22050 * 9 / 10, 0.0f);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    for (double at : {0.05, 0.32}) {
        const size_t start = static_cast<size_t>(at * s.rate);
        for (size_t i = 0; i < 5000 && start + i < s.Frames(); ++i) {
            const double t = static_cast<double>(i) / s.rate;
            const double body = 0.7 * std::sin(2 * kPi * 140 * t) * std::exp(-t * 28);
            const double click = 0.4 * noise(rng) * std::exp(-t * 250);
            s.samples[start + i] += static_cast<float>(body + click);
        }
    }
    return s;
}

// A small bell, 16-bit stereo 44100: inharmonic partials decaying at their own speeds.
Sound Bell() {
    Sound s;
    s.rate = 44100;
    s.channels = 2;
    const size_t frames = 44100 * 2;
    s.samples.assign(frames * 2, 0.0f);
    const double ratios[4] = {1.0, 2.76, 5.40, 8.93};
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / s.rate;
        double v = 0;
        for (int p = 0; p < 4; ++p)
            v += std::sin(2 * kPi * 880 * ratios[p] * t) * std::exp(-t * (2.0 + 3.0 * p)) / (p + 1);
        v *= 0.35 * std::min(1.0, t / 0.003);
        s.samples[i * 2] = static_cast<float>(v);
        s.samples[i * 2 + 1] = static_cast<float>(v * 0.8);
    }
    return s;
}

// A 16-bit PCM WAVE as a synthesiser writes it; mono or stereo, any rate.
bool ReadWave(const std::string& path, Sound& s) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), {});
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 ||
        std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return false;
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                     static_cast<uint32_t>(b[at + 3]) << 24);
    };
    int bits = 0;
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = u32(at + 4);
        const size_t body = at + 8;
        const size_t end = std::min(b.size(), body + size);
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16) {
            s.channels = b[body + 2] | b[body + 3] << 8;
            s.rate = static_cast<int>(u32(body + 4));
            bits = b[body + 14] | b[body + 15] << 8;
        } else if (std::memcmp(b.data() + at, "data", 4) == 0 && bits == 16 && s.channels > 0) {
            for (size_t i = body; i + 1 < end; i += 2)
                s.samples.push_back(static_cast<int16_t>(b[i] | b[i + 1] << 8) / 32768.0f);
            return !s.samples.empty();
        }
        at = body + size + (size & 1);
    }
    return false;
}

// Without a synthesiser: a sung vowel line, a glottal pulse train through three formants.
Sound Hum() {
    Sound s;
    s.rate = 22050;
    s.channels = 1;
    const size_t frames = 22050 * 2;
    s.samples.assign(frames, 0.0f);
    const double formants[3][3] = {{800, 1200, 2500}, {400, 2000, 2600}, {500, 900, 2400}};
    double state[3][2] = {};
    double phase = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / s.rate;
        const double pitch = 240 + 30 * std::sin(2 * kPi * 0.8 * t);
        phase += pitch / s.rate;
        const double source = phase >= 1 ? (phase -= 1, 1.0) : 0.0;
        const auto& f = formants[std::min<size_t>(2, static_cast<size_t>(t / 0.67))];
        double v = 0;
        for (int k = 0; k < 3; ++k) {
            const double r = 0.97, w = 2 * kPi * f[k] / s.rate;
            const double y = source + 2 * r * std::cos(w) * state[k][0] - r * r * state[k][1];
            state[k][1] = state[k][0];
            state[k][0] = y;
            v += y / (k + 1);
        }
        s.samples[i] = static_cast<float>(0.02 * v * std::min(1.0, (2.0 - t) / 0.1));
    }
    return s;
}

// Peak to the given level.
void Normalise(Sound& s, float peak) {
    float most = 0;
    for (float v : s.samples) most = std::max(most, std::fabs(v));
    if (most <= 0) return;
    for (float& v : s.samples) v *= peak / most;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [SPOKEN_LINE.wav]\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    Sound theme = NightTheme(), sea = SeaWaves(), door = DoorKnock(), bell = Bell();
    Normalise(theme, 0.5f);
    Normalise(sea, 0.35f);
    Normalise(door, 0.8f);
    Sound voice;
    if (argc < 3 || !ReadWave(argv[2], voice)) {
        if (argc >= 3) std::fprintf(stderr, "soundgen: %s unreadable, humming instead\n", argv[2]);
        voice = Hum();
    }
    Normalise(voice, 0.7f);
    bool ok = WriteOgg(dir + "bgm_night.ogg", theme, 0.4f);
    ok = WriteOgg(dir + "bge_wave.ogg", sea, 0.3f) && ok;
    ok = WriteWave(dir + "se_door.wav", door, 8) && ok;
    ok = WriteWave(dir + "se_bell.wav", bell, 16) && ok;
    ok = WriteOgg(dir + "v_mio01.ogg", voice, 0.4f) && ok;
    if (!ok) std::fprintf(stderr, "soundgen: could not write the sounds into %s\n", argv[1]);
    return ok ? 0 : 1;
}
