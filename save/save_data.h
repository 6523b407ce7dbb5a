#pragma once
// Saved games on disk: the save list in the system-state file's "SaveData" section and one
// save data file per save in the save folder beside it. The save dialog works through this.
#include <string>
#include <vector>

#include "engine/velmor_codes.h"

class TVelmor;
struct TVelmorSnapshot;

class TSaveData {
public:
    struct Entry {
        std::string Name, Date, Time, Comment;
    };

    explicit TSaveData(TVelmor& engine);

    // The system-state file's path without its extension.
    std::string SaveFolder() const;
    std::string DataFileName(const std::string& name) const;

    // Writes the data file, then the list entry; throws EEngineError when a file cannot be
    // written.
    void dataWrite(const std::string& name, const std::string& date, const std::string& time,
                   const std::string& comment);
    // Takes the save over into the engine; false after telling the player why, with the
    // engine unchanged.
    bool dataRead(const std::string& name);
    // Play goes on from a save just read, the game having been in mode and script before;
    // throws EEngineError, with the game put back to before, when its script cannot be loaded.
    static void Resume(TVelmor& engine, TGameMode mode, const std::string& script,
                       const TVelmorSnapshot& before);
    // The list entry goes first; throws EEngineError, keeping the data, when the list cannot
    // be written.
    void dataDelete(const std::string& name);
    // Rewrites the list entry only; false after telling the player when there is none.
    bool dataUpdate(const std::string& name, const std::string& date, const std::string& time,
                    const std::string& comment);

    // The saves as the dialog lists them: lines with fewer than three items or without a
    // data file are left out.
    std::vector<Entry> Entries() const;
    // "データ" and the smallest number from 1 that no listed save is named.
    static std::string NewName(const std::vector<Entry>& entries);

private:
    TVelmor& m_Engine;
    std::string m_StatePath;
};
