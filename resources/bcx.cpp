#include "resources/bcx.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

#include "platform/file_system.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {

// Key reads of the extended INI syntax for many sections at once. Gives what
// TXiniFile::ReadString would give, without scanning the file once per section.
class SectionKeys {
public:
    SectionKeys(const TStringList& lines, const std::vector<std::string>& keys) : m_Lines(lines) {
        m_KeyLines.resize(keys.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if (line.size() >= 2 && line.front() == '<' && line.back() == '>')
                m_TagLines[line].push_back(i);
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            for (size_t k = 0; k < keys.size(); ++k)
                if (line.compare(0, eq, keys[k]) == 0) m_KeyLines[k].push_back(i);
        }
    }

    // The value of key number k in section, or def.
    std::string Read(const std::string& section, size_t k, const std::string& def) const {
        auto headers = m_TagLines.find("<" + section + ">");
        if (headers == m_TagLines.end()) return def;
        const size_t header = headers->second.front();
        // The section ends at the first end line after its header.
        size_t end = m_Lines.size();
        auto ends = m_TagLines.find("</" + section + ">");
        if (ends != m_TagLines.end()) {
            auto e = std::upper_bound(ends->second.begin(), ends->second.end(), header);
            if (e != ends->second.end()) end = *e;
        }
        const std::vector<size_t>& at = m_KeyLines[k];
        auto it = std::upper_bound(at.begin(), at.end(), header);
        if (it == at.end() || *it >= end) return def;
        const std::string& line = m_Lines[*it];
        return line.substr(line.find('=') + 1);
    }

private:
    const TStringList& m_Lines;
    std::unordered_map<std::string, std::vector<size_t>> m_TagLines;  // lines of each tag text
    std::vector<std::vector<size_t>> m_KeyLines;                      // per key, ascending
};

const char kDataSection[] = "?bcd?";

}  // namespace

int TyxBCX::CompareNames(const std::string& a, const std::string& b) {
    return yx::CompareTextAscii(a, b);
}

bool TyxBCX::Open(const std::string& indexFileName) {
    m_Items.clear();
    m_Keys.clear();
    m_DataFileName.clear();
    m_LastError.clear();
    if (!platform::FileSystem::FileExists(indexFileName)) return false;
    // Kept even when the index is unusable, so the manager knows the archive is open.
    m_IndexFileName = indexFileName;
    std::vector<uint8_t> bytes;
    if (!platform::FileSystem::ReadFile(indexFileName, bytes)) {
        m_LastError = "the index cannot be read";
        return false;
    }
    TStringList lines;
    TXiniFile::SplitLines(std::string(bytes.begin(), bytes.end()), lines);
    TXiniFile ini(lines);
    const std::string dataName = ini.ReadString(kDataSection, "BCDFileName", "");
    if (dataName.empty()) return false;

    TStringList sections;
    ini.ReadSections(sections);
    SectionKeys keys(lines, {"address", "size"});
    std::vector<std::unique_ptr<TyxBCXItem>> items;
    for (const std::string& section : sections) {
        if (section.empty() || yx::SameTextAscii(section, kDataSection)) continue;
        const int32_t address = yx::StrToIntDef(keys.Read(section, 0, ""), 0);
        if (address == 0) continue;
        auto item = std::make_unique<TyxBCXItem>();
        item->Name = section;
        item->Address = address;
        item->Size = yx::StrToIntDef(keys.Read(section, 1, ""), 0);
        items.push_back(std::move(item));
    }

    std::vector<std::string> keysOf(items.size());
    for (size_t i = 0; i < items.size(); ++i) keysOf[i] = yx::UpperCaseAscii(items[i]->Name);
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return keysOf[a] < keysOf[b]; });
    m_Items.reserve(items.size());
    m_Keys.reserve(items.size());
    for (size_t i : order) {
        m_Items.push_back(std::move(items[i]));
        m_Keys.push_back(std::move(keysOf[i]));
    }
    m_DataFileName = yx::ExtractFilePath(indexFileName) + dataName;
    return true;
}

const TyxBCX::TyxBCXItem* TyxBCX::FindKey(const std::string& key) const {
    if (m_DataFileName.empty()) return nullptr;
    auto it = std::lower_bound(m_Keys.begin(), m_Keys.end(), key);
    if (it == m_Keys.end() || *it != key) return nullptr;
    return m_Items[static_cast<size_t>(it - m_Keys.begin())].get();
}

bool TyxBCX::Contains(const std::string& name) const {
    return ContainsKey(yx::UpperCaseAscii(name));
}

bool TyxBCX::ReadMember(const std::string& name, std::vector<uint8_t>& bytes,
                        std::string& realName) const {
    const TyxBCXItem* item = FindKey(yx::UpperCaseAscii(name));
    if (item == nullptr) return false;
    std::vector<uint8_t> data;
    if (!ReadDataRange(item->Address, item->Size, data)) return false;
    if (!Unscramble(data, item->Name, realName)) return false;
    bytes = std::move(data);
    return true;
}
