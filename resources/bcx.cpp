#include "resources/bcx.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include "platform/file_system.h"
#include "resources/yxstringlib.h"

namespace {

const char kDataSection[] = "?bcd?";

// The data file's name as the INI reader finds it: the first "BCDFileName" line between the
// first "<?bcd?>" and the first "</?bcd?>" after it.
std::string DataFileNameIn(const std::vector<std::string_view>& lines) {
    const std::string header = std::string("<") + kDataSection + ">";
    const std::string end = std::string("</") + kDataSection + ">";
    const std::string_view key = "BCDFileName";
    size_t i = 0;
    while (i < lines.size() && lines[i] != header) ++i;
    for (++i; i < lines.size() && lines[i] != end; ++i) {
        const size_t eq = lines[i].find('=');
        if (eq != std::string_view::npos && lines[i].substr(0, eq) == key)
            return std::string(lines[i].substr(eq + 1));
    }
    return {};
}

// The file's lines as views, cut as the INI reader cuts them: a large index would otherwise
// cost a string per line before anything is kept.
std::vector<std::string_view> IndexLines(const std::vector<uint8_t>& bytes) {
    std::vector<std::string_view> lines;
    const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const size_t end = std::min(all.find('\0'), all.size());
    size_t from = 0;
    for (size_t i = 0; i < end; ++i) {
        const char c = all[i];
        if (c != '\r' && c != '\n') continue;
        lines.push_back(all.substr(from, i - from));
        if (c == '\r' && i + 1 < end && all[i + 1] == '\n') ++i;
        from = i + 1;
    }
    if (from < end) lines.push_back(all.substr(from, end - from));
    return lines;
}

// A section as the extended INI reads would see it.
struct Section {
    std::string_view name;
    std::string_view address, size;
    bool header = false;  // an exact header line "<name>"
    bool closed = false;
};

// One pass gives each section what the extended INI reads would: the values of the first
// "address" and "size" lines after the first header of its name and before the end line
// that closes it.
std::vector<Section> FindSections(const std::vector<std::string_view>& lines) {
    std::vector<Section> found;
    std::vector<size_t> needAddress, needSize;               // open, still without the key
    std::unordered_multimap<std::string_view, size_t> open;  // open sections by name
    for (const std::string_view line : lines) {
        const size_t lt = line.rfind('<');
        const size_t gt = line.rfind('>');
        if (lt != std::string_view::npos && gt != std::string_view::npos && gt > lt) {
            const std::string_view name = line.substr(lt + 1, gt - lt - 1);
            if (!name.empty() && name[0] != '/') {
                const bool header = lt == 0 && gt + 1 == line.size();
                found.push_back({name, {}, {}, header, false});
                if (header) {
                    const size_t at = found.size() - 1;
                    needAddress.push_back(at);
                    needSize.push_back(at);
                    open.emplace(name, at);
                    continue;
                }
                // A line such as "address=1<x>" names a section and is a key line as well.
            }
            if (lt == 0 && gt + 1 == line.size() && line.size() > 3 && line[1] == '/') {
                auto [from, to] = open.equal_range(line.substr(2, line.size() - 3));
                for (auto it = from; it != to; ++it) found[it->second].closed = true;
                open.erase(from, to);
                continue;
            }
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, eq);
        std::vector<size_t>* waiting = key == "address" ? &needAddress
                                       : key == "size"  ? &needSize
                                                        : nullptr;
        if (!waiting) continue;
        for (size_t at : *waiting)
            if (!found[at].closed)
                (waiting == &needAddress ? found[at].address : found[at].size) =
                    line.substr(eq + 1);
        waiting->clear();
    }
    return found;
}

// Every section of a name takes the values of the first header of that name; a name with no
// header line of its own has none (0).
void ValuesByName(const std::vector<Section>& found, std::vector<int32_t>& address,
                  std::vector<int32_t>& size) {
    std::vector<size_t> byName(found.size());
    std::iota(byName.begin(), byName.end(), 0);
    std::stable_sort(byName.begin(), byName.end(),
                     [&](size_t a, size_t b) { return found[a].name < found[b].name; });
    address.assign(found.size(), 0);
    size.assign(found.size(), 0);
    for (size_t g = 0; g < byName.size();) {
        size_t e = g;
        const Section* first = nullptr;
        while (e < byName.size() && found[byName[e]].name == found[byName[g]].name) {
            if (!first && found[byName[e]].header) first = &found[byName[e]];
            ++e;
        }
        if (first) {
            const int32_t a = yx::StrToIntDef(first->address, 0);
            const int32_t z = yx::StrToIntDef(first->size, 0);
            for (size_t k = g; k < e; ++k) {
                address[byName[k]] = a;
                size[byName[k]] = z;
            }
        }
        g = e;
    }
}

}  // namespace

