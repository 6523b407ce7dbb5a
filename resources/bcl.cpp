#include "resources/bcl.h"

#include <climits>
#include <cstdint>
#include <functional>

#include "platform/file_system.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {

std::string Trim(const std::string& line) {
    size_t b = 0, e = line.size();
    while (b < e && static_cast<unsigned char>(line[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(line[e - 1]) <= 32) --e;
    return line.substr(b, e - b);
}

}  // namespace

std::string TyxBCL::NameKey(std::string_view name) {
    return yx::FoldText(name);
}

bool TyxBCL::Open(const std::string& indexFileName) {
    if (!platform::FileSystem::FileExists(indexFileName)) return false;
    m_Entries.clear();
    m_Text.clear();
    m_Next.clear();
    m_Slots.clear();
    m_DataFileName.clear();
    m_LastError.clear();
    m_IndexFileName = indexFileName;
    std::vector<uint8_t> bytes;
    if (!platform::FileSystem::ReadFile(indexFileName, bytes)) {
        m_LastError = "the index cannot be read";
        return false;
    }
    TStringList lines;
    TXiniFile::SplitLines(std::string(bytes.begin(), bytes.end()), lines);
    Parse(lines);
    if (!m_LastError.empty()) {
        // A damaged index may have lost any of its members: none of them is trusted.
        m_Entries.clear();
        m_Text.clear();
        m_DataFileName.clear();
        return false;
    }
    BuildIndex();
    return true;
}

void TyxBCL::Parse(const TStringList& lines) {
    const std::string folder = yx::ExtractFilePath(m_IndexFileName);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string trimmed = Trim(lines[i]);
        if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') continue;
        std::string name = trimmed.substr(1, trimmed.size() - 2);
        if (yx::SameText(name, "BinaryCombineData")) {
            if (i + 1 < lines.size()) m_DataFileName = folder + lines[i + 1];
            continue;
        }
        if (i + 2 >= lines.size()) continue;
        int32_t values[2] = {0, 0};
        for (size_t k = 1; k <= 2; ++k) {
            const std::string number = Trim(lines[i + k]);
            if (!yx::TryStrToInt(number, values[k - 1])) {
                m_LastError = "'" + number + "' is not a valid integer value";
                return;
            }
        }
        if (m_Text.size() + name.size() > UINT32_MAX || m_Entries.size() >= INT32_MAX) {
            m_LastError = "the index holds too many members";
            return;
        }
        m_Entries.push_back({static_cast<uint32_t>(m_Text.size()),
                             static_cast<uint32_t>(name.size()), values[0], values[1]});
        m_Text += name;
    }
    m_Entries.shrink_to_fit();
    m_Text.shrink_to_fit();
}

uint64_t TyxBCL::HashKey(std::string_view key) {
    return std::hash<std::string_view>()(key);
}

void TyxBCL::BuildIndex() {
    const size_t n = m_Entries.size();
    m_Next.assign(n, -1);
    size_t capacity = 16;
    while (capacity < 2 * n) capacity *= 2;
    m_Slots.assign(capacity, Slot());
    std::vector<int32_t> last(capacity, -1);  // per slot, the last member of its key so far
    for (size_t i = 0; i < n; ++i) {
        const std::string key = NameKey(NameOf(m_Entries[i]));
        const uint64_t hash = HashKey(key);
        const auto high = static_cast<uint32_t>(hash >> 32);
        for (size_t s = hash & (capacity - 1);; s = (s + 1) & (capacity - 1)) {
            Slot& slot = m_Slots[s];
            if (slot.first < 0) {
                slot = {high, static_cast<int32_t>(i)};
                last[s] = static_cast<int32_t>(i);
                break;
            }
            if (slot.hash == high &&
                yx::FoldsTo(NameOf(m_Entries[static_cast<size_t>(slot.first)]), key)) {
                m_Next[static_cast<size_t>(last[s])] = static_cast<int32_t>(i);
                last[s] = static_cast<int32_t>(i);
                break;
            }
        }
    }
}

int64_t TyxBCL::FindKey(const std::string& key, uint64_t hash) const {
    if (m_DataFileName.empty() || m_Slots.empty()) return -1;
    const size_t mask = m_Slots.size() - 1;
    const auto high = static_cast<uint32_t>(hash >> 32);
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
        const Slot& slot = m_Slots[s];
        if (slot.first < 0) return -1;
        if (slot.hash == high &&
            yx::FoldsTo(NameOf(m_Entries[static_cast<size_t>(slot.first)]), key))
            return slot.first;
    }
}

std::vector<TyxBCL::TyxBCDItem> TyxBCL::Items() const {
    std::vector<TyxBCDItem> items;
    items.reserve(m_Entries.size());
    for (const Entry& e : m_Entries) items.push_back({std::string(NameOf(e)), e.offset, e.size});
    return items;
}

bool TyxBCL::Contains(const std::string& name) const {
    const std::string key = NameKey(name);
    return ContainsKey(key, HashKey(key));
}

bool TyxBCL::ReadMember(const std::string& name, std::vector<uint8_t>& bytes,
                        std::string& realName) const {
    const std::string key = NameKey(name);
    for (int64_t index = FindKey(key, HashKey(key)); index >= 0;
         index = m_Next[static_cast<size_t>(index)]) {
        const Entry& item = m_Entries[static_cast<size_t>(index)];
        std::vector<uint8_t> data;
        if (!ReadDataRange(item.offset, item.size, data)) continue;
        if (!Unscramble(data, std::string(NameOf(item)), realName)) return false;
        bytes = std::move(data);
        return true;
    }
    return false;
}
