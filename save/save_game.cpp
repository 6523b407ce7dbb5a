#include "save/save_game.h"

#include <algorithm>

#include "engine/velmor_codes.h"
#include "resources/colour_text.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {

constexpr int kMaxMiniFaces = 8;
constexpr int kMaxChoices = 4;

void WritePosition(TXiniFile& file, const std::string& section, const TVelmorScriptPosition& p) {
    file.WriteString(section, "File", p.Script);
    file.WriteInteger(section, "Line", p.Line);
    file.WriteString(section, "Paragraph", p.Paragraph);
}

TVelmorScriptPosition ReadPosition(const TXiniFile& file, const std::string& section) {
    return {file.ReadString(section, "File", ""), file.ReadInteger(section, "Line", 0),
            file.ReadString(section, "Paragraph", "")};
}

// Every key the writer always writes; a file without one of them was cut short or made by
// hand, and is refused whole rather than read with defaults.
const char* const kRequired[][2] = {
    {"Data", "GameMode"},
    {"Data", "SelectorCount"},
    {"ScriptPresent", "File"},
    {"ScriptPresent", "Line"},
    {"ScriptPresent", "Paragraph"},
    {"JumpBuffer", "File"},
    {"JumpBuffer", "Line"},
    {"JumpBuffer", "Paragraph"},
    {"Sprite", "BackFileName"},
    {"Sprite", "BackVisible"},
    {"Sprite", "BackBaseColor"},
    {"Sprite", "FaceFileName"},
    {"Sprite", "FaceVisible"},
    {"MiniFace", "MiniFaceDrawIndex"},
    {"MiniFace", "MiniFaceDist"},
    {"MiniFace", "MiniVisible"},
    {"Sound", "CDTrackPresent"},
    {"Sound", "BGMFileName"},
    {"Sound", "BGEFileName"},
    {"Sound", "SoundFileName"},
    {"Sound", "SoundPlayedScriptFile"},
    {"Sound", "SoundPlayedScriptLine"},
    {"Sound", "VoiceFileName"},
    {"Sound", "VoicePlayedScriptFile"},
    {"Sound", "VoicePlayedScriptLine"},
    {"TitleParagraph", "TitleExist"},
    {"TitleParagraph", "TitleScriptFile"},
    {"TitleParagraph", "TitleScriptLine"},
    {"TitleParagraph", "TitleScriptParagraph"},
};
const char* const kRequiredSections[] = {"MiniFaceSprite", "Variable", "Selector"};
const char* const kIntegers[][2] = {
    {"Data", "GameMode"},           {"Data", "SelectorCount"},
    {"ScriptPresent", "Line"},      {"JumpBuffer", "Line"},
    {"MiniFace", "MiniFaceDrawIndex"}, {"Sound", "CDTrackPresent"},
    {"Sound", "SoundPlayedScriptLine"}, {"Sound", "VoicePlayedScriptLine"},
    {"TitleParagraph", "TitleScriptLine"},
};

bool HasKey(const TXiniFile& file, const char* section, const char* key) {
    return file.ReadString(section, key, "\x01") != "\x01" ||
           file.ReadString(section, key, "\x02") != "\x02";
}

// What is missing or no number, or empty when the file has everything the writer writes.
std::string Incomplete(const TXiniFile& file) {
    for (const auto& k : kRequired)
        if (!HasKey(file, k[0], k[1])) return std::string(k[0]) + " " + k[1] + " missing";
    TStringList lines;
    for (const char* section : kRequiredSections)
        if (!file.ReadSectionLines(section, lines)) return std::string(section) + " missing";
    for (const auto& k : kIntegers) {
        int32_t n = 0;
        if (!yx::TryStrToInt(file.ReadString(k[0], k[1], ""), n))
            return std::string(k[0]) + " " + k[1] + " not a number";
    }
    return {};
}

