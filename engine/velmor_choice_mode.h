#pragma once
#include "engine/velmor_script_mode.h"

// The choices are shown: the tick runs (held by the click wait), input picks a choice.
class TChoiceMode : public TScriptMode {
public:
    using TScriptMode::TScriptMode;
    bool ClickWaitOnEntry(bool) const override { return true; }
    void Enter() override;
    void Resume() override;
    void Input(TInputCode code, int x, int y) override;
    void MouseMove(int x, int y) override;
    bool ShowsMessage() const override { return false; }
    bool ShowsChoices() const override { return true; }
    bool AcceptsSkip() const override { return false; }
};
