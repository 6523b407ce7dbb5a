#pragma once
// The game's route map for authors: one box per script, its paragraphs, the jumps, choices
// (with their captions), tables and endings between them, drawn by Graphviz. With a coverage
// report, what no run reached is drawn in red.
#include <string>

class TGameChecker;
class TCoverageReport;

class TRouteMap {
public:
    // checker: after Run; coverage: nullptr when there is none.
    TRouteMap(const TGameChecker& checker, const TCoverageReport* coverage);

    // The map in Graphviz's dot language, UTF-8.
    const std::string& Dot() const { return m_Dot; }
    // Lays the map out and writes it in the format its extension names: .svg, .png or .pdf;
    // .dot or .gv write the text itself. False with the reason.
    bool Write(const std::string& hostPath, std::string& error) const;
    // Paragraphs, choices and endings drawn as reached by no run (0 without coverage).
    int Unreached() const { return m_Unreached; }
    int Paragraphs() const { return m_Paragraphs; }

private:
    std::string m_Dot;
    int m_Unreached = 0;
    int m_Paragraphs = 0;
};
