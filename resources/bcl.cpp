#include "resources/bcl.h"

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
            if (b == 0x82 && t >= 0x81 && t <= 0x9A) key[i + 1] = static_cast<char>(t - 0x81 + 0x60);
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
    m_Index.clear();
    m_DataFileName.clear();
    m_LastError.clear();
    m_IndexFileName = indexFileName;
    std::vector<uint8_t> bytes;
    if (!platform::FileSystem::ReadFile(indexFileName, bytes)) {
        m_LastError = "TyxBCL : " + indexFileName;
        return false;
    }
    TStringList lines;
    TXiniFile::SplitLines(std::string(bytes.begin(), bytes.end()), lines);
    Parse(lines);
    for (size_t i = 0; i < m_Items.size(); ++i)
        m_Index[NameKey(m_Items[i]->Name)].push_back(static_cast<uint32_t>(i));
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

const std::vector<uint32_t>* TyxBCL::Find(const std::string& name) const {
    if (m_DataFileName.empty()) return nullptr;
    auto it = m_Index.find(NameKey(name));
    return it == m_Index.end() ? nullptr : &it->second;
}

bool TyxBCL::Contains(const std::string& name) const { return Find(name) != nullptr; }

bool TyxBCL::ReadMember(const std::string& name, std::vector<uint8_t>& bytes,
                        std::string& realName) const {
    const std::vector<uint32_t>* found = Find(name);
    if (found == nullptr) return false;
    for (uint32_t index : *found) {
        const TyxBCDItem& item = *m_Items[index];
        std::vector<uint8_t> data;
        if (!ReadDataRange(item.Offset, item.Size, data)) continue;
        if (!Unscramble(data, item.Name, realName)) return false;
        bytes = std::move(data);
        return true;
    }
    return false;
}
