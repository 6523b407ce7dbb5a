// Scenario lines: every line gets a kind, and the tokens of each line kind are cut from it
// without reading past its end; the effect words of a command line name a known effect or none.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/velmor.h"
#include "engine/velmor_effect_parser.h"
#include "engine/velmor_script.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TStringList lines;
    TXiniFile::SplitLines(std::string(reinterpret_cast<const char*>(data), size), lines);
    for (const std::string& line : lines) {
        const auto kind = TVelmorScript::ClassifyLine(line);
        if (kind > TVelmorScript::kLineMessage) __builtin_trap();
        for (const char* delimiters : {TVelmorInterpreter::kCommandDelimiters, TVelmorInterpreter::kVariableDelimiters,
                                       TVelmorInterpreter::kSystemDelimiters}) {
            TStringList tokens;
            yx::SplitNonEmpty(line, delimiters, tokens);
            size_t total = 0;
            for (const std::string& t : tokens) {
                if (t.empty()) __builtin_trap();
                total += t.size();
            }
            if (total > line.size() + 2 * tokens.size()) __builtin_trap();
            if (kind == TVelmorScript::kLineCommand && speffectParse(tokens) < 0) __builtin_trap();
        }
    }
    return 0;
}
