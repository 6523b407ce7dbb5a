#include "shell/menu_rules.h"

TMenuRules::States TMenuRules::Decide(const Inputs& in) {
    bool messageItems = false;
    bool saveLoad = false;
    switch (in.gameMode) {
        case 1:
        case 2:
            messageItems = in.popupEnabled;
            saveLoad = true;
            break;
        case 6:
        case 7:
        case 8:
            saveLoad = true;
            break;
        default:
            break;
    }
    States s;
    s.messWinShowEnabled = messageItems;
    s.autoPlayEnabled = messageItems;
    s.skipEnabled = messageItems && (in.noReadTextSkip || in.paragraphRead);
    if (in.sceneReplayActive) {
        s.saveLoadEnabled = false;
        s.saveLoadVisible = false;
        s.sceneEndVisible = true;
    } else {
        s.saveLoadEnabled = saveLoad;
        s.saveLoadVisible = true;
        s.sceneEndVisible = false;
    }
    return s;
}
