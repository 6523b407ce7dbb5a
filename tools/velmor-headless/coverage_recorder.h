#pragma once
// Gathers what one run of the runner reached and adds it to a coverage report file, so that
// several runs add up: the lines and paragraphs that ran, the choices taken, the event
// pictures and scenes unlocked, and the ending reached.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/velmor-check/coverage_report.h"

class TCoverageRecorder {
public:
    // A script line is about to run (index from 0, its text).
    void LineRan(const std::string& script, int32_t line, const std::string& text);
    void Jumped(const std::string& script, const std::string& paragraph);
    // Choices are offered by the line at (script, line); targets in choice order, as
    // (paragraph, script or empty for the present one).
    void ChoicesShown(const std::string& script, int32_t line,
                      std::vector<std::pair<std::string, std::string>> targets);
    // The game ended at its end of scenario, at (script, line index).
    void EndReached(const std::string& script, int32_t line);
    // Adds this run to the report in the file (made when missing); false with a reason.
    bool AddTo(const std::string& hostPath, std::string& error) const;

private:
    TCoverageReport m_Run;
    std::string m_ChoiceScript;
    int32_t m_ChoiceLine = -1;
    std::vector<std::pair<std::string, std::string>> m_Targets;
};
