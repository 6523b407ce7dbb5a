// A JPEG with thousands of scans must be refused at once, and an ordinary progressive picture
// must still decode at its usual speed.
#include <benchmark/benchmark.h>

#include "platform/jpeg_decoder.h"
#include "tests/support/many_scans_jpeg.h"

namespace {

void BM_JpegThousandsOfScansRefused(benchmark::State& state) {
    const std::vector<uint8_t> jpeg = jpegtest::ManyScans(static_cast<int>(state.range(0)));
    platform::JpegDecoder decoder;
    platform::Bitmap picture;
    for (auto _ : state) {
        const bool decoded = decoder.Decode(jpeg.data(), jpeg.size(), picture);
        if (decoded) state.SkipWithError("a picture with thousands of scans was decoded");
        benchmark::DoNotOptimize(decoded);
    }
    state.counters["bytes"] = static_cast<double>(jpeg.size());
}
BENCHMARK(BM_JpegThousandsOfScansRefused)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_JpegProgressive(benchmark::State& state) {
    const std::vector<uint8_t> jpeg = jpegtest::Progressive(1024, 768);
    platform::JpegDecoder decoder;
    platform::Bitmap picture;
    for (auto _ : state) benchmark::DoNotOptimize(decoder.Decode(jpeg.data(), jpeg.size(), picture));
}
BENCHMARK(BM_JpegProgressive)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
