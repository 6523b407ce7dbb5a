#pragma once
// An archive whose ".bcx" index is an extended INI file: section "?bcd?" names the data file,
// every other section is a member with its address and size. Members are kept sorted by name
// (ASCII letters without regard to case) and found by binary search.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "resources/archive.h"

class TyxBCX : public TyxArchive {
public:
    struct TyxBCXItem {
        std::string Name;
        int32_t Address = 0;
        int32_t Size = 0;
    };

    explicit TyxBCX(TyxWitch* witch) : TyxArchive(witch) {}

    // False when the index is missing or unreadable or names no data file; the archive then
    // holds nothing.
    bool Open(const std::string& indexFileName) override;
    bool Contains(const std::string& name) const override;
    // The same for a name already upper-cased with yx::UpperCaseAscii.
    bool ContainsKey(std::string_view upperName) const { return FindKey(upperName) != nullptr; }
    bool ReadMember(const std::string& name, std::vector<uint8_t>& bytes,
                    std::string& realName) const override;

    // Sorted by name; made on each call.
    std::vector<TyxBCXItem> Items() const;
    size_t Count() const { return m_Entries.size(); }
    // The member order: bytes compared after mapping a..z onto A..Z.
    static int CompareNames(const std::string& a, const std::string& b);

protected:
    bool UnknownBitmapLoads() const override { return false; }

private:
    // A member: its name and then its upper-cased key, one after the other in m_Text.
    struct Entry {
        uint32_t at, nameLength, keyLength;
        int32_t address, size;
    };
    std::string_view NameOf(const Entry& e) const { return {m_Text.data() + e.at, e.nameLength}; }
    // Searches compare plain bytes of the keys.
    std::string_view KeyOf(const Entry& e) const {
        return {m_Text.data() + e.at + e.nameLength, e.keyLength};
    }
    const Entry* FindKey(std::string_view upperName) const;
    // A member as the index lists it, its name a view into the index's bytes.
    struct Listed {
        std::string_view name;
        int32_t address, size;
    };
    bool KeepMembers(const std::vector<Listed>& members);

    std::vector<Entry> m_Entries;
    std::string m_Text;
};
