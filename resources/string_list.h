#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An ordered list of Shift-JIS strings owned by whoever declares it.
using TStringList = std::vector<std::string>;

struct TPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const TPoint&) const = default;
};

// Left and top inclusive, right and bottom exclusive.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    bool operator==(const TRect&) const = default;
};
