#pragma once
// An archive whose members are described by a plain-text ".bcl" index: a data header naming
// the data file, then per member a bracketed name, its offset and its size.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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
    // The same for a name already turned into its NameKey and hashed with HashKey, so a
    // search through many archives folds and hashes it once.
    bool ContainsKey(const std::string& key, uint64_t hash) const {
        return FindKey(key, hash) >= 0;
    }
    // Members of that name in index order; the first whose bytes can be read is delivered.
    bool ReadMember(const std::string& name, std::vector<uint8_t>& bytes,
                    std::string& realName) const override;

    const std::vector<std::unique_ptr<TyxBCDItem>>& Items() const { return m_Items; }
    // The key under which equal names (as the locale compares them) meet.
    static std::string NameKey(std::string_view name);
    static uint64_t HashKey(std::string_view key);

protected:
    // Pictures of other kinds are left as they are, and the load counts as done.
    bool UnknownBitmapLoads() const override { return true; }

private:
    void Parse(const TStringList& lines);
    void BuildIndex();
    // The first member of that key in index order, or -1.
    int64_t FindKey(const std::string& key, uint64_t hash) const;

    std::vector<std::unique_ptr<TyxBCDItem>> m_Items;
    // Name index, built when the archive opens: an open-addressing table of the first member
    // of each key, and per member the next one with the same key (or -1).
    struct Slot {
        uint64_t Hash = 0;
        int64_t First = -1;
    };
    std::vector<std::string> m_Keys;
    std::vector<int64_t> m_Next;
    std::vector<Slot> m_Slots;
};
