#pragma once
#include "engine/velmor_game_mode.h"

class TVelmor;
class TVelmorPlugin;

// Game mode 8: the plug-in's Clock on every idle pass, mouse clicks and pointer movement to
// it; keyboard and joystick input reach nothing. The script stays held until the plug-in
// asks for the way back.
class TVelmorPluginMode : public TVelmorGameMode {
public:
    TVelmorPluginMode(TVelmor& engine, TVelmorPlugin& plugin)
        : m_Engine(engine), m_Plugin(plugin) {}
    void Input(TInputCode code, int x, int y) override;
    void MouseMove(int x, int y) override;
    bool Idle() override;
    TIdleWait NextWait() const override;
    // The save dialog opens, for loading only.
    TMenu Menu() const override { return {false, true, false}; }

private:
    TVelmor& m_Engine;
    TVelmorPlugin& m_Plugin;
};
