// Member lookup in a resource manager holding 10 archives of 10,000 members each: a name held
// only by the archive searched last, and a name no archive holds. Target: under 2 us each.
// Opening one archive of 100,000 members, BCL and BCX (target: 0.1 s), with the memory the
// open index keeps beside the size of its file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <malloc.h>

#include "resources/archive_writer.h"
#include "resources/bcl.h"
#include "resources/bcx.h"
#include "resources/bcl_manager.h"
#include "resources/engine_key.h"
#include "resources/witch.h"

namespace {

constexpr int kArchives = 10;
constexpr int kMembers = 10000;

std::string MemberName(int archive, int member) {
    char name[64];
    std::snprintf(name, sizeof name, "cg\\arc%02d\\ev%05d.png", archive, member);
    return name;
}

// Archives of one kind, made once per run in a temporary folder.
class Fixture {
public:
    explicit Fixture(TyxArchiveWriter::Format format) {
        m_Witch.SetKey(EngineKeyText());
        m_Folder = std::filesystem::temp_directory_path() /
                   ("velmor-bench-archive-" + std::to_string(static_cast<int>(format)));
        std::filesystem::create_directories(m_Folder);
        m_Manager = std::make_unique<TyxBCLManager>(&m_Witch);
        const char* ext = format == TyxArchiveWriter::Format::Bcl ? ".bcl" : ".bcx";
        for (int a = 0; a < kArchives; ++a) {
            std::vector<TyxArchiveWriter::Member> members(kMembers);
            for (int m = 0; m < kMembers; ++m) members[m] = {MemberName(a, m), {1, 2, 3, 4}};
            const std::string index = (m_Folder / ("arc" + std::to_string(a) + ext)).string();
            std::string error;
            if (!TyxArchiveWriter::Write(format, index, members, nullptr, error)) std::abort();
            m_Manager->AddArchive(index);  // archive 0 is the oldest: searched last
        }
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(m_Folder, ec);
    }
    const TyxBCLManager& Manager() const { return *m_Manager; }

private:
    TyxWitch m_Witch{0};
    std::filesystem::path m_Folder;
    std::unique_ptr<TyxBCLManager> m_Manager;
};

const Fixture& Archives(TyxArchiveWriter::Format format) {
    static Fixture bcl(TyxArchiveWriter::Format::Bcl);
    static Fixture bcx(TyxArchiveWriter::Format::Bcx);
    return format == TyxArchiveWriter::Format::Bcl ? bcl : bcx;
}

void Lookup(benchmark::State& state, TyxArchiveWriter::Format format, bool hit) {
    const TyxBCLManager& manager = Archives(format).Manager();
    std::vector<std::string> names;
    for (int i = 0; i < 1024; ++i)
        names.push_back(hit ? MemberName(0, (i * 7919) % kMembers)
                            : "cg\\missing\\ev" + std::to_string(i) + ".png");
    size_t i = 0, found = 0;
    for (auto _ : state) {
        found += manager.Find(names[i++ & 1023]) != nullptr;
    }
    if (found != (hit ? static_cast<size_t>(state.iterations()) : 0))
        state.SkipWithError("wrong answer");
}

void BM_BclHitOldest(benchmark::State& s) {
    Lookup(s, TyxArchiveWriter::Format::Bcl, true);
}
void BM_BclMiss(benchmark::State& s) {
    Lookup(s, TyxArchiveWriter::Format::Bcl, false);
}
void BM_BcxHitOldest(benchmark::State& s) {
    Lookup(s, TyxArchiveWriter::Format::Bcx, true);
}
void BM_BcxMiss(benchmark::State& s) {
    Lookup(s, TyxArchiveWriter::Format::Bcx, false);
}

// One archive of 100,000 members, made once.
std::string LargeIndex(TyxArchiveWriter::Format format) {
    const bool bcl = format == TyxArchiveWriter::Format::Bcl;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "velmor-bench-archive-large";
    const std::string index = (folder / (bcl ? "large.bcl" : "large.bcx")).string();
    if (!std::filesystem::exists(index)) {
        std::filesystem::create_directories(folder);
        std::vector<TyxArchiveWriter::Member> members(100000);
        for (int m = 0; m < 100000; ++m) members[m] = {MemberName(m / 10000, m % 10000), {1, 2, 3, 4}};
        std::string error;
        if (!TyxArchiveWriter::Write(format, index, members, nullptr, error)) std::abort();
    }
    return index;
}

template <typename Archive>
void Open(benchmark::State& state, TyxArchiveWriter::Format format) {
    const std::string index = LargeIndex(format);
    TyxWitch witch{0};
    size_t kept = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        auto archive = std::make_unique<Archive>(&witch);
        if (!archive->Open(index)) state.SkipWithError("open failed");
        kept = mallinfo2().uordblks - before;
        state.PauseTiming();
        archive.reset();
        state.ResumeTiming();
    }
    state.counters["kept_MB"] = static_cast<double>(kept) / 1e6;
    state.counters["index_file_MB"] = static_cast<double>(std::filesystem::file_size(index)) / 1e6;
}

void BM_BclOpen100k(benchmark::State& s) {
    Open<TyxBCL>(s, TyxArchiveWriter::Format::Bcl);
}
void BM_BcxOpen100k(benchmark::State& s) {
    Open<TyxBCX>(s, TyxArchiveWriter::Format::Bcx);
}

BENCHMARK(BM_BclOpen100k)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_BcxOpen100k)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_BclHitOldest)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BclMiss)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BcxHitOldest)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BcxMiss)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
