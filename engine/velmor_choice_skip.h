#pragma once
#include "engine/velmor_codes.h"

class TVelmor;

// Skipping on to the next choice: read text passes as under the skip command (unread text
// too when the player allows it), and effects and timed waits end at once, until the story
// offers a choice or leaves for any other mode, rests at text it may not pass, or the player
// does anything. A skip the skip command started is not this one and is left alone.
class TVelmorChoiceSkip {
public:
    explicit TVelmorChoiceSkip(TVelmor& engine) : m_Engine(engine) {}
    TVelmorChoiceSkip(const TVelmorChoiceSkip&) = delete;
    TVelmorChoiceSkip& operator=(const TVelmorChoiceSkip&) = delete;

    // Starts where the skip command would (the story waits at a message) when that text may
    // be skipped; while running it stops instead. True when it runs afterwards.
    bool Toggle();
    bool Running() const;
    // The player did something.
    void Stop();
    // Only the story's own modes let it go on.
    void ModeEntered(TGameMode mode);
    // The story rests until the player acts: text it may not pass, or a hidden window.
    void Rested() { Stop(); }

private:
    TVelmor& m_Engine;
    bool m_On = false;
};
