#pragma once
#include <cstdint>
#include <string>

// A place in the scenario: script, line (-1 before the first) and paragraph label with '#'.
struct TVelmorScriptPosition {
    std::string Script;
    int32_t Line = -1;
    std::string Paragraph;
};
