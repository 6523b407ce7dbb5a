#pragma once
#include "engine/velmor_game_mode.h"

class TVelmor;

// A movie plays over the window; any input ends it.
class TMovieMode : public TVelmorGameMode {
public:
    explicit TMovieMode(TVelmor& engine) : m_Engine(engine) {}
    void Input(TInputCode code, int x, int y) override;

private:
    TVelmor& m_Engine;
};
