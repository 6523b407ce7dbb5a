// velmor-check: reads a whole game as the engine would, runs none of it, and reports what
// would go wrong, one finding a line: file:line: level: text.
//   velmor-check [--json] [--program-folder DIR] [--coverage FILE.json] PROJECT.vsc
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/file_system.h"
#include "tools/velmor-check/coverage_report.h"
#include "tools/velmor-check/game_checker.h"

namespace {
int Usage() {
    std::cerr << "usage: velmor-check [--json] [--program-folder DIR] [--coverage FILE.json] "
                 "PROJECT.vsc\n";
    return 2;
}
std::string EnginePath(const std::string& host) {
    return platform::FileSystem::FromHostPath(
        std::filesystem::absolute(host).lexically_normal().string());
}
}  // namespace

int main(int argc, char** argv) {
    bool json = false;
    std::string project, programFolder, coverage;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") {
            json = true;
        } else if ((arg == "--program-folder" || arg == "--coverage") && i + 1 < argc) {
            (arg == "--coverage" ? coverage : programFolder) = argv[++i];
        } else if (arg.starts_with("-") || !project.empty()) {
            return Usage();
        } else {
            project = arg;
        }
    }
    if (project.empty()) return Usage();
    if (!std::filesystem::is_regular_file(project)) {
        std::cerr << "velmor-check: cannot read " << project << "\n";
        return 2;
    }
    TGameChecker checker(EnginePath(project),
                         programFolder.empty() ? std::string() : EnginePath(programFolder) + "/");
    checker.Run();
    if (!coverage.empty()) {
        TCoverageReport report;
        std::string error;
        if (!report.Load(coverage, error)) {
            std::cerr << "velmor-check: " << error << "\n";
            return 2;
        }
        TCheckReport unreached;
        const int count = checker.CompareCoverage(report, unreached);
        json ? unreached.PrintJson(std::cout) : unreached.PrintText(std::cout);
        if (!json)
            std::cout << report.Runs << " runs; " << count << " parts of the game no run reached\n";
        return count == 0 ? 0 : 1;
    }
    TCheckReport& report = checker.Report();
    json ? report.PrintJson(std::cout) : report.PrintText(std::cout);
    const int errors = report.Count(TCheckReport::Level::Error);
    if (!json)
        std::cerr << errors << " errors, " << report.Count(TCheckReport::Level::Warning)
                  << " warnings\n";
    return errors > 0 ? 1 : 0;
}
