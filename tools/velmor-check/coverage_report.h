#pragma once
// What runs of a game reached, gathered by the headless runner over one or more runs and
// read by the checker to say what none reached. Stored as JSON; names are Shift-JIS in
// memory and UTF-8 in the file; lines count from 1.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

class TCoverageReport {
public:
    using Place = std::pair<std::string, int32_t>;  // script, line from 1

    std::map<std::string, std::set<int32_t>> Lines;
    std::map<std::string, std::set<std::string>> Paragraphs;
    std::map<Place, std::set<int32_t>> Choices;  // the select line -> indexes taken
    std::set<std::string> EventPictures;
    std::set<std::string> Scenes;
    std::set<Place> Endings;
    int32_t Runs = 0;

    // A missing file is an empty report; false with a reason when the file is no report.
    bool Load(const std::string& hostPath, std::string& error);
    bool Save(const std::string& hostPath) const;
};
