#pragma once
#include <cstdint>
#include <string>

#include "resources/string_list.h"

class TXiniFile;

// The player's settings and progress, kept in the system-state file across plays.
struct TVelmorSystemState {
    bool WindowMode = true;
    bool NoReadTextSkip = false;
    bool MessageAnimation = true;
    int32_t MessageAnimationSpeed = 10;
    bool AntiAliasText = true;
    std::string FontName;
    TStringList ReadParagraphs;
    TStringList EventCG;
    TStringList EventScene;
    bool Finished = false;
    int32_t BGMVolume = 10;
    int32_t BGEVolume = 10;
    int32_t SoundVolume = 10;
    int32_t VoiceVolume = 10;
    // The program's own: how the window scales the picture, "smooth" or "integer".
    std::string Scaling = "smooth";
    // The program's own: an automatic save waits to be resumed; the player wants no question.
    bool ResumePending = false;
    bool NoResumeQuestion = false;

    // A missing or unreadable file gives the defaults.
    void Read(const std::string& fileName, bool defaultWindowMode, bool defaultAntiAlias,
              const std::string& defaultFontName);
    // Keeps every other section and key of the file. Throws EEngineError when the folder
    // cannot be made or the file cannot be written.
    void Write(const std::string& fileName) const;
    // The same on a file already open.
    void Read(const TXiniFile& ini, bool defaultWindowMode, bool defaultAntiAlias,
              const std::string& defaultFontName);
    void Write(TXiniFile& ini) const;
};
