#pragma once
// The one Shift-JIS (code page 932) converter of the program. Engine text stays in
// Shift-JIS bytes; these run only at the edges (host file names, Qt text, transcripts).
#include <string>
#include <string_view>

namespace platform {

// First byte of a double-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsSjisLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Bytes that do not convert become U+FFFD / '?' rather than failing the whole text.
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);
// True when the bytes are well-formed UTF-8 (used to tell host names apart).
bool IsValidUtf8(std::string_view bytes);

}  // namespace platform
