// velmor-check: reads a whole game as the engine would, runs none of it, and reports what
// would go wrong, one finding a line: file:line: level: text. Or draws the game's route map.
//   velmor-check [--json] [--program-folder DIR] [--coverage FILE.json] [--graph FILE.svg]
//                PROJECT.vsc
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/file_system.h"
#include "tools/velmor-check/coverage_report.h"
#include "tools/velmor-check/game_checker.h"
#include "tools/velmor-check/route_map.h"

namespace {
const char kUsage[] =
    "usage: velmor-check [--json] [--program-folder DIR] [--coverage FILE.json]\n"
    "                    [--graph FILE.svg] PROJECT.vsc\n";
const char kHelp[] =
    "Reads a whole game as the engine would and reports every mistake as file:line: level: "
    "text.\n"
    "  --json                 the report as JSON\n"
    "  --program-folder DIR   where the engine's program would be (archives are looked up "
    "there)\n"
    "  --coverage FILE.json   list what no run of the headless runner's report reached\n"
    "  --graph FILE.svg       draw the route map instead: scripts, paragraphs, jumps, choices\n"
    "                         with their captions, tables and endings (.svg, .png, .pdf, or\n"
    "                         .dot for the Graphviz text); with --coverage, what no run\n"
    "                         reached is red\n"
    "Exit status: 0 no errors, 1 errors (or parts no run reached), 2 usage or file errors.\n";
int Usage() {
    std::cerr << kUsage;
    return 2;
}
std::string EnginePath(const std::string& host) {
    return platform::FileSystem::FromHostPath(
        std::filesystem::absolute(host).lexically_normal().string());
}
}  // namespace

int main(int argc, char** argv) {
    bool json = false;
    std::string project, programFolder, coverage, graph;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage << kHelp;
            return 0;
        } else if ((arg == "--program-folder" || arg == "--coverage" || arg == "--graph") &&
                   i + 1 < argc) {
            (arg == "--coverage" ? coverage : arg == "--graph" ? graph : programFolder) = argv[++i];
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
    TCoverageReport runs;
    if (!coverage.empty()) {
        std::string error;
        if (!runs.Load(coverage, error)) {
            std::cerr << "velmor-check: " << error << "\n";
            return 2;
        }
    }
    if (!graph.empty()) {
        const TRouteMap map(checker, coverage.empty() ? nullptr : &runs);
        std::string error;
        if (!map.Write(graph, error)) {
            std::cerr << "velmor-check: " << error << "\n";
            return 2;
        }
        std::cerr << graph << ": " << checker.Scripts().size() << " scripts, "
                  << map.Paragraphs() << " paragraphs";
        if (!coverage.empty())
            std::cerr << "; " << map.Unreached()
                      << " paragraphs, choices and endings no run reached (red)";
        std::cerr << "\n";
        return 0;
    }
    if (!coverage.empty()) {
        TCheckReport unreached;
        const int count = checker.CompareCoverage(runs, unreached);
        json ? unreached.PrintJson(std::cout) : unreached.PrintText(std::cout);
        if (!json)
            std::cout << runs.Runs << " runs; " << count << " parts of the game no run reached\n";
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
