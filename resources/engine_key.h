#pragma once
#include <string>

#include "resources/sjis_text.h"

// The engine's fixed key text: 32 double-byte characters (64 Shift-JIS bytes). It scrambles
// game data and names the developer marker file, so it must never change.
inline std::string EngineKeyText() { return SJ("ヴェルモア物語機関開発者専用暗号鍵文字列壱弐参四五六七八九拾零百"); }
