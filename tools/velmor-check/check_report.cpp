#include "tools/velmor-check/check_report.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/sjis.h"

namespace {
std::string Json(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}
}  // namespace

void TCheckReport::Add(const std::string& file, int32_t line, Level level,
                       const std::string& text) {
    m_Findings.push_back({file, line, level, text});
}

int TCheckReport::Count(Level level) const {
    return static_cast<int>(std::count_if(m_Findings.begin(), m_Findings.end(),
                                          [&](const Finding& f) { return f.Severity == level; }));
}

void TCheckReport::Sort() {
    // Files in the order they were first reported (the project, then the scripts as reached).
    std::map<std::string, size_t> order;
    for (const Finding& f : m_Findings) order.emplace(f.File, order.size());
    std::stable_sort(m_Findings.begin(), m_Findings.end(), [&](const Finding& a, const Finding& b) {
        if (a.File != b.File) return order[a.File] < order[b.File];
        return a.Line < b.Line;
    });
}

const char* TCheckReport::LevelName(Level level) {
    switch (level) {
        case Level::Note:
            return "note";
        case Level::Warning:
            return "warning";
        default:
            return "error";
    }
}

void TCheckReport::PrintText(std::ostream& out) const {
    for (const Finding& f : m_Findings) {
        out << platform::SjisToUtf8(f.File);
        if (f.Line > 0) out << ":" << f.Line;
        out << ": " << LevelName(f.Severity) << ": " << f.Text << "\n";
    }
}

void TCheckReport::PrintJson(std::ostream& out) const {
    out << "{\"findings\":[";
    for (size_t i = 0; i < m_Findings.size(); ++i) {
        const Finding& f = m_Findings[i];
        out << (i ? ",\n" : "\n") << "{\"file\":" << Json(platform::SjisToUtf8(f.File))
            << ",\"line\":" << f.Line << ",\"level\":\"" << LevelName(f.Severity)
            << "\",\"text\":" << Json(f.Text) << "}";
    }
    out << "\n],\"errors\":" << Count(Level::Error) << ",\"warnings\":" << Count(Level::Warning)
        << ",\"notes\":" << Count(Level::Note) << "}\n";
}
