#pragma once
#include <cstdint>

// Which of the context menu's commands are offered, decided each time the menu opens.
class TMenuRules {
public:
    struct Inputs {
        // What the present game mode allows.
        bool modeMessageItems = false;
        bool modeSaveLoad = false;
        bool noReadTextSkip = false;
        bool paragraphRead = false;
        bool sceneReplayActive = false;
    };
    struct States {
        bool messWinShowEnabled = false;
        bool autoPlayEnabled = false;
        bool skipEnabled = false;
        bool saveLoadEnabled = false;
        bool saveLoadVisible = true;
        bool sceneEndVisible = false;
        bool operator==(const States&) const = default;
    };
    static States Decide(const Inputs& in);
};
