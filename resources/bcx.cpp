#include "resources/bcx.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include "platform/file_system.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {

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

    // One pass gives each section what the extended INI reads would: the values of the first
    // "address" and "size" lines after the first header of its name and before the end line
    // that closes it, and a section named twice the values of its first header.
    struct Section {
        std::string name;
        std::string address, size;
        bool header = false;  // an exact header line "<name>"
        bool closed = false;
    };
    std::vector<Section> found;
    std::vector<size_t> needAddress, needSize;                  // open, still without the key
    std::unordered_multimap<std::string, size_t> open;          // open sections by name
    for (const std::string& line : lines) {
        const size_t lt = line.rfind('<');
        const size_t gt = line.rfind('>');
        if (lt != std::string::npos && gt != std::string::npos && gt > lt) {
            std::string name = line.substr(lt + 1, gt - lt - 1);
            if (!name.empty() && name[0] != '/') {
                const bool header = lt == 0 && gt + 1 == line.size();
                found.push_back({std::move(name), {}, {}, header, false});
                if (header) {
                    const size_t at = found.size() - 1;
                    needAddress.push_back(at);
                    needSize.push_back(at);
                    open.emplace(found[at].name, at);
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
        if (eq == std::string::npos) continue;
        const std::string_view key(line.data(), eq);
        std::vector<size_t>* waiting = key == "address" ? &needAddress : key == "size" ? &needSize : nullptr;
        if (!waiting) continue;
        for (size_t at : *waiting)
            if (!found[at].closed) (waiting == &needAddress ? found[at].address : found[at].size) = line.substr(eq + 1);
        waiting->clear();
    }
    // Every section of a name takes the values of the first header of that name; a name with
    // no header line of its own has none.
    std::vector<size_t> byName(found.size());
    std::iota(byName.begin(), byName.end(), 0);
    std::stable_sort(byName.begin(), byName.end(),
                     [&](size_t a, size_t b) { return found[a].name < found[b].name; });
    std::vector<int32_t> address(found.size(), 0), size(found.size(), 0);
    for (size_t g = 0; g < byName.size();) {
        size_t e = g;
        const Section* first = nullptr;
        while (e < byName.size() && found[byName[e]].name == found[byName[g]].name) {
            if (!first && found[byName[e]].header) first = &found[byName[e]];
            ++e;
        }
        if (first) {
            const int32_t a = yx::StrToIntDef(first->address, 0), z = yx::StrToIntDef(first->size, 0);
            for (size_t k = g; k < e; ++k) {
                address[byName[k]] = a;
                size[byName[k]] = z;
            }
        }
        g = e;
    }
    std::vector<std::unique_ptr<TyxBCXItem>> items;
    for (size_t i = 0; i < found.size(); ++i) {
        if (address[i] == 0 || yx::SameTextAscii(found[i].name, kDataSection)) continue;
        auto item = std::make_unique<TyxBCXItem>();
        item->Name = std::move(found[i].name);
        item->Address = address[i];
        item->Size = size[i];
        items.push_back(std::move(item));
    }
    found.clear();
    found.shrink_to_fit();

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
