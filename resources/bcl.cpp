#include "resources/bcl.h"

#include <functional>

#include "platform/file_system.h"
#include "platform/sjis.h"
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
    // The folding of yx::SameText: ASCII letters and full-width Latin letters (0x82 0x81..0x9A
    // onto 0x82 0x60..0x79); both bytes of other double-byte characters stay.
    std::string key(name);
    for (size_t i = 0; i < key.size();) {
        const auto b = static_cast<unsigned char>(key[i]);
        if (platform::IsSjisLeadByte(b) && i + 1 < key.size()) {
            const auto t = static_cast<unsigned char>(key[i + 1]);
            if (b == 0x82 && t >= 0x81 && t <= 0x9A)
                key[i + 1] = static_cast<char>(t - 0x81 + 0x60);
            i += 2;
            continue;
        }
        if (b >= 'a' && b <= 'z') key[i] = static_cast<char>(b - 'a' + 'A');
        ++i;
    }
    return key;
}

bool TyxBCL::Open(const std::string& indexFileName) {
    if (!platform::FileSystem::FileExists(indexFileName)) return false;
    m_Items.clear();
    m_Keys.clear();
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
    BuildIndex();
    return m_LastError.empty();
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
        auto item = std::make_unique<TyxBCDItem>();
        item->Name = std::move(name);
        for (size_t k = 1; k <= 2; ++k) {
            const std::string number = Trim(lines[i + k]);
            int32_t value = 0;
            if (!yx::TryStrToInt(number, value)) {
                m_LastError = "'" + number + "' is not a valid integer value";
                return;
            }
            (k == 1 ? item->Offset : item->Size) = value;
        }
        m_Items.push_back(std::move(item));
    }
}

uint64_t TyxBCL::HashKey(std::string_view key) {
    return std::hash<std::string_view>()(key);
}

void TyxBCL::BuildIndex() {
    const size_t n = m_Items.size();
    m_Keys.resize(n);
    m_Next.assign(n, -1);
    size_t capacity = 16;
    while (capacity < 2 * n) capacity *= 2;
    m_Slots.assign(capacity, Slot());
    std::vector<int64_t> last(capacity, -1);  // per slot, the last member of its key so far
    for (size_t i = 0; i < n; ++i) {
        m_Keys[i] = NameKey(m_Items[i]->Name);
        const uint64_t hash = HashKey(m_Keys[i]);
        for (size_t s = hash & (capacity - 1);; s = (s + 1) & (capacity - 1)) {
            Slot& slot = m_Slots[s];
            if (slot.First < 0) {
                slot = {hash, static_cast<int64_t>(i)};
                last[s] = static_cast<int64_t>(i);
                break;
            }
            if (slot.Hash == hash && m_Keys[static_cast<size_t>(slot.First)] == m_Keys[i]) {
                m_Next[static_cast<size_t>(last[s])] = static_cast<int64_t>(i);
                last[s] = static_cast<int64_t>(i);
                break;
            }
        }
    }
}

int64_t TyxBCL::FindKey(const std::string& key, uint64_t hash) const {
    if (m_DataFileName.empty() || m_Slots.empty()) return -1;
    const size_t mask = m_Slots.size() - 1;
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
        const Slot& slot = m_Slots[s];
        if (slot.First < 0) return -1;
        if (slot.Hash == hash && m_Keys[static_cast<size_t>(slot.First)] == key) return slot.First;
    }
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
        const TyxBCDItem& item = *m_Items[static_cast<size_t>(index)];
        std::vector<uint8_t> data;
        if (!ReadDataRange(item.Offset, item.Size, data)) continue;
        if (!Unscramble(data, item.Name, realName)) return false;
        bytes = std::move(data);
        return true;
    }
    return false;
}
