#pragma once
// An archive whose members are described by a plain-text ".bcl" index: a data header naming
// the data file, then per member a bracketed name, its offset and its size.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "resources/archive.h"

class TyxBCL : public TyxArchive {
public:
    struct TyxBCDItem {
        std::string Name;
        int32_t Offset = 0;
        int32_t Size = 0;
    };

    explicit TyxBCL(TyxWitch* witch) : TyxArchive(witch) {}

    // False, changing nothing, when the index file does not exist. A number line that is not
    // an integer stops the parse: the members before it stay, LastError says which line, and
    // the result is false.
    bool Open(const std::string& indexFileName) override;
    // Names compare as the locale does: ASCII and full-width letters without regard to case.
    bool Contains(const std::string& name) const override;
    // Members of that name in index order; the first whose bytes can be read is delivered.
    bool ReadMember(const std::string& name, std::vector<uint8_t>& bytes,
                    std::string& realName) const override;

    const std::vector<std::unique_ptr<TyxBCDItem>>& Items() const { return m_Items; }
    // The key under which equal names (as the locale compares them) meet.
    static std::string NameKey(std::string_view name);

protected:
    // Pictures of other kinds are left as they are, and the load counts as done.
    bool UnknownBitmapLoads() const override { return true; }

private:
    void Parse(const TStringList& lines);
    const std::vector<uint32_t>* Find(const std::string& name) const;

    std::vector<std::unique_ptr<TyxBCDItem>> m_Items;
    // Member indexes by NameKey, each list in index order.
    std::unordered_map<std::string, std::vector<uint32_t>> m_Index;
};
