// Image selector descriptions come from game folders and archives: any lines must either give
// a menu or raise the selector's error, and every input on a menu stays inside its buttons.
#include <memory>

#include "fuzz/mode_fuzz.h"
#include "modes/image_select.h"
#include "resources/engine_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string moves;
    const TStringList lines = fuzzmode::Lines(data, size, moves);
    fuzzmode::TNullSurface surface;
    TSprite screen(7, false, nullptr, nullptr, nullptr);
    screen.CreateBlank(64, 48, 0);
    std::unique_ptr<TImageSelect> menu;
    try {
        menu = std::make_unique<TImageSelect>(lines, "fuzz.txt", surface, screen, 7, nullptr);
    } catch (const EEngineError&) {
        return 0;
    }
    int selection = -1;
    bool keyboard = false;
    std::string name;
    for (size_t i = 0; i + 2 < moves.size() && i < 300; i += 3) {
        const int x = static_cast<int8_t>(moves[i + 1]), y = static_cast<int8_t>(moves[i + 2]);
        const auto action = static_cast<TImageSelect::TAction>(static_cast<uint8_t>(moves[i]) % 7);
        const int lit = menu->PointerMove(x, y);
        if (lit >= 0) menu->OnMouseSoundFor(lit, name);
        const int chosen = menu->Input(action, x, y, selection, keyboard);
        if (chosen >= menu->Count()) __builtin_trap();
        if (chosen >= 0) menu->ClickSoundFor(chosen, name);
    }
    return 0;
}
