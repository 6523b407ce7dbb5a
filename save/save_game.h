#pragma once
// The game state one saved game holds, between the engine and the save data file. Reading
// fills this first and the engine takes it over only when the whole file made sense, so a
// damaged save changes nothing.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/velmor_int_variable.h"
#include "engine/velmor_script_position.h"
#include "engine/velmor_selector.h"
#include "resources/string_list.h"

class TVelmor;
class TXiniFile;

struct TSaveGame {
    int32_t GameMode = 1;
    int32_t SelectorCount = 0;
    TVelmorScriptPosition Present{"", 0, ""};
    TVelmorScriptPosition JumpBuffer{"", 0, ""};
    std::string BackFileName;
    bool BackVisible = false;
    uint32_t BackBaseColor = 0;
    std::string FaceFileName;
    bool FaceVisible = false;
    // Absent or empty lists leave the engine's values as they are.
    std::optional<TStringList> MiniFacePictures;
    int32_t MiniFaceDrawIndex = 0;
    std::optional<TStringList> MiniFaceKeys;
    std::optional<std::vector<bool>> MiniVisible;
    std::vector<TVelmorIntVariable> Variables;
    std::optional<std::vector<TVelmorSelector>> Selectors;
    int32_t CDTrack = 0;
    std::string ChannelFiles[4];
    std::string SoundPlayedScript;
    int32_t SoundPlayedLine = -1;
    std::string VoicePlayedScript;
    int32_t VoicePlayedLine = -1;
    bool TitleExist = false;
    TVelmorScriptPosition Title;

    // What the engine holds now.
    static TSaveGame Capture(TVelmor& engine);
    // The sections of a save data file, in their order; existing keys are replaced in place.
    void Write(TXiniFile& file, int miniFaceCount) const;
    // False, with the reason in error, when a value cannot be what the engine wrote: a
    // variable or colour that is no number, a game mode the engine does not have, a choice
    // line missing or short. startScript is the title's script when the file names none.
    bool Read(const TXiniFile& file, const std::string& startScript, std::string& error);
    // Takes the state over; pictures are loaded into their layers.
    void ApplyTo(TVelmor& engine) const;
};
