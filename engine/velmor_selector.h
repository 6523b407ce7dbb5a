#pragma once
#include <string>

// One choice: its caption and where taking it jumps (an empty script is the present one).
struct TVelmorSelector {
    std::string Caption;
    std::string Paragraph;
    std::string Script;
};
