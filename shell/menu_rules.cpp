#include "shell/menu_rules.h"

TMenuRules::States TMenuRules::Decide(const Inputs& in) {
    const bool messageItems = in.modeMessageItems;
    const bool saveLoad = in.modeSaveLoad;
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
