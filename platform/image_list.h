#pragma once
#include <vector>

#include "platform/bitmap.h"

namespace platform {

// Pictures with their masks, addressed by index (menu pictures, dialog buttons).
class ImageList {
public:
    struct Entry {
        Bitmap picture;
        Bitmap mask;  // white where transparent, black where opaque
    };
    int Count() const { return static_cast<int>(m_Entries.size()); }
    const Entry& At(int i) const { return m_Entries.at(static_cast<size_t>(i)); }
    void Add(Entry entry) { m_Entries.push_back(std::move(entry)); }
    void Clear() { m_Entries.clear(); }

private:
    std::vector<Entry> m_Entries;
};

}  // namespace platform
