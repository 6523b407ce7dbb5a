#include "resources/xini_file.h"

#include <iostream>
#include <vector>

#include "platform/file_system.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

namespace {

struct SectionRange {
    int header = -1;  // -1: no header
    int end = 0;      // index of the end line, or the number of lines
};

// The end line is looked for after the header: an end line standing before the header would
// otherwise give the section an empty body, and writes would land outside it and be lost.
SectionRange FindSection(const TStringList& lines, const std::string& section) {
    SectionRange r;
    const std::string header = "<" + section + ">";
    const std::string end = "</" + section + ">";
    const int n = static_cast<int>(lines.size());
    for (int i = 0; i < n; ++i)
        if (lines[i] == header) {
            r.header = i;
            break;
        }
    if (r.header < 0) return r;
    r.end = n;
    for (int i = r.header + 1; i < n; ++i)
        if (lines[i] == end) {
            r.end = i;
            break;
        }
    return r;
}

// Index of the key line for key in the section's body, or -1.
int FindKey(const TStringList& lines, const SectionRange& r, const std::string& key) {
    for (int i = r.header + 1; i < r.end; ++i) {
        const std::string& line = lines[i];
        size_t eq = line.find('=');
        if (eq != std::string::npos && line.compare(0, eq, key) == 0) return i;
    }
    return -1;
}

// A line can never hold a line end or a NUL once saved: either would cut the file apart on
// the next load, so they are turned into blanks when written.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\0' || c == '\r' || c == '\n') c = ' ';
    return text;
}

}  // namespace

TXiniFile::TXiniFile(const std::string& fileName, bool readOnly)
    : m_Lines(&m_OwnLines), m_ReadOnly(readOnly), m_FileName(fileName) {
    if (fileName.empty() || !platform::FileSystem::FileExists(fileName)) return;
    std::vector<uint8_t> bytes;
    if (!platform::FileSystem::ReadFile(fileName, bytes))
        throw EEngineError("TXiniFile : " + SJ("ファイルを読み込めません:") + "\"" + fileName +
                           "\"");
    SplitLines(std::string(bytes.begin(), bytes.end()), m_OwnLines);
}

TXiniFile::TXiniFile(TStringList& lines) : m_Lines(&lines), m_ReadOnly(true) {}

namespace {
void LogFailure(const std::string& fileName, const char* what) noexcept {
    try {
        std::cerr << "TXiniFile(" << platform::SjisToUtf8(fileName)
                  << "): " << platform::SjisToUtf8(what) << std::endl;
    } catch (...) {
    }
}
}  // namespace

TXiniFile::~TXiniFile() {
    try {
        UpdateFile();
    } catch (const std::exception& e) {
        LogFailure(m_FileName, e.what());
    } catch (...) {
        LogFailure(m_FileName, "write failed");
    }
}

void TXiniFile::UpdateFile() {
    if (m_FileName.empty() || m_ReadOnly || !m_Unsaved) return;
    std::string folder = yx::ExtractFilePath(m_FileName);
    // Keep the separator of a root ("\", "C:\"): without it the name means something else.
    const bool root = folder.size() == 1 || (folder.size() == 3 && folder[1] == ':') ||
                      (folder.size() == 2 && folder[1] == ':');
    if (!root) folder = yx::ExcludeTrailingBackslash(folder);
    if (!folder.empty() && !platform::FileSystem::DirectoryExists(folder) &&
        !platform::FileSystem::ForceDirectories(folder))
        throw EEngineError(SJ("ディレクトリを作成できません:") + "\"" + folder + "\"");
    std::vector<uint8_t> bytes;
    for (const std::string& line : *m_Lines) {
        bytes.insert(bytes.end(), line.begin(), line.end());
        bytes.push_back('\r');
        bytes.push_back('\n');
    }
    if (!platform::FileSystem::WriteFileAtomic(m_FileName, bytes))
        throw EEngineError("TXiniFile : " + SJ("ファイルを書き込めません:") + "\"" + m_FileName +
                           "\"");
    m_Unsaved = false;
}

