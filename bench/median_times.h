#pragma once
// The median CPU time of each benchmark in a run, for the tables printed after it: taken from
// the repetitions themselves, or from the median the library reports when it keeps only the
// aggregates (--benchmark_report_aggregates_only).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

class TMedianTimes {
public:
    void Add(const std::vector<benchmark::BenchmarkReporter::Run>& runs) {
        using Run = benchmark::BenchmarkReporter::Run;
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Iteration)
                m_Times[run.run_name.str()].push_back(run.GetAdjustedCPUTime());
            else if (run.aggregate_name == "median")
                m_Medians[run.run_name.str()] = run.GetAdjustedCPUTime();
        }
    }
    // 0 when the benchmark did not run.
    double Get(const std::string& name) const {
        if (auto it = m_Medians.find(name); it != m_Medians.end()) return it->second;
        auto it = m_Times.find(name);
        if (it == m_Times.end() || it->second.empty()) return 0.0;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

private:
    std::map<std::string, std::vector<double>> m_Times;
    std::map<std::string, double> m_Medians;
};
