#pragma once
// What the checker found, one finding per place: printed as an editor reads it
// (file:line: level: text, lines from 1) or as JSON for tools.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class TCheckReport {
public:
    enum class Level { Note, Warning, Error };
    struct Finding {
        std::string File;  // as the game names it (Shift-JIS)
        int32_t Line = 0;  // from 1; 0 when the finding is about the whole file
        Level Severity = Level::Error;
        std::string Text;  // UTF-8
    };

    void Add(const std::string& file, int32_t line, Level level, const std::string& text);
    const std::vector<Finding>& Findings() const { return m_Findings; }
    int Count(Level level) const;
    // Files in the order first reported, then by line; findings of one line keep their order.
    void Sort();
    void PrintText(std::ostream& out) const;
    void PrintJson(std::ostream& out) const;
    static const char* LevelName(Level level);

private:
    std::vector<Finding> m_Findings;
};
