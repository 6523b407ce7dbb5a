// Junction tables: a section of conditions and a target per line. Any bytes must give
// entries cut into items, each no longer than its line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TStringList lines;
    TXiniFile::SplitLines(std::string(reinterpret_cast<const char*>(data), size), lines);
    TXiniFile file(lines);
    for (const std::string& line : lines) {
        if (line.size() < 3 || line.front() != '<' || line.back() != '>' || line[1] == '/')
            continue;
        TStringList entries;
        file.ReadSectionLines(line.substr(1, line.size() - 2), entries);
        for (const std::string& entry : entries) {
            const TStringList items = yx::SplitCommaText(entry);
            for (const std::string& item : items)
                if (item.size() > entry.size()) __builtin_trap();
        }
    }
    return 0;
}
