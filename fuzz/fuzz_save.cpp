// Save data files sit in the player's folder, where anything may have happened to them: any
// bytes must read without harm, and what reads must write back and read again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/xini_file.h"
#include "save/save_game.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TStringList lines;
    TXiniFile::SplitLines(std::string(reinterpret_cast<const char*>(data), size), lines);
    TXiniFile file(lines);
    TSaveGame game;
    std::string error;
    if (!game.Read(file, "start.txt", error)) return 0;
    TStringList written;
    TXiniFile copy(written);
    game.Write(copy, 8);
    TSaveGame again;
    again.Read(copy, "start.txt", error);
    // Values the format carries unchanged must survive the trip.
    if (game.Variables.size() != again.Variables.size() && error.empty()) __builtin_trap();
    if (again.GameMode != game.GameMode || again.BackBaseColor != game.BackBaseColor)
        __builtin_trap();
    return 0;
}
