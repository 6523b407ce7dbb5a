#pragma once

// The state of the message flow the interpreter and the player's commands share.
struct TVelmorFlow {
    bool ClickWait = false;     // the script holds until the player confirms
    bool Busy = false;          // player input is ignored (an effect or a timed wait runs)
    bool Skip = false;          // read text passes without waiting
    bool AutoPlay = false;      // messages pass after their reading time
    bool WindowHidden = false;  // the message window and small faces are hidden
    bool PopupEnabled = false;  // the context menu offers its message items
};
