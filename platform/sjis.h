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

// The trail byte of a double-byte letter folded onto its capital, as the Japanese locale
// compares text without regard to case: full-width Latin (0x8281-0x829A onto 0x8260-0x8279),
// Greek (0x83BF-0x83D6 onto 0x839F-0x83B6) and Cyrillic (0x8470-0x8491 onto 0x8440-0x8460;
// 0x847F is no character, so the small letters after it sit one further on). The lead byte
// never changes.
constexpr unsigned char FoldSjisTrail(unsigned char lead, unsigned char trail) {
    if (lead == 0x82 && trail >= 0x81 && trail <= 0x9A) return trail - 0x21;
    if (lead == 0x83 && trail >= 0xBF && trail <= 0xD6) return trail - 0x20;
    if (lead == 0x84 && trail >= 0x70 && trail <= 0x7E) return trail - 0x30;
    if (lead == 0x84 && trail >= 0x80 && trail <= 0x91) return trail - 0x31;
    return trail;
}

// Bytes that do not convert become U+FFFD / '?' rather than failing the whole text.
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);
// True when the bytes are well-formed UTF-8 (used to tell host names apart).
bool IsValidUtf8(std::string_view bytes);

}  // namespace platform
