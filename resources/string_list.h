#pragma once
#include <string>
#include <vector>

// An ordered list of Shift-JIS strings owned by whoever declares it.
using TStringList = std::vector<std::string>;

struct TPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const TPoint&) const = default;
};