// Items of a list value; nothing when the value is missing or empty.
std::optional<TStringList> ReadItems(const TXiniFile& file, const std::string& section,
                                     const std::string& key) {
    TStringList items;
    if (file.ReadList(section, key, items) == 0) return std::nullopt;
    return items;
}

}  // namespace

void TSaveGame::Write(TXiniFile& file, int miniFaceCount) const {
    file.WriteInteger("Data", "GameMode", GameMode);
    file.WriteInteger("Data", "SelectorCount", SelectorCount);
    WritePosition(file, "ScriptPresent", Present);
    WritePosition(file, "JumpBuffer", JumpBuffer);
    file.WriteString("Sprite", "BackFileName", BackFileName);
    file.WriteBool("Sprite", "BackVisible", BackVisible);
    file.WriteString("Sprite", "BackBaseColor", yx::ColorToString(BackBaseColor));
    file.WriteString("Sprite", "FaceFileName", FaceFileName);
    file.WriteBool("Sprite", "FaceVisible", FaceVisible);

    const size_t faces = static_cast<size_t>(std::clamp(miniFaceCount, 0, kMaxMiniFaces));
    auto at = [](const auto& list, size_t i, auto fallback) {
        return list && i < list->size() ? (*list)[i] : fallback;
    };
    TStringList pictures;
    std::string keys, visible;
    for (size_t i = 0; i < faces; ++i) {
        pictures.push_back(at(MiniFacePictures, i, std::string()));
        // Every slot keeps its place, empty ones too, so each key reads back into its own slot.
        if (i > 0) keys += ',';
        keys += at(MiniFaceKeys, i, std::string());
        if (i > 0) visible += ',';
        visible += at(MiniVisible, i, false) ? '1' : '0';
    }
    file.WriteSectionLines("MiniFaceSprite", pictures);
    file.WriteInteger("MiniFace", "MiniFaceDrawIndex", MiniFaceDrawIndex);
    file.WriteString("MiniFace", "MiniFaceDist", keys);
    file.WriteString("MiniFace", "MiniVisible", visible);

    TStringList variables;
    for (const auto& v : Variables) variables.push_back(v.Name + "=" + yx::IntToStr(v.Value));
    file.WriteSectionLines("Variable", variables);
    TStringList selectors;
    for (int i = 0; i < SelectorCount && Selectors && static_cast<size_t>(i) < Selectors->size();
         ++i) {
        const TVelmorSelector& s = (*Selectors)[static_cast<size_t>(i)];
        selectors.push_back("\"" + s.Caption + "\",\"" + s.Paragraph + "\",\"" + s.Script + "\"");
    }
    file.WriteSectionLines("Selector", selectors);

    file.WriteInteger("Sound", "CDTrackPresent", CDTrack);
    file.WriteString("Sound", "BGMFileName", ChannelFiles[0]);
    file.WriteString("Sound", "BGEFileName", ChannelFiles[1]);
    file.WriteString("Sound", "SoundFileName", ChannelFiles[2]);
    file.WriteString("Sound", "SoundPlayedScriptFile", SoundPlayedScript);
    file.WriteInteger("Sound", "SoundPlayedScriptLine", SoundPlayedLine);
    file.WriteString("Sound", "VoiceFileName", ChannelFiles[3]);
    file.WriteString("Sound", "VoicePlayedScriptFile", VoicePlayedScript);
    file.WriteInteger("Sound", "VoicePlayedScriptLine", VoicePlayedLine);

    file.WriteBool("TitleParagraph", "TitleExist", TitleExist);
    file.WriteString("TitleParagraph", "TitleScriptFile", Title.Script);
    file.WriteInteger("TitleParagraph", "TitleScriptLine", Title.Line);
    file.WriteString("TitleParagraph", "TitleScriptParagraph", Title.Paragraph);
}

