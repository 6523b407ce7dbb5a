#pragma once
// An archive whose ".bcx" index is an extended INI file: section "?bcd?" names the data file,
// every other section is a member with its address and size. Members are kept sorted by name
// (ASCII letters without regard to case) and found by binary search.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "resources/archive.h"

class TyxBCX : public TyxArchive {
public:
    struct TyxBCXItem {
        std::string Name;
        int32_t Address = 0;
        int32_t Size = 0;
        double Created = 0;  // never read
        double Update = 0;   // never read
    };

    explicit TyxBCX(TyxWitch* witch) : TyxArchive(witch) {}

    // False when the index is missing or unreadable or names no data file; the archive then
    // holds nothing.
    bool Open(const std::string& indexFileName) override;
    bool Contains(const std::string& name) const override;
    // The same for a name already upper-cased with yx::UpperCaseAscii.
    bool ContainsKey(const std::string& upperName) const { return FindKey(upperName) != nullptr; }
    bool ReadMember(const std::string& name, std::vector<uint8_t>& bytes,
                    std::string& realName) const override;

    // Sorted by name.
    const std::vector<std::unique_ptr<TyxBCXItem>>& Items() const { return m_Items; }
    // The member order: bytes compared after mapping a..z onto A..Z.
    static int CompareNames(const std::string& a, const std::string& b);

protected:
    bool UnknownBitmapLoads() const override { return false; }

private:
    const TyxBCXItem* FindKey(const std::string& upperName) const;

    std::vector<std::unique_ptr<TyxBCXItem>> m_Items;
    // Upper-cased names, parallel to m_Items, so a search compares plain bytes.
    std::vector<std::string> m_Keys;
};
