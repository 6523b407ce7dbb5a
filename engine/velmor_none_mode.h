#pragma once
#include "engine/velmor_script_mode.h"

// Between two modes (the warp map's return jump): the tick runs, input goes nowhere.
class TNoneMode : public TScriptMode {
public:
    using TScriptMode::TScriptMode;
    bool ClickWaitOnEntry(bool clickWait) const override { return clickWait; }
    void Input(TInputCode, int, int) override {}
    TMenu Menu() const override { return {}; }
    bool ShowsMessage() const override { return false; }
    bool AcceptsSkip() const override { return false; }
};
