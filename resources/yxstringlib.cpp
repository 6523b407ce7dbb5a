#include "resources/yxstringlib.h"

#include <algorithm>
#include <cstdint>

#include "platform/sjis.h"

namespace yx {

namespace {

// Length in bytes of the character starting at i: 2 for a lead byte with its trail, else 1.
// A lead byte cut off at the end of the text stands alone.
inline size_t CharLen(std::string_view text, size_t i) {
    return platform::IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2
                                                                                                : 1;
}

inline bool IsSeparator(std::string_view separators, char c) {
    return separators.find(c) != std::string_view::npos;
}

// First occurrence of what in text that starts on a character boundary.
size_t FindOnBoundary(std::string_view text, std::string_view what) {
    if (what.empty() || what.size() > text.size()) return std::string_view::npos;
    for (size_t i = 0; i + what.size() <= text.size(); i += CharLen(text, i))
        if (text.compare(i, what.size(), what) == 0) return i;
    return std::string_view::npos;
}

inline bool IsPathDelimiter(char c) {
    return c == '\\' || c == '/' || c == ':';
}

// Index of the last single-byte character satisfying pred, or npos.
template <typename Pred>
size_t FindLastSingle(std::string_view text, Pred pred) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < text.size(); i += CharLen(text, i))
        if (CharLen(text, i) == 1 && pred(text[i])) found = i;
    return found;
}

// Byte-wise folding to a canonical upper-case spelling, one character at a time so that a
// trail byte in the ASCII letter range is never folded.
std::string Fold(std::string_view text, bool fullWidth) {
    std::string out(text);
    for (size_t i = 0; i < out.size();) {
        size_t len = CharLen(out, i);
        auto b = static_cast<unsigned char>(out[i]);
        if (len == 1) {
            if (b >= 'a' && b <= 'z') out[i] = static_cast<char>(b - 'a' + 'A');
        } else if (fullWidth) {
            out[i + 1] = static_cast<char>(
                platform::FoldSjisTrail(b, static_cast<unsigned char>(out[i + 1])));
        }
        i += len;
    }
    return out;
}

int CompareBytes(std::string_view a, std::string_view b) {
    int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace

int Split(std::string_view text, std::string_view separators, TStringList& list) {
    int count = 0;
    std::string item;
    bool quoted = false;
    for (size_t i = 0; i < text.size();) {
        size_t len = CharLen(text, i);
        char c = text[i];
        if (len == 2) {
            item.append(text.substr(i, 2));
        } else if (quoted) {
            if (c == '"') {
                list.push_back(std::move(item));
                item.clear();
                ++count;
                quoted = false;
            } else {
                item.push_back(c);
            }
        } else if (c == '"') {
            quoted = true;
        } else if (IsSeparator(separators, c)) {
            list.push_back(std::move(item));
            item.clear();
            ++count;
        } else {
            item.push_back(c);
        }
        i += len;
    }
    list.push_back(std::move(item));
    return count + 1;
}

int SplitNonEmpty(std::string_view text, std::string_view separators, TStringList& list) {
    list.clear();
    int n = Split(text, separators, list);
    RemoveEmpty(list);
    return n;
}

void RemoveEmpty(TStringList& list) {
    list.erase(
        std::remove_if(list.begin(), list.end(), [](const std::string& s) { return s.empty(); }),
        list.end());
}

std::string GetField(std::string_view text, std::string_view separators, int index) {
    if (index < 0) return {};
    int field = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size();) {
        size_t len = CharLen(text, i);
        if (len == 1 && IsSeparator(separators, text[i])) {
            if (field == index) return std::string(text.substr(start, i - start));
            ++field;
            start = i + 1;
        }
        i += len;
    }
    return field == index ? std::string(text.substr(start)) : std::string();
}

bool SplitAt(std::string_view text, std::string_view separator, std::string& left,
             std::string& right) {
    size_t pos = FindOnBoundary(text, separator);
    if (pos == std::string_view::npos || pos + separator.size() >= text.size()) return false;
    left = std::string(text.substr(0, pos));
    right = std::string(text.substr(pos + separator.size()));
    return true;
}

bool SplitAtComma(std::string_view text, std::string& left, std::string& right) {
    size_t pos = FindOnBoundary(text, ",");
    if (pos == std::string_view::npos) return false;
    left = std::string(text.substr(0, pos));
    right = std::string(text.substr(pos + 1));
    return true;
}

int IndexOfText(const TStringList& list, std::string_view text, bool ignoreCase) {
    for (size_t i = 0; i < list.size(); ++i)
        if (ignoreCase ? SameText(list[i], text) : list[i] == text) return static_cast<int>(i);
    return -1;
}

std::string TextAfter(std::string_view text, std::string_view marker) {
    size_t pos = FindOnBoundary(text, marker);
    // Positions count from 1: the occurrence must start before position marker.size().
    if (pos == std::string_view::npos || pos + 1 >= marker.size()) return {};
    return std::string(text.substr(pos + marker.size()));
}

