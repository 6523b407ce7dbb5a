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

// Length of the well-formed UTF-8 character at the start of s, 0 when it is not one.
size_t Utf8CharLength(std::string_view s) {
    unsigned char lead = s[0];
    size_t n = Utf8SequenceLength(lead);
    if (n == 0 || n > s.size()) return 0;
    for (size_t i = 1; i < n; ++i) {
        unsigned char c = s[i];
        if ((c & 0xC0) != 0x80) return 0;
    }
    if (n >= 3) {
        unsigned char second = s[1];
        if (lead == 0xE0 && second < 0xA0) return 0;  // overlong
        if (lead == 0xED && second >= 0xA0) return 0;  // surrogate
        if (lead == 0xF0 && second < 0x90) return 0;  // overlong
        if (lead == 0xF4 && second >= 0x90) return 0;  // beyond U+10FFFF
    }
    return n;
}

size_t Utf8BadLength(std::string_view s) {
    size_t n = Utf8CharLength(s);
    return n == 0 ? 1 : n;
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