int TyxBCX::CompareNames(const std::string& a, const std::string& b) {
    return yx::CompareTextAscii(a, b);
}

bool TyxBCX::Open(const std::string& indexFileName) {
    m_Entries.clear();
    m_Text.clear();
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
    const std::vector<std::string_view> lines = IndexLines(bytes);
    const std::string dataName = DataFileNameIn(lines);
    if (dataName.empty()) return false;
    std::vector<Section> found = FindSections(lines);
    std::vector<int32_t> address, size;
    ValuesByName(found, address, size);
    std::vector<Listed> members;
    for (size_t i = 0; i < found.size(); ++i)
        if (address[i] != 0 && !yx::SameTextAscii(found[i].name, kDataSection))
            members.push_back({found[i].name, address[i], size[i]});
    found.clear();
    found.shrink_to_fit();
    if (!KeepMembers(members)) return false;
    m_DataFileName = yx::ExtractFilePath(indexFileName) + dataName;
    return true;
}

// Names and their keys in one text, members as small records into it: the open index costs
// about what its file does.
bool TyxBCX::KeepMembers(const std::vector<Listed>& members) {
    std::vector<Entry> entries;
    std::string text;
    for (const Listed& m : members) {
        const std::string_view name = m.name;
        const std::string key = yx::UpperCaseAscii(name);
        if (text.size() + name.size() + key.size() > UINT32_MAX) {
            m_LastError = "the index is too large";
            return false;
        }
        entries.push_back({static_cast<uint32_t>(text.size()), static_cast<uint32_t>(name.size()),
                           static_cast<uint32_t>(key.size()), m.address, m.size});
        text += name;
        text += key;
    }
    text.shrink_to_fit();
    m_Text = std::move(text);
    std::stable_sort(entries.begin(), entries.end(),
                     [this](const Entry& x, const Entry& y) { return KeyOf(x) < KeyOf(y); });
    m_Entries = std::move(entries);
    m_Entries.shrink_to_fit();
    return true;
}

std::vector<TyxBCX::TyxBCXItem> TyxBCX::Items() const {
    std::vector<TyxBCXItem> items;
    items.reserve(m_Entries.size());
    for (const Entry& e : m_Entries) items.push_back({std::string(NameOf(e)), e.address, e.size});
    return items;
}

const TyxBCX::Entry* TyxBCX::FindKey(std::string_view key) const {
    if (m_DataFileName.empty()) return nullptr;
    auto it = std::lower_bound(m_Entries.begin(), m_Entries.end(), key,
                               [this](const Entry& e, std::string_view k) { return KeyOf(e) < k; });
    if (it == m_Entries.end() || KeyOf(*it) != key) return nullptr;
    return &*it;
}

bool TyxBCX::Contains(const std::string& name) const {
    return ContainsKey(yx::UpperCaseAscii(name));
}

bool TyxBCX::ReadMember(const std::string& name, std::vector<uint8_t>& bytes,
                        std::string& realName) const {
    const Entry* item = FindKey(yx::UpperCaseAscii(name));
    if (item == nullptr) return false;
    std::vector<uint8_t> data;
    if (!ReadDataRange(item->address, item->size, data)) return false;
    if (!Unscramble(data, std::string(NameOf(*item)), realName)) return false;
    bytes = std::move(data);
    return true;
}
