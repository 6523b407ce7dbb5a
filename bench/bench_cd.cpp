// CD music from ripped tracks: how long after the play request the first sound is in the
// mixer's buffer (the target is 100 ms), at a track's start and two minutes into it, for Ogg
// Vorbis and WAVE tracks of four minutes. Decoding runs on the device's worker; this measures
// what the game waits for after it asked.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "platform/cd_stream_device.h"
#include "platform/file_system.h"
#include "platform/host_cd_audio.h"
#include "platform/mixer.h"
#include "platform/pumped_mixer_backend.h"
#include "tests/sound/sound_fixtures.h"

namespace {

using platform::CdAudio;
namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr int kSeconds = 240;

std::vector<int16_t> Music(size_t frames) {
    std::vector<int16_t> out;
    out.reserve(frames * 2);
    uint32_t noise = 1;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        noise = noise * 1664525u + 1013904223u;
        const double v = 5000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 277 * t) +
                         static_cast<int>(noise >> 22) - 512;
        out.push_back(static_cast<int16_t>(v));
        out.push_back(static_cast<int16_t>(v * 0.8));
    }
    return out;
}

void Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A CD folder made once: track 1 is data (no file), 2 is Ogg, 3 is WAVE.
const fs::path& Folder() {
    static const fs::path folder = [] {
        const fs::path dir = fs::temp_directory_path() / "velmor-bench-cd";
        fs::create_directories(dir);
        const std::vector<int16_t> music = Music(static_cast<size_t>(kRate) * kSeconds);
        if (!fs::exists(dir / "track02.ogg")) Write(dir / "track02.ogg", fixtures::EncodeOgg(music, 2, kRate, 0.4f));
        if (!fs::exists(dir / "track03.wav")) Write(dir / "track03.wav", fixtures::MakeWave(fixtures::Bytes16(music)));
        return dir;
    }();
    return folder;
}

struct Rig {
    std::shared_ptr<platform::Mixer> mixer =
        std::make_shared<platform::Mixer>(std::make_unique<platform::PumpedMixerBackend>());
    platform::HostCdAudio host;
    uint32_t device = 0;
    Rig() {
        platform::WaveFormatEx f;
        f.wFormatTag = platform::WAVE_FORMAT_PCM;
        f.nChannels = 2;
        f.nSamplesPerSec = kRate;
        f.wBitsPerSample = 16;
        f.nBlockAlign = 4;
        f.nAvgBytesPerSec = kRate * 4;
        mixer->SetPrimaryFormat(f);
        host.SetTrackFolder(platform::FileSystem::FromHostPath(Folder().string()));
        host.SetMixer(mixer);
        device = host.Open("cdaudio", 25);  // z: is no CD drive: the folder plays
        if (device) host.SetTimeFormat(device, CdAudio::kFormatTmsf);
    }
};

// Play request to the first sound written, in milliseconds of wall time.
void FirstSound(benchmark::State& state, int track, int minutes) {
    Rig rig;
    if (!rig.device) {
        state.SkipWithError("the CD folder did not open");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!rig.host.Play(rig.device, CdAudio::Tmsf(track, minutes), 0, nullptr) ||
            !rig.host.DeviceFor(rig.device)->WaitStarted(5000)) {
            state.SkipWithError("the track did not start");
            return;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        rig.host.Stop(rig.device);
    }
}

void BM_FirstSoundOggAtStart(benchmark::State& state) {
    FirstSound(state, 2, 0);
}
void BM_FirstSoundOggTwoMinutesIn(benchmark::State& state) {
    FirstSound(state, 2, 2);
}
void BM_FirstSoundWaveAtStart(benchmark::State& state) {
    FirstSound(state, 3, 0);
}
void BM_FirstSoundWaveTwoMinutesIn(benchmark::State& state) {
    FirstSound(state, 3, 2);
}

// Opening the folder reads every track's length; a game does it once, at its first CD request.
void BM_OpenFolder(benchmark::State& state) {
    Folder();
    for (auto _ : state) {
        Rig rig;
        if (!rig.device) state.SkipWithError("the CD folder did not open");
    }
}

}  // namespace

BENCHMARK(BM_FirstSoundOggAtStart)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSoundOggTwoMinutesIn)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSoundWaveAtStart)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSoundWaveTwoMinutesIn)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFolder)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