bool TSaveGame::Read(const TXiniFile& file, const std::string& startScript, std::string& error) {
    error = Incomplete(file);
    if (!error.empty()) return false;
    GameMode = file.ReadInteger("Data", "GameMode", 1);
    if (!IsGameMode(GameMode)) {
        error = "GameMode " + yx::IntToStr(GameMode);
        return false;
    }
    SelectorCount = file.ReadInteger("Data", "SelectorCount", 0);
    if (SelectorCount < 0 || SelectorCount > kMaxChoices) {
        error = "SelectorCount " + yx::IntToStr(SelectorCount);
        return false;
    }
    Present = ReadPosition(file, "ScriptPresent");
    JumpBuffer = ReadPosition(file, "JumpBuffer");

    BackFileName = file.ReadString("Sprite", "BackFileName", "");
    BackVisible = file.ReadBool("Sprite", "BackVisible", false);
    const std::string colour = file.ReadString("Sprite", "BackBaseColor", "0x00000000");
    if (!yx::TryStringToColor(colour, BackBaseColor)) {
        error = "BackBaseColor " + colour;
        return false;
    }
    FaceFileName = file.ReadString("Sprite", "FaceFileName", "");
    FaceVisible = file.ReadBool("Sprite", "FaceVisible", false);

    TStringList pictures;
    file.ReadSectionLines("MiniFaceSprite", pictures);
    MiniFacePictures.reset();
    if (!pictures.empty()) MiniFacePictures = pictures;
    MiniFaceDrawIndex = file.ReadInteger("MiniFace", "MiniFaceDrawIndex", 0);
    MiniFaceKeys = ReadItems(file, "MiniFace", "MiniFaceDist");
    MiniVisible.reset();
    if (auto items = ReadItems(file, "MiniFace", "MiniVisible")) {
        std::vector<bool> visible;
        for (const auto& item : *items) {
            int32_t n = 0;
            visible.push_back(!yx::TryStrToInt(item, n) || n == 1);
        }
        MiniVisible = visible;
    }

    TStringList lines;
    file.ReadSectionLines("Variable", lines);
    Variables.clear();
    for (const auto& line : lines) {
        std::string name, value;
        if (!yx::SplitAt(line, "=", name, value)) continue;
        int32_t n = 0;
        if (!yx::TryStrToInt(value, n)) {
            error = "Variable " + line;
            return false;
        }
        Variables.push_back({name, n});
    }

    lines.clear();
    file.ReadSectionLines("Selector", lines);
    Selectors.reset();
    if (!lines.empty()) {
        std::vector<TVelmorSelector> choices;
        for (int n = 0; n < SelectorCount; ++n) {
            TStringList items;
            if (static_cast<size_t>(n) < lines.size())
                yx::SplitNonEmpty(lines[static_cast<size_t>(n)], ",", items);
            if (items.size() < 2) {
                error = "Selector " + yx::IntToStr(n);
                return false;
            }
            choices.push_back({items[0], items[1], items.size() > 2 ? items[2] : std::string()});
        }
        Selectors = choices;
    }

    CDTrack = file.ReadInteger("Sound", "CDTrackPresent", 0);
    ChannelFiles[0] = file.ReadString("Sound", "BGMFileName", "");
    ChannelFiles[1] = file.ReadString("Sound", "BGEFileName", "");
    ChannelFiles[2] = file.ReadString("Sound", "SoundFileName", "");
    SoundPlayedScript = file.ReadString("Sound", "SoundPlayedScriptFile", "");
    SoundPlayedLine = file.ReadInteger("Sound", "SoundPlayedScriptLine", -1);
    ChannelFiles[3] = file.ReadString("Sound", "VoiceFileName", "");
    VoicePlayedScript = file.ReadString("Sound", "VoicePlayedScriptFile", "");
    VoicePlayedLine = file.ReadInteger("Sound", "VoicePlayedScriptLine", -1);

    TitleExist = file.ReadBool("TitleParagraph", "TitleExist", false);
    Title.Script = file.ReadString("TitleParagraph", "TitleScriptFile", startScript);
    Title.Line = file.ReadInteger("TitleParagraph", "TitleScriptLine", -1);
    Title.Paragraph = file.ReadString("TitleParagraph", "TitleScriptParagraph", "");
    return true;
}