void TXiniFile::SplitLines(const std::string& bytes, TStringList& lines) {
    lines.clear();
    size_t end = bytes.find('\0');
    if (end == std::string::npos) end = bytes.size();
    size_t start = 0;
    for (size_t i = 0; i < end; ++i) {
        char c = bytes[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(bytes, start, i - start);
        if (c == '\r' && i + 1 < end && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < end) lines.emplace_back(bytes, start, end - start);
}

// Reads ---------------------------------------------------------------------------------------

namespace {
// The value of the key, or false when the section or the key line is missing.
bool FindValue(const TStringList& lines, const std::string& section, const std::string& key,
               std::string& value) {
    SectionRange r = FindSection(lines, section);
    if (r.header < 0) return false;
    int i = FindKey(lines, r, key);
    if (i < 0) return false;
    value = lines[i].substr(key.size() + 1);
    return true;
}
}  // namespace

std::string TXiniFile::ReadString(const std::string& section, const std::string& key,
                                  const std::string& def) const {
    std::string value;
    return FindValue(*m_Lines, section, key, value) ? value : def;
}

int32_t TXiniFile::ReadInteger(const std::string& section, const std::string& key,
                               int32_t def) const {
    std::string value;
    return FindValue(*m_Lines, section, key, value) ? yx::StrToIntDef(value, def) : def;
}

bool TXiniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    std::string value;
    if (!FindValue(*m_Lines, section, key, value) || value.empty()) return def;
    return value[0] != '0';
}

TPoint TXiniFile::ReadPoint(const std::string& section, const std::string& key, int32_t defX,
                            int32_t defY) const {
    std::string value, left, right;
    if (!FindValue(*m_Lines, section, key, value) || !yx::SplitAt(value, ",", left, right))
        return TPoint{defX, defY};
    return TPoint{yx::StrToIntDef(left, defX), yx::StrToIntDef(right, defY)};
}

int TXiniFile::ReadList(const std::string& section, const std::string& key,
                        TStringList& list) const {
    std::string value;
    if (!FindValue(*m_Lines, section, key, value) || value.empty()) return 0;
    return yx::Split(value, ",", list);
}

namespace {
// The value's items; none when the key is missing.
TStringList Items(const TStringList& lines, const std::string& section, const std::string& key) {
    TStringList items;
    std::string value;
    if (FindValue(lines, section, key, value)) yx::Split(value, ",", items);
    return items;
}
}  // namespace

void TXiniFile::ReadBoolArray(const std::string& section, const std::string& key, bool def,
                              int count, bool* out) const {
    TStringList items = Items(*m_Lines, section, key);
    for (int i = 0; i < count; ++i) {
        if (static_cast<size_t>(i) < items.size() && !items[i].empty())
            out[i] = yx::StrToIntDef(items[i], 1) != 0;
        else
            out[i] = def;
    }
}

void TXiniFile::ReadIntegerArray(const std::string& section, const std::string& key, int32_t def,
                                 int count, int32_t* out) const {
    TStringList items = Items(*m_Lines, section, key);
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<size_t>(i) < items.size() ? yx::StrToIntDef(items[i], def) : def;
}

void TXiniFile::ReadPointArray(const std::string& section, const std::string& key, int32_t def,
                               int count, bool y, TPoint* out) const {
    TStringList items = Items(*m_Lines, section, key);
    for (int i = 0; i < count; ++i) {
        int32_t v = static_cast<size_t>(i) < items.size() ? yx::StrToIntDef(items[i], def) : def;
        (y ? out[i].y : out[i].x) = v;
    }
}

void TXiniFile::ReadSections(TStringList& list) const {
    for (const std::string& line : *m_Lines) {
        size_t open = line.rfind('<');
        if (open == std::string::npos) continue;
        size_t close = line.rfind('>');
        if (close == std::string::npos || close <= open) continue;
        std::string name = line.substr(open + 1, close - open - 1);
        if (name.empty() || name[0] == '/') continue;
        list.push_back(std::move(name));
    }
}

bool TXiniFile::ReadSectionLines(const std::string& section, TStringList& list) const {
    SectionRange r = FindSection(*m_Lines, section);
    if (r.header < 0) return false;
    list.insert(list.end(), m_Lines->begin() + r.header + 1, m_Lines->begin() + r.end);
    return true;
}

// Writes --------------------------------------------------------------------------------------

void TXiniFile::WriteSectionLines(const std::string& section, const TStringList& list) {
    // The caller may pass our own lines; work from a copy.
    TStringList body;
    body.reserve(list.size());
    for (const std::string& line : list) body.push_back(OneLine(line));
    TStringList& lines = *m_Lines;
    SectionRange r = FindSection(lines, section);
    if (r.header < 0) {
        lines.push_back(OneLine("<" + section + ">"));
        r.header = static_cast<int>(lines.size()) - 1;
        r.end = static_cast<int>(lines.size());
    }
    if (r.end >= static_cast<int>(lines.size())) {
        lines.insert(lines.begin() + r.header + 1, OneLine("</" + section + ">"));
        r.end = r.header + 1;
    }
    lines.erase(lines.begin() + r.header + 1, lines.begin() + r.end);
    lines.insert(lines.begin() + r.header + 1, body.begin(), body.end());
    m_Modified = true;
    m_Unsaved = true;
}

void TXiniFile::WriteString(const std::string& section, const std::string& key,
                            const std::string& value) {
    m_Modified = true;
    m_Unsaved = true;
    TStringList& lines = *m_Lines;
    std::string line = OneLine(key + "=" + value);
    SectionRange r = FindSection(lines, section);
    if (r.header < 0) {
        lines.push_back(OneLine("<" + section + ">"));
        lines.push_back(std::move(line));
        lines.push_back(OneLine("</" + section + ">"));
        return;
    }
    int i = FindKey(lines, r, key);
    if (i >= 0)
        lines[i] = std::move(line);
    else
        lines.insert(lines.begin() + r.end, std::move(line));
}

void TXiniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    WriteString(section, key, yx::IntToStr(value));
}

void TXiniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}
