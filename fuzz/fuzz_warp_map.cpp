// Warp map descriptions come from game folders and archives: any lines must either load or be
// refused with an error, and a loaded map must start, animate and take clicks inside its tables.
#include <map>

#include "fuzz/mode_fuzz.h"
#include "modes/warp_map_move.h"
#include "platform/clock.h"
#include "platform/virtual_clock.h"
#include "resources/yxstringlib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static platform::VirtualClock clock;
    platform::Clock::SetCurrent(&clock);
    std::string moves;
    const TStringList lines = fuzzmode::Lines(data, size, moves);
    fuzzmode::TNullSurface surface;
    TSprite screen(7, false, nullptr, nullptr, nullptr);
    screen.CreateBlank(64, 48, 0);

    std::map<std::string, int32_t> vars;
    if (moves.size() >= 3) {
        vars["P"] = static_cast<int8_t>(moves[0]);
        vars["D"] = static_cast<int8_t>(moves[1]);
        vars["T"] = static_cast<int8_t>(moves[2]);
    }
    TWarpMapMove::TVariables variables{
        [&](const std::string& name, int32_t& value) {
            auto it = vars.find(yx::UpperCaseAscii(name));
            if (it == vars.end()) return false;
            value = it->second;
            return true;
        },
        [&](const std::string& name, int32_t value) { vars[yx::UpperCaseAscii(name)] = value; }};
    TWarpMapMove map(surface, nullptr, screen);
    bool ended = false;
    map.OnEnd = [&](const std::string&, const std::string&, int, int, int) { ended = true; };
    if (!map.LoadLines(lines, "fuzz.txt", variables, "P", "T", "D") || !map.Start()) return 0;
    for (size_t i = 3; i + 1 < moves.size() && i < 300 && !ended; i += 2) {
        clock.Advance(250);
        map.Tick();
        map.Click({static_cast<uint8_t>(moves[i]), static_cast<uint8_t>(moves[i + 1])});
    }
    platform::Clock::SetCurrent(nullptr);
    return 0;
}
