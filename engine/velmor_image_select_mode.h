#pragma once
#include <memory>
#include <string>

#include "engine/velmor_game_mode.h"
#include "engine/velmor_offscreen_surface.h"

class TVelmor;
class TImageSelect;

// Game mode 6: the picture menu of the `imageselect` command. Its keyboard selection is the
// text choices' one; a button taken plays its click sound and jumps to its paragraph.
class TVelmorImageSelectMode : public TVelmorGameMode {
public:
    explicit TVelmorImageSelectMode(TVelmor& engine);
    ~TVelmorImageSelectMode() override;

    // The command: a new menu from the description file, drawn, and the engine in mode 6.
    // A description or picture fault is a fatal script error.
    void Open(const std::string& fileName);
    void Enter() override;
    void Input(TInputCode code, int x, int y) override;
    void MouseMove(int x, int y) override;
    TMenu Menu() const override { return {false, true, false}; }

    const TImageSelect* Selector() const { return m_Selector.get(); }

private:
    // The button's sound on the channel the menu names, kept in the channel as its name.
    void PlayButtonSound(int channel, const std::string& name);
    TDisplaySurface& Window();

    TVelmor& m_Engine;
    std::unique_ptr<TImageSelect> m_Selector;
    std::unique_ptr<TVelmorOffscreenSurface> m_Offscreen;
};
