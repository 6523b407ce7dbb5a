#pragma once
// Japanese texts are written in the sources as UTF-8 and turned into the engine's Shift-JIS
// bytes where they are used.
#include <string>
#include <string_view>

#include "platform/sjis.h"

inline std::string SJ(std::string_view utf8) { return platform::Utf8ToSjis(utf8); }
