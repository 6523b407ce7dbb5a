#pragma once
#include "engine/velmor_game_mode.h"

class TVelmor;

// The script runs: the tick on every pass, the player's input to the message flow.
class TScriptMode : public TVelmorGameMode {
public:
    explicit TScriptMode(TVelmor& engine) : m_Engine(engine) {}
    bool ClickWaitOnEntry(bool) const override { return false; }
    void Input(TInputCode code, int x, int y) override;
    bool Idle() override;
    TIdleWait NextWait() const override;
    TMenu Menu() const override;
    bool ShowsMessage() const override { return true; }
    bool AcceptsSkip() const override { return true; }

protected:
    TVelmor& m_Engine;
};
