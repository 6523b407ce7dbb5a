// Sampled sound: what opening a sound costs the caller (two seconds decoded up front), how
// far decoding outruns playback, and what the mixer callback costs with every slot busy.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/mixer.h"
#include "platform/pumped_mixer_backend.h"
#include "resources/memory_stream.h"
#include "sound/ds_player.h"
#include "sound/memory_sound_stream.h"
#include "sound/ogg_format.h"
#include "sound/wave_format.h"
#include "tests/sound/sound_fixtures.h"

namespace {

constexpr int kRate = 44100;

// Music-like input: a chord with some noise, so the encoder has real work to do.
std::vector<int16_t> Music(size_t frames) {
    std::vector<int16_t> out;
    out.reserve(frames * 2);
    uint32_t noise = 1;
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kRate;
        noise = noise * 1664525u + 1013904223u;
        double v = 5000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 277 * t) +
                   2000 * std::sin(2 * M_PI * 330 * t) + static_cast<int>(noise >> 22) - 512;
        out.push_back(static_cast<int16_t>(v));
        out.push_back(static_cast<int16_t>(v * 0.8));
    }
    return out;
}

const std::vector<uint8_t>& OggMusic() {
    static const std::vector<uint8_t> bytes =
        fixtures::EncodeOgg(Music(kRate * 10), 2, kRate, 0.4f);
    return bytes;
}

const std::vector<uint8_t>& WaveMusic() {
    static const std::vector<uint8_t> bytes =
        fixtures::MakeWave(fixtures::Bytes16(Music(kRate * 10)));
    return bytes;
}

struct PumpedPlayer {
    TyxDSPlayer player{4};
    PumpedPlayer() {
        platform::Mixer::SetBackendFactoryForTests(
            [] { return std::make_unique<platform::PumpedMixerBackend>(); });
        player.Initialize(nullptr, 2, 16, kRate);
        platform::Mixer::SetBackendFactoryForTests(nullptr);
    }
};

void Open(benchmark::State& state, const std::vector<uint8_t>& bytes) {
    PumpedPlayer rig;
    TMemoryStream memory;
    memory.Write(bytes.data(), bytes.size());
    for (auto _ : state) {
        memory.SetPosition(0);
        if (!rig.player.OpenStream(memory, 0)) state.SkipWithError("open failed");
    }
}

void BM_OpenOgg44kStereo(benchmark::State& state) {
    Open(state, OggMusic());
}
void BM_OpenWave44kStereo(benchmark::State& state) {
    Open(state, WaveMusic());
}

// One second per read, as the worker asks for it; the counter is seconds of sound decoded per
// second of time (the target is at least 50).
template <typename Source>
void Decode(benchmark::State& state, const std::vector<uint8_t>& bytes) {
    TMemoryStream memory;
    memory.Write(bytes.data(), bytes.size());
    memory.SetPosition(0);
    TyxMemorySoundStream stream(memory);
    Source source;
    if (!source.Open(&stream)) {
        state.SkipWithError("open failed");
        return;
    }
    std::vector<uint8_t> segment(source.Format().nAvgBytesPerSec);
    for (auto _ : state) {
        source.Read(segment.data(), static_cast<uint32_t>(segment.size()), true);
        benchmark::DoNotOptimize(segment.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DecodeOgg44kStereo(benchmark::State& state) {
    Decode<TyxOggFormat>(state, OggMusic());
}
void BM_DecodeWave44kStereo(benchmark::State& state) {
    Decode<TyxWaveFormat>(state, WaveMusic());
}

// 10 ms of output with all four slots playing: two at the output format, one resampled and
// one 8-bit mono. The line after the table gives the callback's time as a share of the time
// it fills (a counter would print the share with a time unit).
void BM_MixFourSlots10ms(benchmark::State& state) {
    std::vector<int16_t> quiet = Music(kRate / 2);
    fixtures::WaveOptions resampled;
    resampled.rate = 22050;
    fixtures::WaveOptions eight;
    eight.channels = 1;
    eight.bits = 8;
    std::vector<uint8_t> eightData(kRate, 0x90);
    std::vector<std::vector<uint8_t>> files = {
        OggMusic(), WaveMusic(), fixtures::MakeWave(fixtures::Bytes16(quiet), resampled),
        fixtures::MakeWave(eightData, eight)};
    // The streams outlive the player: its workers read them until it is gone.
    std::vector<TMemoryStream> memories(4);
    PumpedPlayer rig;
    for (int s = 0; s < 4; ++s) {
        memories[s].Write(files[s].data(), files[s].size());
        memories[s].SetPosition(0);
        rig.player.OpenStream(memories[s], s);
        rig.player.SetVolume(s, 70);
        rig.player.Play(s, true);
    }
    std::vector<int16_t> out(441 * 2);
    for (auto _ : state) {
        rig.player.Device()->Mix(out.data(), 441);
        benchmark::DoNotOptimize(out.data());
    }
}

// Console output as usual, then the mixing share from the median CPU time of its runs.
class ShareReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred &&
                run.benchmark_name() == "BM_MixFourSlots10ms")
                m_Mix.push_back(run.GetAdjustedCPUTime());  // microseconds
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (m_Mix.empty()) return;
        std::sort(m_Mix.begin(), m_Mix.end());
        const size_t n = m_Mix.size();
        const double us = n % 2 ? m_Mix[n / 2] : (m_Mix[n / 2 - 1] + m_Mix[n / 2]) / 2;
        std::printf("\nmixing four slots: %.1f us of CPU per 10 ms of sound, %.2f %% of a core\n",
                    us, us / 10000.0 * 100.0);
    }

private:
    std::vector<double> m_Mix;
};

}  // namespace

BENCHMARK(BM_OpenOgg44kStereo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenWave44kStereo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOgg44kStereo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeWave44kStereo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixFourSlots10ms)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ShareReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
