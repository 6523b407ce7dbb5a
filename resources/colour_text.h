#pragma once
// Colours as settings and save files spell them: a standard name such as "clWhite", or an
// integer text. Colours are 0x00BBGGRR; system colours carry the top bit.
#include <cstdint>
#include <string>
#include <string_view>

namespace yx {

// A standard name when the colour has one, else "$" and eight hexadecimal digits.
std::string ColorToString(uint32_t colour);
// Standard, system and "clNone"/"clDefault" names (any letter case), or any integer text;
// false for anything else.
bool TryStringToColor(std::string_view text, uint32_t& colour);

}  // namespace yx
