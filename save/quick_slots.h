#pragma once
// The two saves the player makes without the save dialog: the quick save (one key) and the
// automatic save written when the window closes mid-game, offered again at the next start.
// Both are ordinary saves in the save list, so every build lists and loads them.
#include <functional>
#include <string>

class TVelmor;

class TQuickSlots {
public:
    enum class Slot { Quick, Auto };
    // What was done, for the engine's monitor and the notice.
    enum class Outcome { Saved, Loaded, Refused, Declined, Failed };

    explicit TQuickSlots(TVelmor& engine) : m_Engine(engine) {}

    static std::string NameOf(Slot slot);  // Shift-JIS
    // Where the save dialog would save, or load: never while busy or in a scene replay.
    bool CanSave() const;
    bool CanLoad() const;
    bool Exists(Slot slot) const;

    Outcome QuickSave();
    // Asks first; a load whose script cannot be loaded leaves the game as it was.
    Outcome QuickLoad();
    // Written while the window closes; marks the state so the next start asks.
    Outcome AutoSave();
    // The window closes: a game that ended leaves nothing to resume; one left in the middle
    // leaves the automatic save when save is set; one that ran no line since the start (closed
    // at the question) keeps the save and mark it had.
    void Closing(bool ended, bool save);
    // Before the first line: asks (unless the player said never) or, with resume, loads at
    // once. Declined or failed, the mark goes; loaded, the close decides it again.
    Outcome OfferResume(bool resume);

    static const char* TextOf(Outcome outcome);

private:
    Outcome Save(Slot slot);
    Outcome Load(Slot slot);
    Outcome Told(Slot slot, Outcome outcome);
    std::string Comment() const;

    TVelmor& m_Engine;
};
