#include "windows/rich_text.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "platform/sjis.h"
#include "platform/sjis_qt.h"

namespace {

struct Format {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int colour = 0;    // index into the colour table; 0 is the view's own colour
    int halfPoints = 0;  // 0 is the view's own size
    bool skip = false;   // inside a destination that holds no text of the document
    int unicodeSkip = 1;
    bool operator==(const Format& o) const {
        return bold == o.bold && italic == o.italic && underline == o.underline &&
               colour == o.colour && halfPoints == o.halfPoints;
    }
};

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

class Converter {
public:
    explicit Converter(const std::string& rtf) : m_Rtf(rtf) {}

    QString Run() {
        std::vector<Format> stack{Format{}};
        size_t i = 0;
        while (i < m_Rtf.size()) {
            const unsigned char c = static_cast<unsigned char>(m_Rtf[i]);
            Format& f = stack.back();
            if (c == '{') {
                Format inner = f;
                for (const char* d : {"\\fonttbl", "\\stylesheet", "\\info", "\\*", "\\pict",
                                      "\\header", "\\footer", "\\colortbl"})
                    if (m_Rtf.compare(i + 1, std::char_traits<char>::length(d), d) == 0)
                        inner.skip = true;
                if (m_Rtf.compare(i + 1, 9, "\\colortbl") == 0) i = ReadColours(i + 10);
                else ++i;
                stack.push_back(inner);
            } else if (c == '}') {
                if (stack.size() > 1) stack.pop_back();
                ++i;
            } else if (c == '\\' && i + 1 < m_Rtf.size()) {
                i = ControlAt(i, stack.back());
            } else if (c == '\r' || c == '\n') {
                ++i;
            } else {
                size_t n = IsLeadByte(c) && i + 1 < m_Rtf.size() ? 2 : 1;
                if (!f.skip) Bytes(f, m_Rtf.substr(i, n));
                i += n;
            }
        }
        EndParagraph(false);
        return QStringLiteral("<div style=\"white-space: pre-wrap;\">") + m_Html +
               QStringLiteral("</div>");
    }

private:
    // Reads "\red1\green2\blue3;" entries up to the group's end; the first entry is empty.
    size_t ReadColours(size_t i) {
        m_Colours.clear();
        int r = 0, g = 0, b = 0;
        bool any = false;
        while (i < m_Rtf.size() && m_Rtf[i] != '}') {
            if (m_Rtf[i] == ';') {
                m_Colours.push_back(any ? QStringLiteral("#%1%2%3")
                                              .arg(r, 2, 16, QLatin1Char('0'))
                                              .arg(g, 2, 16, QLatin1Char('0'))
                                              .arg(b, 2, 16, QLatin1Char('0'))
                                        : QString());
                r = g = b = 0;
                any = false;
                ++i;
            } else if (m_Rtf[i] == '\\') {
                size_t j = i + 1;
                while (j < m_Rtf.size() && std::isalpha(static_cast<unsigned char>(m_Rtf[j]))) ++j;
                const std::string word = m_Rtf.substr(i + 1, j - i - 1);
                size_t k = j;
                while (k < m_Rtf.size() && std::isdigit(static_cast<unsigned char>(m_Rtf[k]))) ++k;
                const int value = k > j && k - j <= 3 ? std::min(255, std::stoi(m_Rtf.substr(j, k - j))) : 0;
                if (word == "red") r = value, any = true;
                if (word == "green") g = value, any = true;
                if (word == "blue") b = value, any = true;
                i = k;
            } else {
                ++i;
            }
        }
        return i;
    }

