// Extended INI files arrive from disk and from archives: any bytes must parse, and every read
// and write on what they hold must stay in bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TStringList lines;
    TXiniFile::SplitLines(std::string(reinterpret_cast<const char*>(data), size), lines);
    TXiniFile ini(lines);

    TStringList sections;
    ini.ReadSections(sections);
    sections.push_back("missing");
    size_t tried = 0;
    for (const std::string& section : sections) {
        if (++tried > 4) break;
        TStringList body;
        ini.ReadSectionLines(section, body);
        TStringList keys;
        for (const std::string& line : body) {
            size_t eq = line.find('=');
            if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
            if (keys.size() >= 6) break;
        }
        keys.push_back("nokey");
        for (const std::string& key : keys) {
            ini.ReadString(section, key, "d");
            ini.ReadInteger(section, key, -1);
            ini.ReadBool(section, key, true);
            ini.ReadPoint(section, key, 1, 2);
            TStringList list;
            ini.ReadList(section, key, list);
            bool bools[5];
            int32_t ints[5];
            TPoint points[5];
            ini.ReadBoolArray(section, key, false, 5, bools);
            ini.ReadIntegerArray(section, key, 7, 5, ints);
            ini.ReadPointArray(section, key, 3, 5, true, points);
            TStringList items;
            yx::SplitNonEmpty(ini.ReadString(section, key, ""), " ,\t", items);
            yx::ParsePoint(key);
            yx::StripFileNameChars(key);
            yx::ExtractFileExt(key);
            yx::SameText(key, section);
            yx::CompareTextAscii(key, section);
        }
        // Writes land in the wrapped list only; they must keep the structure readable.
        ini.WriteString(section, keys.front(), "w");
        if (ini.ReadString(section, keys.front(), "") != "w") __builtin_trap();
        ini.WriteSectionLines(section, body);
    }
    return 0;
}
