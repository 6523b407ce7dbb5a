#include "resources/text_encoding.h"

#include <algorithm>

#include "platform/sjis.h"
#include "resources/string_list.h"
#include "resources/xini_file.h"

bool TTextEncoding::HasByteOrderMark(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF");
}

bool TTextEncoding::LooksUtf8(std::string_view text, size_t* firstHighByte) {
    const size_t body = HasByteOrderMark(text) ? 3 : 0;
    const std::string_view rest = text.substr(body);
    const auto high = std::find_if(rest.begin(), rest.end(),
                                   [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (high == rest.end() || !platform::IsValidUtf8(rest)) return false;
    if (firstHighByte) *firstHighByte = body + static_cast<size_t>(high - rest.begin());
    return true;
}

bool TTextEncoding::ValidSjis(std::string_view text, size_t& badAt) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (platform::IsSjisLeadByte(c)) {
            const auto t = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
            if (t < 0x40 || t == 0x7F || t > 0xFC) {
                badAt = i;
                return false;
            }
            ++i;
        } else if (c == 0x80 || c == 0xA0 || c >= 0xFD) {
            badAt = i;
            return false;
        }
    }
    return true;
}

std::string TTextEncoding::ProjectProblem(std::string_view text) {
    if (HasByteOrderMark(text))
        return "begins with a UTF-8 byte-order mark, which hides its first section; save it as "
               "Shift-JIS without one";
    if (LooksUtf8(text))
        return "is UTF-8 text; the engine reads Shift-JIS, so its Japanese texts and names come "
               "out garbled";
    TStringList lines;
    TXiniFile::SplitLines(std::string(text), lines);
    const bool anySection = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.size() > 2 && l.front() == '<' && l.back() == '>' && l[1] != '/';
    });
    if (!anySection) return "has no <section> lines at all; the game would start empty";
    return {};
}
