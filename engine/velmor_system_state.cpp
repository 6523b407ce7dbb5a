#include "engine/velmor_system_state.h"

#include "resources/xini_file.h"

namespace {
const char* const kState = "SystemState";
const char* const kSound = "Sound";
// A section of the program's own, apart from those of the original's settings.
const char* const kDisplay = "Display";
const char* const kResume = "Resume";

// Written once set, so a game whose player never used it keeps its file as it was.
void WriteFlag(TXiniFile& ini, const char* key, bool value) {
    if (value || !ini.ReadString(kResume, key, "").empty()) ini.WriteBool(kResume, key, value);
}
}  // namespace

void TVelmorSystemState::Read(const std::string& fileName, bool defaultWindowMode,
                              bool defaultAntiAlias, const std::string& defaultFontName) {
    TXiniFile ini(fileName, true);
    Read(ini, defaultWindowMode, defaultAntiAlias, defaultFontName);
}

void TVelmorSystemState::Write(const std::string& fileName) const {
    TXiniFile ini(fileName, false);
    Write(ini);
    ini.UpdateFile();
}

void TVelmorSystemState::Read(const TXiniFile& ini, bool defaultWindowMode,
                              bool defaultAntiAlias, const std::string& defaultFontName) {
    WindowMode = ini.ReadBool(kState, "WindowMode", defaultWindowMode);
    NoReadTextSkip = ini.ReadBool(kState, "NoReadTextSkip", false);
    MessageAnimation = ini.ReadBool(kState, "MessageAnimation", true);
    MessageAnimationSpeed = ini.ReadInteger(kState, "MessageAnimationSpeed", 10);
    AntiAliasText = ini.ReadBool(kState, "AntiAliasText", defaultAntiAlias);
    FontName = ini.ReadString(kState, "FontName", defaultFontName);
    ini.ReadSectionLines("Paragraph", ReadParagraphs);
    ini.ReadSectionLines("EventCG", EventCG);
    ini.ReadSectionLines("EventScene", EventScene);
    Finished = ini.ReadBool(kState, "Finished", false);
    BGMVolume = ini.ReadInteger(kSound, "BGMVolume", 10);
    BGEVolume = ini.ReadInteger(kSound, "BGEVolume", 10);
    SoundVolume = ini.ReadInteger(kSound, "SoundVolume", 10);
    VoiceVolume = ini.ReadInteger(kSound, "VoiceVolume", 10);
    Scaling = ini.ReadString(kDisplay, "Scaling", "smooth");
    ResumePending = ini.ReadBool(kResume, "Pending", false);
    NoResumeQuestion = ini.ReadBool(kResume, "NoQuestion", false);
}

void TVelmorSystemState::Write(TXiniFile& ini) const {
    ini.WriteBool(kState, "WindowMode", WindowMode);
    ini.WriteBool(kState, "NoReadTextSkip", NoReadTextSkip);
    ini.WriteBool(kState, "MessageAnimation", MessageAnimation);
    ini.WriteInteger(kState, "MessageAnimationSpeed", MessageAnimationSpeed);
    ini.WriteBool(kState, "AntiAliasText", AntiAliasText);
    ini.WriteString(kState, "FontName", FontName);
    ini.WriteSectionLines("Paragraph", ReadParagraphs);
    ini.WriteSectionLines("EventCG", EventCG);
    ini.WriteSectionLines("EventScene", EventScene);
    // A game once finished stays finished: false never overwrites a stored 1.
    if (Finished) ini.WriteBool(kState, "Finished", true);
    ini.WriteInteger(kSound, "BGMVolume", BGMVolume);
    ini.WriteInteger(kSound, "BGEVolume", BGEVolume);
    ini.WriteInteger(kSound, "SoundVolume", SoundVolume);
    ini.WriteInteger(kSound, "VoiceVolume", VoiceVolume);
    ini.WriteString(kDisplay, "Scaling", Scaling);
    WriteFlag(ini, "Pending", ResumePending);
    WriteFlag(ini, "NoQuestion", NoResumeQuestion);
}
