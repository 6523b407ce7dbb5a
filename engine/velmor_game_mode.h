#pragma once
// One game mode: what runs on each idle pass, where input goes and what the context menu
// offers while the engine is in it. The engine keeps one object per mode and switches
// between them; nothing else decides by the mode's number.
#include "engine/velmor_codes.h"
#include "engine/velmor_idle_wait.h"

class TVelmorGameMode {
public:
    // The context menu's commands the mode allows; the window adds its own rules on top.
    struct TMenu {
        bool messageItems = false;  // hide window, skip, auto play
        bool saveLoad = false;      // the save and load dialog
        bool newSave = false;       // and saving in it, not only loading
    };

    virtual ~TVelmorGameMode() = default;

    // Click wait as entering the mode leaves it: most modes hold the script.
    virtual bool ClickWaitOnEntry(bool /*clickWait*/) const { return true; }
    virtual void Enter() {}
    virtual void Leave() {}
    // A loaded game continues in this mode: the screen it needs beyond the message flow.
    virtual void Resume() {}
    virtual void Input(TInputCode /*code*/, int /*x*/, int /*y*/) {}
    virtual void MouseMove(int /*x*/, int /*y*/) {}
    // One idle pass; true when it did some work.
    virtual bool Idle() { return false; }
    // When the idle loop is needed again after a pass.
    virtual TIdleWait NextWait() const { return {TIdleWait::kInput, 0}; }
    virtual TMenu Menu() const { return {}; }
    // The message window's text or the choices are drawn with the layers.
    virtual bool ShowsMessage() const { return false; }
    virtual bool ShowsChoices() const { return false; }
    // The skip command starts skipping (it waits for a message).
    virtual bool AcceptsSkip() const { return false; }
};
