// Gallery and scene list description files come from disk and archives: any bytes must give
// a grid that stays within its limits and entries cut into at most the items asked for.
#include <cstddef>
#include <cstdint>
#include <string>

#include "modes/gallery_description.h"
#include "resources/xini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TStringList lines;
    TXiniFile::SplitLines(std::string(reinterpret_cast<const char*>(data), size), lines);
    const struct {
        const char* grid;
        const char* list;
        size_t items;
    } kinds[] = {{"CGMode", "ImageList", 2}, {"EventMode", "EventList", 3}};
    for (const auto& kind : kinds) {
        TGalleryDescription d;
        d.Read(lines, kind.grid, kind.list, kind.items);
        if (d.imageCount.x < 1 || d.imageCount.x > TGalleryDescription::kMaxCells ||
            d.imageCount.y < 1 || d.imageCount.y > TGalleryDescription::kMaxCells)
            __builtin_trap();
        if (d.entries.size() > lines.size()) __builtin_trap();
        for (const TStringList& items : d.entries)
            if (items.empty() || items.size() > kind.items) __builtin_trap();
    }
    return 0;
}
