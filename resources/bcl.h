#pragma once
// An archive whose members are described by a plain-text ".bcl" index: a data header naming
// the data file, then per member a bracketed name, its offset and its size.
#include <cstdint>
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
    // an integer refuses the whole index: no member is kept, LastError says which line, and
    // the result is false.
    bool Open(const std::string& indexFileName) override;
    // Names compare as the locale does (yx::SameText).
    bool Contains(const std::string& name) const override;
    // The same for a name already turned into its NameKey and hashed with HashKey, so a
    // search through many archives folds and hashes it once.
    bool ContainsKey(const std::string& key, uint64_t hash) const {
        return FindKey(key, hash) >= 0;
    }
    // Members of that name in index order; the first whose bytes can be read is delivered.
    bool ReadMember(const std::string& name, std::vector<uint8_t>& bytes,
                    std::string& realName) const override;

    // In index order; made on each call.
    std::vector<TyxBCDItem> Items() const;
    size_t Count() const { return m_Entries.size(); }
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

    // A member: its name in m_Text, then where its bytes are. Names are folded into keys
    // when compared, so large archives keep no second copy of them.
    struct Entry {
        uint32_t at, nameLength;
        int32_t offset, size;
    };
    std::string_view NameOf(const Entry& e) const { return {m_Text.data() + e.at, e.nameLength}; }
    std::vector<Entry> m_Entries;
    std::string m_Text;
    // Name index, built when the archive opens: an open-addressing table of the first member
    // of each key (with the high half of its hash), and per member the next one with the same
    // key (or -1).
    struct Slot {
        uint32_t hash = 0;
        int32_t first = -1;
    };
    std::vector<int32_t> m_Next;
    std::vector<Slot> m_Slots;
};
