#pragma once
// Everything of a game in progress that a saved game keeps, as plain values. The engine fills
// it and takes it back over whole; the save data file reads and writes it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/velmor_int_variable.h"
#include "engine/velmor_script_position.h"
#include "engine/velmor_selector.h"
#include "resources/string_list.h"

struct TVelmorSnapshot {
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
};
