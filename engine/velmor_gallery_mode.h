#pragma once
#include "engine/velmor_game_mode.h"

class TVelmor;

// Mode 4: the picture gallery holds the script; a mouse click goes to its page.
class TVelmorGalleryMode : public TVelmorGameMode {
public:
    explicit TVelmorGalleryMode(TVelmor& engine) : m_Engine(engine) {}
    void Input(TInputCode code, int x, int y) override;
    void Resume() override;

private:
    TVelmor& m_Engine;
};
