#include "platform/sjis.h"

#include <errno.h>
#include <iconv.h>

#include <stdexcept>

namespace platform {
namespace {

// iconv descriptors are not thread-safe, so each thread keeps its own pair.
class Converter {
public:
    Converter(const char* to, const char* from) : m_Cd(iconv_open(to, from)) {
        if (m_Cd == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("iconv cannot convert between CP932 and UTF-8");
        }
    }
    ~Converter() { iconv_close(m_Cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // skipBad tells how many input bytes a sequence that does not convert spans.
    template <typename SkipBad>
    std::string Run(std::string_view in, std::string_view replacement, SkipBad skipBad) {
        iconv(m_Cd, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.reserve(in.size() * 3 / 2 + 4);
        char buffer[1024];
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t r = iconv(m_Cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, dst - buffer);
            if (r != static_cast<size_t>(-1)) break;
            if (errno == E2BIG) continue;
            // EILSEQ or a truncated sequence at the end (EINVAL): replace it and go on.
            size_t n = skipBad(std::string_view(src, srcLeft));
            if (n == 0 || n > srcLeft) n = srcLeft;
            src += n;
            srcLeft -= n;
            out.append(replacement);
            iconv(m_Cd, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t m_Cd;
};

bool IsAscii(std::string_view s) {
    for (unsigned char c : s) {
        if (c >= 0x80) return false;
    }
    return true;
}

size_t SjisBadLength(std::string_view s) {
    unsigned char lead = s[0];
    if (IsSjisLeadByte(lead) && s.size() >= 2) {
        unsigned char trail = s[1];
        if (trail >= 0x40 && trail <= 0xFC && trail != 0x7F) return 2;
    }
    return 1;
}

size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// The range a lead byte allows for the byte after it (overlongs, surrogates, > U+10FFFF out).
bool SecondByteFits(unsigned char lead, unsigned char second) {
    if ((second & 0xC0) != 0x80) return false;
    if (lead == 0xE0) return second >= 0xA0;
    if (lead == 0xED) return second < 0xA0;
    if (lead == 0xF0) return second >= 0x90;
    if (lead == 0xF4) return second < 0x90;
    return true;
}

// How many bytes at the start of s begin a well-formed character (at most its full length).
size_t Utf8ValidPrefix(std::string_view s, size_t& full) {
    unsigned char lead = s[0];
    full = Utf8SequenceLength(lead);
    if (full <= 1) return full;
    size_t i = 1;
    while (i < full && i < s.size()) {
        unsigned char c = s[i];
        if (i == 1 ? !SecondByteFits(lead, c) : (c & 0xC0) != 0x80) break;
        ++i;
    }
    return i;
}

// Length of the well-formed UTF-8 character at the start of s, 0 when it is not one.
size_t Utf8CharLength(std::string_view s) {
    size_t full = 0;
    size_t valid = Utf8ValidPrefix(s, full);
    return valid == full ? full : 0;
}

// A broken sequence is replaced as one piece: as far as it could still have been valid.
size_t Utf8BadLength(std::string_view s) {
    size_t full = 0;
    size_t valid = Utf8ValidPrefix(s, full);
    return valid == 0 ? 1 : valid;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
    if (IsAscii(sjis)) return std::string(sjis);
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Run(sjis, "\xEF\xBF\xBD", SjisBadLength);
}

std::string Utf8ToSjis(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    thread_local Converter converter("CP932", "UTF-8");
    return converter.Run(utf8, "?", Utf8BadLength);
}

bool IsValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        size_t n = Utf8CharLength(bytes);
        if (n == 0) return false;
        bytes.remove_prefix(n);
    }
    return true;
}

}  // namespace platform