    size_t ControlAt(size_t i, Format& f) {
        const char n = m_Rtf[i + 1];
        if (n == '\\' || n == '{' || n == '}') {
            if (!f.skip) Bytes(f, std::string(1, n));
            return i + 2;
        }
        if (n == '\'') {
            if (i + 3 < m_Rtf.size() && std::isxdigit(static_cast<unsigned char>(m_Rtf[i + 2])) &&
                std::isxdigit(static_cast<unsigned char>(m_Rtf[i + 3]))) {
                if (!f.skip)
                    Bytes(f, std::string(1, static_cast<char>(
                                                std::stoi(m_Rtf.substr(i + 2, 2), nullptr, 16))));
                return i + 4;
            }
            return i + 2;
        }
        if (n == '~') {
            if (!f.skip) Text(f, QString(QChar(0xA0)));
            return i + 2;
        }
        if (!std::isalpha(static_cast<unsigned char>(n))) return i + 2;
        size_t j = i + 1;
        while (j < m_Rtf.size() && std::isalpha(static_cast<unsigned char>(m_Rtf[j]))) ++j;
        const std::string word = m_Rtf.substr(i + 1, j - i - 1);
        bool hasValue = false;
        long value = 0;
        size_t k = j;
        if (k < m_Rtf.size() && m_Rtf[k] == '-') ++k;
        const size_t digits = k;
        while (k < m_Rtf.size() && std::isdigit(static_cast<unsigned char>(m_Rtf[k])) && k - digits < 9) ++k;
        if (k > digits) {
            hasValue = true;
            value = std::stol(m_Rtf.substr(j, k - j));
        } else {
            k = j;
        }
        if (k < m_Rtf.size() && m_Rtf[k] == ' ') ++k;
        const bool on = !hasValue || value != 0;
        if (word == "b") f.bold = on;
        else if (word == "i") f.italic = on;
        else if (word == "ul") f.underline = on;
        else if (word == "ulnone") f.underline = false;
        else if (word == "cf") f.colour = static_cast<int>(value);
        else if (word == "fs") f.halfPoints = static_cast<int>(value);
        else if (word == "plain") {
            const bool skip = f.skip;
            const int uc = f.unicodeSkip;
            f = Format{};
            f.skip = skip;
            f.unicodeSkip = uc;
        } else if (word == "uc") f.unicodeSkip = static_cast<int>(value);
        else if (word == "u") {
            if (!f.skip) Text(f, QString(QChar(static_cast<char16_t>(value < 0 ? value + 65536 : value))));
            // The stand-in characters for readers without Unicode follow.
            for (int s = 0; s < f.unicodeSkip && k < m_Rtf.size(); ++s)
                k += m_Rtf[k] == '\\' && k + 1 < m_Rtf.size() && m_Rtf[k + 1] == '\'' ? 4 : 1;
        } else if (!f.skip) {
            if (word == "par") EndParagraph(true);
            else if (word == "line") Text(f, QStringLiteral("<br/>"), true);
            else if (word == "tab") Text(f, QStringLiteral("\t"));
        }
        return k;
    }

    void Bytes(const Format& f, const std::string& bytes) {
        if (!(f == m_RunFormat)) FlushRun();
        m_RunFormat = f;
        m_RunBytes += bytes;
    }

    void Text(const Format& f, const QString& text, bool markup = false) {
        if (!(f == m_RunFormat)) FlushRun();
        m_RunFormat = f;
        FlushBytes();
        m_RunText += markup ? text : text.toHtmlEscaped();
    }

    void FlushBytes() {
        if (m_RunBytes.empty()) return;
        m_RunText += platform::ToQString(m_RunBytes).toHtmlEscaped();
        m_RunBytes.clear();
    }

    void FlushRun() {
        FlushBytes();
        if (m_RunText.isEmpty()) return;
        QString style;
        const Format& f = m_RunFormat;
        if (f.bold) style += QStringLiteral("font-weight:bold;");
        if (f.italic) style += QStringLiteral("font-style:italic;");
        if (f.underline) style += QStringLiteral("text-decoration:underline;");
        if (f.colour > 0 && f.colour < static_cast<int>(m_Colours.size()) &&
            !m_Colours[static_cast<size_t>(f.colour)].isEmpty())
            style += QStringLiteral("color:%1;").arg(m_Colours[static_cast<size_t>(f.colour)]);
        if (f.halfPoints > 0)
            style += QStringLiteral("font-size:%1pt;").arg(f.halfPoints / 2.0);
        m_Paragraph += style.isEmpty() ? m_RunText
                                       : QStringLiteral("<span style=\"%1\">%2</span>").arg(style, m_RunText);
        m_RunText.clear();
    }

    void EndParagraph(bool explicitEnd) {
        FlushRun();
        if (!explicitEnd && m_Paragraph.isEmpty()) return;
        // An empty paragraph still takes its line.
        m_Html += QStringLiteral("<p style=\"margin:0;\">") +
                  (m_Paragraph.isEmpty() ? QStringLiteral("&nbsp;") : m_Paragraph) +
                  QStringLiteral("</p>");
        m_Paragraph.clear();
    }

    const std::string& m_Rtf;
    std::vector<QString> m_Colours;
    Format m_RunFormat;
    std::string m_RunBytes;
    QString m_RunText;
    QString m_Paragraph;
    QString m_Html;
};

}  // namespace

QString RichTextToHtml(const std::string& document) {
    if (document.rfind("{\\rtf", 0) == 0) return Converter(document).Run();
    QString text = platform::ToQString(document).toHtmlEscaped();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return QStringLiteral("<div style=\"white-space: pre-wrap;\">") + text + QStringLiteral("</div>");
}
