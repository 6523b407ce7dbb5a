#pragma once
#include <cstdint>
#include <string>

// A named signed 32-bit game variable; names are unique without regard to case.
struct TVelmorIntVariable {
    std::string Name;
    int32_t Value = 0;
};
