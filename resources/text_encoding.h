#pragma once
// Tells text the engine can read (Shift-JIS, code page 932) from text it would read wrongly:
// a UTF-8 byte-order mark, UTF-8, stray bytes. The engine reads such text anyway; authors'
// tools and the engine's own warnings use these to say why it goes wrong.
#include <cstddef>
#include <string>
#include <string_view>

class TTextEncoding {
public:
    static bool HasByteOrderMark(std::string_view text);
    // Well-formed UTF-8 with at least one multi-byte character (after any byte-order mark).
    // Japanese in Shift-JIS is almost never well-formed UTF-8, while UTF-8 Japanese often
    // passes as Shift-JIS byte pairs, so this is the test that tells them apart.
    static bool LooksUtf8(std::string_view text, size_t* firstHighByte = nullptr);
    // Every lead byte has its trail byte, and no byte stands alone that code page 932 leaves
    // unassigned. badAt gets the first offending byte.
    static bool ValidSjis(std::string_view text, size_t& badAt);
    // Why a project file's bytes are not one the engine can read as intended (a byte-order
    // mark hides the first section, UTF-8 text, no section at all); empty when they are.
    static std::string ProjectProblem(std::string_view text);
};