TPoint ParsePoint(std::string_view text) {
    // Unsigned arithmetic: a run of digits too long for 32 bits wraps instead of overflowing.
    uint32_t v[2] = {0, 0};
    int which = 0;
    for (size_t i = 0; i < text.size();) {
        size_t len = CharLen(text, i);
        if (len == 1) {
            char c = text[i];
            if (c >= '0' && c <= '9')
                v[which] = v[which] * 10u + static_cast<uint32_t>(c - '0');
            else if (c == ',' && which == 0)
                which = 1;
        }
        i += len;
    }
    return TPoint{static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1])};
}

std::string StripFileNameChars(std::string_view text) {
    static constexpr std::string_view kBad = "\"*/:<>?\\|";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t len = CharLen(text, i);
        if (len == 2 || !IsSeparator(kBad, text[i])) out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

std::string FoldText(std::string_view text) {
    return Fold(text, true);
}

bool FoldsTo(std::string_view text, std::string_view key) {
    if (text.size() != key.size()) return false;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (CharLen(text, i) == 2) {
            const auto t = platform::FoldSjisTrail(b, static_cast<unsigned char>(text[i + 1]));
            if (key[i] != text[i] || static_cast<unsigned char>(key[i + 1]) != t) return false;
            i += 2;
            continue;
        }
        if (static_cast<unsigned char>(key[i]) != (b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b))
            return false;
        ++i;
    }
    return true;
}

int CompareText(std::string_view a, std::string_view b) {
    return CompareBytes(Fold(a, true), Fold(b, true));
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareTextAscii(a, b) == 0;
}

int CompareTextAscii(std::string_view a, std::string_view b) {
    return CompareBytes(Fold(a, false), Fold(b, false));
}

std::string LowerCaseAscii(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size();) {
        size_t len = CharLen(out, i);
        if (len == 1 && out[i] >= 'A' && out[i] <= 'Z')
            out[i] = static_cast<char>(out[i] - 'A' + 'a');
        i += len;
    }
    return out;
}

std::string UpperCaseAscii(std::string_view text) {
    return Fold(text, false);
}

bool TryStrToInt(std::string_view text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        // Hex may use all 32 bits (and so turn negative); decimal must fit the signed range.
        if (hex ? v > 0xFFFFFFFFull : v > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return false;
    }
    uint32_t u = static_cast<uint32_t>(v);
    if (negative) u = 0u - u;
    value = static_cast<int32_t>(u);
    return true;
}

int32_t StrToIntDef(std::string_view text, int32_t def) {
    int32_t v;
    return TryStrToInt(text, v) ? v : def;
}

std::string IntToStr(int64_t value) {
    return std::to_string(value);
}

std::string ExtractFilePath(std::string_view path) {
    size_t pos = FindLastSingle(path, IsPathDelimiter);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string ExtractFileName(std::string_view path) {
    size_t pos = FindLastSingle(path, IsPathDelimiter);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string ExtractFileExt(std::string_view path) {
    size_t pos = FindLastSingle(path, [](char c) { return c == '.' || IsPathDelimiter(c); });
    if (pos == std::string_view::npos || path[pos] != '.') return {};
    return std::string(path.substr(pos));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
    size_t pos = FindLastSingle(path, [](char c) { return c == '.' || IsPathDelimiter(c); });
    if (pos == std::string_view::npos || path[pos] != '.') pos = path.size();
    return std::string(path.substr(0, pos)) + std::string(ext);
}

namespace {
// True when the text's last character is a single-byte '\' or '/'.
bool EndsWithSeparator(std::string_view path) {
    if (path.empty()) return false;
    size_t last = FindLastSingle(path, [](char c) { return c == '\\' || c == '/'; });
    return last != std::string_view::npos && last == path.size() - 1;
}
}  // namespace

std::string IncludeTrailingBackslash(std::string_view path) {
    std::string out(path);
    if (!EndsWithSeparator(path)) out.push_back('\\');
    return out;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
    std::string out(path);
    if (EndsWithSeparator(path)) out.pop_back();
    return out;
}

TStringList SplitCommaText(std::string_view text) {
    TStringList items;
    const size_t n = text.size();
    auto blank = [&](size_t i) { return text[i] != 0 && static_cast<unsigned char>(text[i]) <= ' '; };
    auto endsItem = [&](size_t i) {
        return static_cast<unsigned char>(text[i]) <= ' ' || text[i] == ',';
    };
    size_t p = 0;
    auto skipBlanks = [&] {
        while (p < n && blank(p)) ++p;
    };
    skipBlanks();
    while (p < n && text[p] != 0) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                const size_t len = CharLen(text, p);
                item.append(text.substr(p, len));
                p += len;
            }
        } else {
            while (p < n && !endsItem(p)) {
                const size_t len = CharLen(text, p);
                item.append(text.substr(p, len));
                p += len;
            }
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (p < n && text[p] == ',') {
            ++p;
            skipBlanks();
        }
    }
    return items;
}

}  // namespace yx
