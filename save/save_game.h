#pragma once
// The game state one saved game holds, between the engine and the save data file. Reading
// fills this first and the engine takes it over only when the whole file made sense, so a
// damaged save changes nothing.
#include <string>

#include "engine/velmor_snapshot.h"

class TXiniFile;

struct TSaveGame : TVelmorSnapshot {
    TSaveGame() = default;
    explicit TSaveGame(const TVelmorSnapshot& snapshot) : TVelmorSnapshot(snapshot) {}

    // The sections of a save data file, in their order; existing keys are replaced in place.
    void Write(TXiniFile& file, int miniFaceCount) const;
    // False, with the reason in error, when a value cannot be what the engine wrote: a
    // variable or colour that is no number, a game mode the engine does not have, a choice
    // line missing or short. startScript is the title's script when the file names none.
    bool Read(const TXiniFile& file, const std::string& startScript, std::string& error);
};
