#pragma once
#include "engine/velmor_game_mode.h"

class TVelmor;

// Mode 5: the scene list holds the script; a mouse click goes to its page.
class TVelmorSceneListMode : public TVelmorGameMode {
public:
    explicit TVelmorSceneListMode(TVelmor& engine) : m_Engine(engine) {}
    void Input(TInputCode code, int x, int y) override;
    void Resume() override;

private:
    TVelmor& m_Engine;
};
