#pragma once
#include "engine/velmor_game_mode.h"

// A mode whose screen this engine does not run (yet): it holds the script and takes no
// input, as a game without that mode's files would. menu is what the context menu allows.
class TWaitingMode : public TVelmorGameMode {
public:
    explicit TWaitingMode(TMenu menu) : m_Menu(menu) {}
    TMenu Menu() const override { return m_Menu; }

private:
    TMenu m_Menu;
};
