#include "tools/velmor-check/game_checker.h"

#include <algorithm>

#include "engine/velmor.h"
#include "engine/velmor_script.h"
#include "engine/velmor_effect_parser.h"
#include "platform/file_system.h"
#include "platform/sjis.h"
#include "resources/bcl.h"
#include "resources/bcl_manager.h"
#include "resources/text_encoding.h"
#include "resources/witch.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"
#include "tools/velmor-check/coverage_report.h"
#include "tools/velmor-check/game_files.h"
#include "tools/velmor-check/media_probe.h"

namespace {

// Script names and labels compare as the engine compares them.
std::string Fold(const std::string& text) {
    return TyxBCL::NameKey(text);
}

std::string U(const std::string& sjis) {
    return platform::SjisToUtf8(sjis);
}

std::string Label(const std::string& paragraph) {
    return !paragraph.empty() && paragraph[0] == '#' ? paragraph : "#" + paragraph;
}

bool IsNumber(const std::string& token) {
    int32_t v;
    return yx::TryStrToInt(token, v);
}

// Project keys by section, and what their values may be.
enum class KeyKind { Text, File, Script, Description, Int, Positive, Bool, Colour, Anchor,
                     Count, Ints, Bools, Anchors, Unread };
struct ProjectKey {
    const char* Section;
    const char* Key;
    KeyKind Kind;
};
constexpr ProjectKey kProjectKeys[] = {
    {"velmor", "Company", KeyKind::Text},
    {"velmor", "Product", KeyKind::Text},
    {"velmor", "VssFileName", KeyKind::Text},
    {"velmor", "Title", KeyKind::Text},
    {"velmor", "StartScript", KeyKind::Script},
    {"velmor", "CGModeProject", KeyKind::Description},
    {"velmor", "EventModeProject", KeyKind::Description},
    {"velmor", "Icon", KeyKind::File},
    {"Screen", "Width", KeyKind::Positive},
    {"Screen", "Height", KeyKind::Positive},
    {"MessageWindow", "Image", KeyKind::File},
    {"MessageWindow", "BasePoint", KeyKind::Anchor},
    {"MessageWindow", "X", KeyKind::Int},
    {"MessageWindow", "Y", KeyKind::Int},
    {"MessageWindow", "BorderSize", KeyKind::Int},
    {"MessageWindow", "MessageShadowDraw", KeyKind::Bool},
    {"MessageWindow", "MessageColor", KeyKind::Colour},
    {"MessageWindow", "MessageShadowColor", KeyKind::Colour},
    {"MessageWindow", "MessageSelectColor", KeyKind::Colour},
    {"Font", "AAFontMode", KeyKind::Bool},
    {"Font", "FontHeightPercent", KeyKind::Positive},
    {"Font", "LineBetweenHeight", KeyKind::Int},
    {"MiniFace", "DistLength", KeyKind::Positive},
    {"MiniFace", "Count", KeyKind::Count},
    {"MiniFace", "Reverse", KeyKind::Bools},
    {"MiniFace", "BasePoint", KeyKind::Anchors},
    {"MiniFace", "X", KeyKind::Ints},
    {"MiniFace", "Y", KeyKind::Ints},
    {"Face", "BasePoint", KeyKind::Anchor},
    {"Face", "X", KeyKind::Int},
    {"Face", "Y", KeyKind::Int},
    {"Sound", "CDRomDrive", KeyKind::Text},
    {"DefaultState", "WindowMode", KeyKind::Bool},
    {"ScenarioAbout", "ScenarioAboutFile", KeyKind::Unread},
};

// The command words with the fewest tokens (the word included) they need to do anything.
struct CommandRule {
    const char* Word;
    int MinTokens;
};
constexpr CommandRule kCommands[] = {
    {"e", 2},      {"b", 2},       {"f", 2},      {"m", 2},      {"hide", 1},
    {"show", 1},   {"wait", 1},    {"clickwait", 1}, {"jump", 2}, {"return", 1},
    {"clrsel", 1}, {"addsel", 3},  {"select", 1}, {"in", 1},     {"out", 1},
    {"scroll", 2}, {"tumble", 2},  {"effect", 2}, {"cross", 2},  {"cd", 1},
    {"bgm", 1},    {"bge", 1},     {"sound", 1},  {"v", 1},      {"avi", 2},
    {"basepointset", 2}};

const CommandRule* CommandOf(const std::string& word) {
    for (const CommandRule& rule : kCommands)
        if (yx::SameText(rule.Word, word)) return &rule;
    return nullptr;
}

const char* const kSystemWords[] = {"popup",   "junction", "imageselect", "title",
                                    "titlereturn", "cgmode", "scenemode", "sceneset",
                                    "sceneend", "FINISHED", "warpmap",     "dllopen",
                                    "dllclose", "dllattach"};

std::string Lower(const std::string& word) {
    return yx::LowerCaseAscii(word);
}

}  // namespace

TGameChecker::TGameChecker(const std::string& projectPath, const std::string& programFolder)
    : m_ProjectPath(projectPath),
      m_ProjectName(yx::ExtractFileName(projectPath)),
      m_ProgramFolder(programFolder.empty() ? yx::ExtractFilePath(projectPath)
                                            : yx::IncludeTrailingBackslash(programFolder)),
      m_Files(std::make_unique<TGameFiles>(yx::ExtractFilePath(projectPath))) {}

TGameChecker::~TGameChecker() = default;

void TGameChecker::Say(const Place& where, Level level, const std::string& text) {
    m_Report.Add(where.File, where.Line + 1, level, text);
}

void TGameChecker::Run() {
    CheckProject();
    while (!m_ScriptQueue.empty()) {
        const std::string name = m_ScriptQueue.front();
        m_ScriptQueue.erase(m_ScriptQueue.begin());
        CheckScript(*m_ScriptByKey.at(Fold(name)));
    }
    ResolveJumps();
    // Scripts named only by jumps found while resolving are checked too.
    while (!m_ScriptQueue.empty()) {
        const std::string name = m_ScriptQueue.front();
        m_ScriptQueue.erase(m_ScriptQueue.begin());
        CheckScript(*m_ScriptByKey.at(Fold(name)));
        ResolveJumps();
    }
    ResolveFiles();
    ReportUnreached();
    ReportVariables();
    m_Report.Sort();
}

void TGameChecker::CheckEncoding(const std::string& file, const std::string& bytes,
                                 bool project) {
    if (TTextEncoding::HasByteOrderMark(bytes)) {
        m_Report.Add(file, 1, Level::Error,
                     project ? "begins with a UTF-8 byte-order mark: the engine does not see "
                               "the first section, so the game starts as an empty project; "
                               "save the file as Shift-JIS without a byte-order mark"
                             : "begins with a UTF-8 byte-order mark, which the engine reads "
                               "as part of the first line; save the file as Shift-JIS");
    }
    auto lineOf = [&](size_t at) {
        return 1 + static_cast<int32_t>(std::count(bytes.begin(), bytes.begin() + at, '\n'));
    };
    size_t at = 0;
    if (TTextEncoding::LooksUtf8(bytes, &at)) {
        m_Report.Add(file, lineOf(at), Level::Error,
                     "the text is UTF-8, but the engine reads Shift-JIS (code page 932): "
                     "Japanese text shows garbled and names do not match; save the file as "
                     "Shift-JIS");
        return;
    }
    if (!TTextEncoding::ValidSjis(bytes, at))
        m_Report.Add(file, lineOf(at), Level::Warning,
                     "bytes that are not valid Shift-JIS; the engine shows them garbled");
}

void TGameChecker::CheckProject() {
    const Place whole{m_ProjectName, -1};
    std::string bytes;
    {
        std::vector<uint8_t> raw;
        if (!platform::FileSystem::FileExists(m_ProjectPath) ||
            !platform::FileSystem::ReadFile(m_ProjectPath, raw)) {
            Say(whole, Level::Error, "the project file cannot be read");
            return;
        }
        bytes.assign(raw.begin(), raw.end());
    }
    CheckEncoding(m_ProjectName, bytes, true);
    TStringList lines;
    TXiniFile::SplitLines(bytes, lines);
    TXiniFile ini(lines);
    m_Width = ini.ReadInteger("Screen", "Width", 800);
    m_Height = ini.ReadInteger("Screen", "Height", 600);
    m_MiniFaceCount = ini.ReadInteger("MiniFace", "Count", 0);

    TStringList archives;
    std::vector<int32_t> archiveLines;
    const bool sawSection = CheckProjectSections(lines, archives, archiveLines);
    const std::string start = ini.ReadString("velmor", "StartScript", "");
    // A byte-order mark hides the first section; its finding says so already.
    if (sawSection && start.empty() && !TTextEncoding::HasByteOrderMark(bytes))
        Say(whole, Level::Error,
            "no StartScript in <velmor>: the game ends the moment it starts");
    OpenArchives(archives, archiveLines);
    UseProjectFiles(lines, ini);
}

bool TGameChecker::CheckProjectSections(const TStringList& lines, TStringList& archives,
                                        std::vector<int32_t>& archiveLines) {
    const Place whole{m_ProjectName, -1};
    // Walk the sections as the reader finds them: a tag line opens, its end line closes.
    std::string section;
    bool sawSection = false;
    std::set<std::string> seenKeys;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const Place here{m_ProjectName, static_cast<int32_t>(i)};
        if (section.empty()) {
            if (line.size() > 2 && line.front() == '<' && line.back() == '>' && line[1] != '/') {
                section = line.substr(1, line.size() - 2);
                sawSection = true;
                bool known = section == "BCL";
                for (const ProjectKey& k : kProjectKeys) known = known || section == k.Section;
                if (!known)
                    Say(here, Level::Warning,
                        "unknown section <" + U(section) + ">; the engine ignores it");
            }
            continue;
        }
        if (line == "</" + section + ">") {
            section.clear();
            continue;
        }
        if (section == "BCL") {
            archives.push_back(line);
            archiveLines.push_back(static_cast<int32_t>(i));
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            if (!line.empty() && line[0] != ';')
                Say(here, Level::Warning, "not a key=value line; the engine ignores it");
            continue;
        }
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (!seenKeys.insert(section + "\n" + key).second) {
            Say(here, Level::Warning,
                "key " + U(key) + " is given again; the engine reads only the first");
            continue;
        }
        CheckProjectKey(section, key, value, here);
    }
    if (!section.empty())
        Say(whole, Level::Warning, "section <" + U(section) + "> has no end line </" +
                                       U(section) + ">");
    if (!sawSection)
        Say(whole, Level::Error,
            "no sections at all: this is not a project file the engine can read, and the "
            "game would start empty");
    return sawSection;
}

void TGameChecker::UseProjectFiles(const TStringList& lines, TXiniFile& ini) {
    const Place whole{m_ProjectName, -1};
    // Everything the project names, now that the archives are open.
    auto where = [&](const char* sec, const char* key) {
        const std::string header = std::string("<") + sec + ">";
        bool in = false;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i] == header) in = true;
            else if (lines[i] == std::string("</") + sec + ">") in = false;
            else if (in && lines[i].starts_with(std::string(key) + "="))
                return Place{m_ProjectName, static_cast<int32_t>(i)};
        }
        return whole;
    };
    const std::string icon = ini.ReadString("velmor", "Icon", "");
    if (!icon.empty()) UseFile(icon, FileKind::Icon, where("velmor", "Icon"), Level::Warning);
    const std::string window = ini.ReadString("MessageWindow", "Image", "");
    if (!window.empty())
        UseFile(window, FileKind::Picture, where("MessageWindow", "Image"), Level::Error);
    const std::string about = ini.ReadString("ScenarioAbout", "ScenarioAboutFile", "");
    if (!about.empty())
        UseFile(about, FileKind::Text, where("ScenarioAbout", "ScenarioAboutFile"),
                Level::Warning);
    const std::string start = ini.ReadString("velmor", "StartScript", "");
    const std::string gallery = ini.ReadString("velmor", "CGModeProject", "");
    const std::string replay = ini.ReadString("velmor", "EventModeProject", "");
    m_HasGallery = !gallery.empty();
    m_HasReplay = !replay.empty();
    if (!start.empty()) LoadScript(start, where("velmor", "StartScript"));
    if (m_HasGallery) {
        TStringList dummy;
        if (ReadDescription(gallery, where("velmor", "CGModeProject"), dummy, Level::Error))
            CheckGallery(gallery, false);
    }
    if (m_HasReplay) {
        TStringList dummy;
        if (ReadDescription(replay, where("velmor", "EventModeProject"), dummy, Level::Error))
            CheckGallery(replay, true);
    }
}

void TGameChecker::CheckProjectKey(const std::string& section, const std::string& key,
                                   const std::string& value, const Place& where) {
    const ProjectKey* found = nullptr;
    for (const ProjectKey& k : kProjectKeys)
        if (section == k.Section && key == k.Key) found = &k;
    if (!found) {
        bool sectionKnown = false;
        for (const ProjectKey& k : kProjectKeys) sectionKnown = sectionKnown || section == k.Section;
        if (sectionKnown)
            Say(where, Level::Warning,
                "unknown key " + U(key) + " in <" + U(section) +
                    ">; the engine ignores it (keys are matched exactly, letter case included)");
        return;
    }
    int32_t v = 0;
    const bool number = yx::TryStrToInt(value, v);
    auto notNumber = [&] {
        Say(where, Level::Error,
            U(key) + "=" + U(value) + " is not a number; the engine uses the default");
    };
    switch (found->Kind) {
        case KeyKind::Positive:
            if (!number) notNumber();
            else if (v < 1)
                Say(where, Level::Error, U(key) + " must be 1 or more, not " + U(value));
            break;
        case KeyKind::Int:
            if (!number) notNumber();
            break;
        case KeyKind::Count:
            if (!number) notNumber();
            else if (v < 0 || v > 8)
                Say(where, Level::Error, "MiniFace Count must be 0 to 8, not " + U(value));
            break;
        case KeyKind::Anchor:
            if (!number) notNumber();
            else if (v < 1 || v > 9)
                Say(where, Level::Error,
                    "BasePoint must be an anchor code 1 to 9 (like the numeric keypad), not " +
                        U(value));
            break;
        case KeyKind::Colour:
            if (!number) notNumber();
            else if (v < 0 || v > 0xFFFFFF)
                Say(where, Level::Warning,
                    U(key) + " is a colour 0 to 16777215 ($FFFFFF); " + U(value) + " is outside");
            break;
        case KeyKind::Bool:
            if (value != "0" && value != "1")
                Say(where, Level::Warning, U(key) + " is a switch: write 1 or 0, not " + U(value));
            break;
        case KeyKind::Ints:
        case KeyKind::Anchors:
        case KeyKind::Bools: {
            const TStringList items = yx::SplitCommaText(value);
            if (items.size() > 8)
                Say(where, Level::Warning,
                    U(key) + " has " + std::to_string(items.size()) +
                        " items; only the first 8 are read");
            for (const std::string& item : items) {
                if (item.empty()) continue;
                int32_t n = 0;
                if (!yx::TryStrToInt(item, n)) {
                    Say(where, Level::Error, "item " + U(item) + " of " + U(key) +
                                                 " is not a number; the default is used");
                } else if (found->Kind == KeyKind::Anchors && (n < 1 || n > 9)) {
                    Say(where, Level::Error,
                        "item " + U(item) + " of BasePoint is no anchor code 1 to 9");
                } else if (found->Kind == KeyKind::Bools && n != 0 && n != 1) {
                    Say(where, Level::Warning, "item " + U(item) + " of " + U(key) +
                                                   " is a switch: write 1 or 0");
                }
            }
            break;
        }
        default:
            break;
    }
}

void TGameChecker::OpenArchives(const TStringList& archiveLines,
                                const std::vector<int32_t>& lineOf) {
    TyxBCLManager& manager = m_Files->Manager();
    // As at start-up: the program's folder, the project's folder, then the list.
    manager.AddFolder(m_ProgramFolder, 0);
    const std::string projectFolder = yx::ExtractFilePath(m_ProjectPath);
    if (!yx::SameText(yx::IncludeTrailingBackslash(projectFolder),
                      yx::IncludeTrailingBackslash(m_ProgramFolder)))
        manager.AddFolder(projectFolder, 0);
    for (size_t i = 0; i < archiveLines.size(); ++i) {
        const std::string& name = archiveLines[i];
        const std::string full = !name.empty() && name[0] == '/' ? name : m_ProgramFolder + name;
        const Place here{m_ProjectName, lineOf[i]};
        if (name.empty()) {
            Say(here, Level::Error,
                "an empty line in <BCL> names the program's folder, which the engine reports "
                "as a missing archive at every start");
            continue;
        }
        if (!manager.AddArchive(full)) {
            Say(here, Level::Error,
                "archive " + U(full) +
                    " not found (archive lines are relative to the program's folder)");
            continue;
        }
        const std::string ext = yx::ExtractFileExt(name);
        if (!yx::SameTextAscii(ext, ".bcl") && !yx::SameTextAscii(ext, ".bcx"))
            Say(here, Level::Warning,
                U(name) + " is neither a .bcl nor a .bcx index; the engine opens nothing");
    }
    for (const std::string& error : manager.OpenErrors())
        m_Report.Add(m_ProjectName, 0, Level::Error, "archive cannot be read: " + U(error));
}

TGameChecker::ScriptInfo* TGameChecker::LoadScript(const std::string& name, const Place& from) {
    const std::string key = Fold(name);
    if (auto it = m_ScriptByKey.find(key); it != m_ScriptByKey.end()) return it->second;
    if (m_MissingScripts.count(key)) return nullptr;
    auto script = std::make_unique<ScriptInfo>();
    script->Name = name;
    std::string text;
    if (!m_Files->ReadText(name, text)) {
        m_MissingScripts.insert(key);
        std::string why = "script " + U(name) + " cannot be found, loose or in an archive";
        if (const std::string s = m_Files->ScrambledSpelling(name); !s.empty())
            why += "; it is there scrambled, as " + U(s) +
                   ", and scrambled files are found only under that name";
        Say(from, Level::Error, why);
        return nullptr;
    }
    CheckEncoding(name, text, false);
    TXiniFile::SplitLines(text, script->Lines);
    for (size_t i = 0; i < script->Lines.size(); ++i)
        if (TVelmorScript::ClassifyLine(script->Lines[i]) == TVelmorScript::kLineLabel)
            script->Labels.emplace(Fold(script->Lines[i]), static_cast<int32_t>(i));
    ScriptInfo* raw = script.get();
    m_Scripts.push_back(std::move(script));
    m_ScriptByKey.emplace(key, raw);
    m_ScriptQueue.push_back(name);
    return raw;
}

void TGameChecker::CheckScript(ScriptInfo& script) {
    int addsel = 0;
    m_LastBackground.clear();
    for (size_t i = 0; i < script.Lines.size(); ++i) {
        const std::string& line = script.Lines[i];
        const auto n = static_cast<int32_t>(i);
        TStringList tokens;
        switch (TVelmorScript::ClassifyLine(line)) {
            case TVelmorScript::kLineCommand:
                yx::SplitNonEmpty(line, TVelmorInterpreter::kCommandDelimiters, tokens);
                if (!tokens.empty() && yx::SameText(tokens[0], "clrsel")) addsel = 0;
                if (!tokens.empty() && yx::SameText(tokens[0], "addsel") && ++addsel == 5)
                    Say({script.Name, n}, Level::Error,
                        "a fifth choice: a choice offers at most four (since the last clrsel)");
                CheckCommand(script, n, tokens);
                break;
            case TVelmorScript::kLineSystem:
                yx::SplitNonEmpty(line, TVelmorInterpreter::kSystemDelimiters, tokens);
                CheckSystem(script, n, tokens);
                break;
            case TVelmorScript::kLineVariable:
                yx::SplitNonEmpty(line, TVelmorInterpreter::kVariableDelimiters, tokens);
                CheckVariable(script, n, tokens);
                break;
            case TVelmorScript::kLineEnd:
                m_Endings.emplace_back(script.Name, n);
                break;
            case TVelmorScript::kLineLabel:
                if (line.size() > 1 && static_cast<unsigned char>(line.back()) <= ' ')
                    Say({script.Name, n}, Level::Warning,
                        "the label ends in a blank, which a jump must then spell too");
                break;
            default:
                break;
        }
    }
}

void TGameChecker::CheckCommand(ScriptInfo& script, int32_t line, const TStringList& tokens) {
    if (tokens.empty()) return;
    const Place here{script.Name, line};
    const CommandRule* rule = CommandOf(tokens[0]);
    if (!rule) {
        Say(here, Level::Error,
            "unknown command " + U(tokens[0]) + " (the engine records \"指定されたコマンド " +
                U(tokens[0]) + " は存在しません\" and goes on)");
        return;
    }
    const int count = static_cast<int>(tokens.size());
    const std::string word = Lower(tokens[0]);
    if (count < rule->MinTokens) {
        const char* what = word == "jump"     ? "a paragraph"
                           : word == "addsel" ? "a caption and a paragraph"
                           : word == "scroll" || word == "tumble" || word == "effect"
                               ? "effect words"
                           : word == "basepointset" ? "a layer letter (b, f, m or w)"
                                                    : "a file";
        Say(here, word == "basepointset" ? Level::Warning : Level::Error,
            "*" + word + " needs " + what);
        return;
    }
    const std::string arg = count >= 2 ? tokens[1] : std::string();
    if (word == "e" || word == "b" || word == "f" || word == "m" || word == "cross") {
        if (word == "m" && m_MiniFaceCount == 0)
            Say(here, Level::Warning,
                "*m with MiniFace Count 0 in the project: there is no small-face slot to show "
                "it in");
        UseFile(arg, FileKind::Picture, here, Level::Error);
        if (word != "f" && word != "m") m_LastBackground = arg;
        if (word == "e" || (word == "cross" && count >= 3 && yx::SameText(tokens[2], "e")))
            m_ShownPictures.push_back(arg);
    } else if (word == "bgm" || word == "bge" || word == "sound" || word == "v") {
        if (count >= 2) UseFile(arg, FileKind::Sound, here, Level::Error);
    } else if (word == "avi") {
        UseFile(arg, FileKind::Movie, here, Level::Note);
    } else if (word == "jump") {
        Jump(count >= 3 ? tokens[2] : std::string(), arg, here, "jump");
        if (count >= 3) LoadScript(tokens[2], here);
    } else if (word == "addsel") {
        Jump(count >= 4 ? tokens[3] : std::string(), tokens[2], here, "choice", nullptr,
             tokens[1]);
        if (count >= 4) LoadScript(tokens[3], here);
    } else if (word == "select") {
        ChoicePoint point{script.Name, line, {}};
        // The captions offered: the addsel lines since the last clrsel before this line.
        for (int32_t i = line - 1; i >= 0; --i) {
            TStringList t;
            const std::string& l = script.Lines[static_cast<size_t>(i)];
            if (TVelmorScript::ClassifyLine(l) != TVelmorScript::kLineCommand) continue;
            yx::SplitNonEmpty(l, TVelmorInterpreter::kCommandDelimiters, t);
            if (t.empty()) continue;
            if (yx::SameText(t[0], "clrsel")) break;
            if (yx::SameText(t[0], "addsel") && t.size() >= 3)
                point.Captions.insert(point.Captions.begin(), t[1]);
        }
        m_ChoicePoints.push_back(point);
    } else if (word == "wait") {
        if (count >= 2) ValueUse(arg, here);
    } else if (word == "scroll" || word == "tumble" || word == "effect") {
        const int effect = speffectParse(tokens);
        // A background wider or taller than the screen is what scrolling is for.
        if (word == "scroll" && !m_LastBackground.empty()) m_Scrolled.insert(m_LastBackground);
        if (effect == 0)
            Say(here, Level::Warning, "the words name no " + word + " effect; nothing happens");
        else if (effect == 24 || effect == 25)
            Say(here, Level::Warning, "effect contrast does nothing in the engine");
    } else if (word == "cd") {
        if (count >= 2 && !IsNumber(arg) && !yx::SameText(arg, "stop") &&
            !yx::SameText(arg, "pause") && !yx::SameText(arg, "replay"))
            Say(here, Level::Warning, "*cd takes stop, pause, replay or a track number");
    } else if (word == "hide") {
        if (count >= 2 && Lower(arg).find_first_not_of("fmwb") != std::string::npos)
            Say(here, Level::Warning, "*hide takes the letters f, m, w and b");
    }
}

void TGameChecker::CheckSystem(ScriptInfo& script, int32_t line, const TStringList& tokens) {
    if (tokens.empty()) return;
    const Place here{script.Name, line};
    const std::string& word = tokens[0];
    bool known = false;
    for (const char* w : kSystemWords) known = known || yx::SameText(w, word);
    if (!known) {
        Say(here, Level::Warning,
            "unknown system word :" + U(word) + "; the engine passes over the line silently");
        return;
    }
    const std::string w = Lower(word);
    const size_t count = tokens.size();
    if (w == "popup") {
        if (count >= 2) ValueUse(tokens[1], here);
    } else if (w == "junction") {
        if (count < 3) {
            Say(here, Level::Error, ":junction needs a file and a section");
            return;
        }
        if (CheckJunction(tokens[1], tokens[2], here, script.Name))
            script.Transfers.insert(line);
    } else if (w == "imageselect") {
        if (count < 2) {
            Say(here, Level::Warning, ":imageselect without a file does nothing");
            return;
        }
        CheckImageSelect(tokens[1], here, script.Name);
    } else if (w == "cgmode") {
        if (!m_HasGallery)
            Say(here, Level::Warning, ":cgmode does nothing: the project names no CGModeProject");
    } else if (w == "scenemode") {
        if (!m_HasReplay)
            Say(here, Level::Warning,
                ":scenemode does nothing: the project names no EventModeProject");
    } else if (w == "sceneset") {
        if (count < 2) {
            Say(here, Level::Warning, ":sceneset needs a scene name");
            return;
        }
        m_SetScenes.push_back(tokens[1]);
        m_SceneSetPlaces.push_back(here);
    } else if (w == "warpmap") {
        if (count < 2) {
            Say(here, Level::Error, ":warpmap without a file ends the game with a fatal error");
            return;
        }
        TStringList variables(tokens.begin() + 2, tokens.end());
        CheckWarpMap(tokens[1], here, variables);
    } else if (w == "dllopen") {
        m_UsesPlugins = true;
        // A plug-in is a loose shared object beside the project: NAME.dll loads NAME.so.
        std::string library = count >= 2 ? tokens[1] : std::string();
        const std::string ext = yx::LowerCaseAscii(yx::ExtractFileExt(library));
        if (ext == ".dll" || ext.empty()) library = yx::ChangeFileExt(library, ".so");
        if (library.empty() || !m_Files->LooseExists(library))
            Say(here, Level::Error,
                "plug-in " + U(library) +
                    " is not a loose file in the game folder: :dllopen ends the game with a "
                    "fatal error (a Windows DLL must be rebuilt as a .so, see plugin/README.md)");
    }
}

void TGameChecker::CheckVariable(ScriptInfo& script, int32_t line, const TStringList& tokens) {
    if (tokens.size() < 2) return;
    const Place here{script.Name, line};
    const std::string& name = tokens[0];
    const std::string& op = tokens[1];
    if (op == "=") {
        if (tokens.size() < 3) {
            Say(here, Level::Error, "?" + U(name) + " = needs a value");
            return;
        }
        ValueUse(tokens[2], here);
        m_SetVariables.insert(Fold(name));
        return;
    }
    if (op == "++" || op == "--") {
        TestVariable(name, here, Level::Error);
        return;
    }
    if (tokens.size() < 4) {
        Say(here, Level::Error,
            "a comparison needs a command to run when it holds (the engine records "
            "\"変数コマンドの引数が足りません\")");
        return;
    }
    if (op != "<" && op != "<=" && op != "==" && op != ">" && op != ">=")
        Say(here, Level::Warning,
            "operator " + U(op) + " is none of = ++ -- < <= == > >=; the test never holds");
    ValueUse(tokens[2], here);
    TestVariable(name, here, Level::Error);
    TStringList rest(tokens.begin() + 3, tokens.end());
    CheckCommand(script, line, rest);
}

void TGameChecker::TestVariable(const std::string& name, const Place& where, Level level) {
    m_VariableTests.push_back({name, where, level});
}

void TGameChecker::ValueUse(const std::string& token, const Place& where) {
    if (!IsNumber(token)) TestVariable(token, where, Level::Error);
}

bool TGameChecker::ReadDescription(const std::string& file, const Place& where,
                                   TStringList& lines, Level level) {
    if (!m_Files->ReadLines(file, lines)) {
        std::string why = "description file " + U(file) + " cannot be found";
        if (const std::string s = m_Files->ScrambledSpelling(file); !s.empty())
            why += "; it is there scrambled, as " + U(s) + ", and must be named so";
        Say(where, level, why);
        return false;
    }
    if (m_Descriptions.insert(Fold(file)).second) {
        std::string text;
        m_Files->ReadText(file, text);
        CheckEncoding(file, text, false);
    }
    return true;
}

bool TGameChecker::CheckJunction(const std::string& file, const std::string& section,
                                 const Place& where, const std::string& script) {
    TStringList lines;
    if (!ReadDescription(file, where, lines, Level::Error)) return false;
    TXiniFile ini(lines);
    TStringList body;
    if (!ini.ReadSectionLines(section, body) || body.empty()) {
        Say(where, Level::Error,
            "junction table " + U(file) + " has no section <" + U(section) + "> with entries");
        return false;
    }
    // Line numbers of the body within the file.
    int32_t first = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == "<" + section + ">") {
            first = static_cast<int32_t>(i) + 1;
            break;
        }
    bool always = false;
    for (size_t i = 0; i < body.size(); ++i) {
        const Place entry{file, first + static_cast<int32_t>(i)};
        const TStringList items = yx::SplitCommaText(body[i]);
        if (items.size() < 2) {
            if (!body[i].empty())
                Say(entry, Level::Warning, "an entry needs a script and a paragraph; never taken");
            continue;
        }
        if (always)
            Say(entry, Level::Warning, "an earlier entry always matches: this one is never taken");
        // The engine drops the first character of the last two items.
        auto rest = [](const std::string& item) { return item.empty() ? item : item.substr(1); };
        const std::string targetScript = rest(items[items.size() - 2]);
        const std::string paragraph = rest(items.back());
        // A "!name" condition on a flag nothing sets always holds, which is how games test
        // for a flag of a route not taken; only a plain condition can never hold.
        for (size_t c = 0; c + 2 < items.size(); ++c)
            if (!items[c].empty() && items[c][0] != '!')
                TestVariable(items[c], entry, Level::Warning);
        if (items.size() == 2) always = true;
        std::string condition;
        for (size_t c = 0; c + 2 < items.size(); ++c)
            condition += (condition.empty() ? "" : ", ") + items[c];
        Jump(targetScript.empty() ? script : targetScript, paragraph, entry, "junction", &where,
             condition);
        if (!targetScript.empty()) LoadScript(targetScript, entry);
    }
    return always;
}

void TGameChecker::CheckGallery(const std::string& file, bool replay) {
    TStringList lines;
    m_Files->ReadLines(file, lines);
    TXiniFile ini(lines);
    const Place whole{file, -1};
    const char* images[] = {"Background", "NeverSeen", "ExitButton", "ExitButtonPressed",
                            "PrevButton", "PrevButtonPressed", "NextButton", "NextButtonPressed"};
    for (const char* key : images) {
        const std::string name = ini.ReadString("Image", key, "");
        if (!name.empty()) UseFile(name, FileKind::Picture, whole, Level::Warning);
    }
    const char* listSection = replay ? "EventList" : "ImageList";
    TStringList body;
    ini.ReadSectionLines(listSection, body);
    int32_t first = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == std::string("<") + listSection + ">") first = static_cast<int32_t>(i) + 1;
    for (size_t i = 0; i < body.size(); ++i) {
        const Place entry{file, first + static_cast<int32_t>(i)};
        TStringList items;
        yx::Split(body[i], ",", items);
        if (body[i].empty()) continue;
        if (!replay) {
            UseFile(items[0], FileKind::Picture, entry, Level::Error);
            if (items.size() >= 2 && !items[1].empty())
                UseFile(items[1], FileKind::Picture, entry, Level::Warning);
            m_GalleryPictures.push_back(items[0]);
        } else {
            if (items.size() < 2) {
                Say(entry, Level::Warning, "a scene needs a name and a paragraph; line skipped");
                continue;
            }
            if (!items[0].empty()) UseFile(items[0], FileKind::Picture, entry, Level::Warning);
            const std::string script = items.size() >= 3 ? items[2] : std::string();
            if (script.empty())
                Say(entry, Level::Warning,
                    "no script: the scene starts in whatever script is loaded when chosen");
            else
                LoadScript(script, entry);
            Jump(script, items[1], entry, "scene", nullptr, items[0]);
            m_ReplayScenes.push_back(items[0]);
        }
    }
}

void TGameChecker::CheckImageSelect(const std::string& file, const Place& where,
                                    const std::string& script) {
    TStringList lines;
    if (!ReadDescription(file, where, lines, Level::Error)) return;
    TXiniFile ini(lines);
    const Place whole{file, -1};
    const int32_t count = ini.ReadInteger("ImageSelector", "Count", 0);
    if (count < 1) Say(whole, Level::Error, "Count must be 1 or more");
    const std::string back = ini.ReadString("ImageSelector", "BackImage", "");
    if (back.empty()) Say(whole, Level::Error, "BackImage is empty");
    else UseFile(back, FileKind::Picture, whole, Level::Error);
    for (const char* key : {"OnMouseSound", "ClickSound"}) {
        const std::string s = ini.ReadString("ImageSelector", key, "");
        if (!s.empty()) UseFile(s, FileKind::Sound, whole, Level::Error);
    }
    TStringList graphics, positions, paragraphs;
    if (!ini.ReadSectionLines("Graphics", graphics)) Say(whole, Level::Error, "no <Graphics>");
    if (!ini.ReadSectionLines("Position", positions)) Say(whole, Level::Error, "no <Position>");
    if (!ini.ReadSectionLines("Paragraph", paragraphs)) Say(whole, Level::Error, "no <Paragraph>");
    for (int32_t i = 0; i < count; ++i) {
        const auto at = static_cast<size_t>(i);
        if (at < graphics.size()) {
            TStringList items;
            yx::Split(graphics[at], ",", items);
            for (const std::string& g : items)
                if (!g.empty()) UseFile(g, FileKind::Picture, whole, Level::Error);
        }
        if (at >= positions.size() || yx::SplitCommaText(positions[at]).size() < 2)
            Say(whole, Level::Error, "Position line " + std::to_string(i) + " needs x,y");
        if (at < paragraphs.size())
            Jump(script, paragraphs[at], where, "image selector button", nullptr,
                 "button " + std::to_string(i));
        else
            Say(whole, Level::Error, "button " + std::to_string(i) + " has no Paragraph line");
    }
}

void TGameChecker::CheckWarpMap(const std::string& file, const Place& where,
                                const TStringList& variables) {
    for (const std::string& v : variables) m_SetVariables.insert(Fold(v));
    TStringList lines;
    if (!ReadDescription(file, where, lines, Level::Error)) return;
    TXiniFile ini(lines);
    const Place whole{file, -1};
    const std::string back = ini.ReadString("image", "BackImage", "");
    if (back.empty()) Say(whole, Level::Error, "BackImage is empty: the map does not load");
    else UseFile(back, FileKind::Picture, whole, Level::Error);
    TStringList anime, chips, points, dayend, flags;
    for (auto [name, list] : {std::pair<const char*, TStringList*>{"anime", &anime},
                              {"mapchip", &chips}, {"drawpoint", &points},
                              {"dayend", &dayend}, {"flag", &flags}})
        if (!ini.ReadSectionLines(name, *list))
            Say(whole, Level::Error, std::string("no <") + name + ">: the map does not load");
    for (const std::string& f : anime) UseFile(f, FileKind::Picture, whole, Level::Error);
    for (const std::string& f : chips) UseFile(f, FileKind::Picture, whole, Level::Error);
    if (points.size() < chips.size())
        Say(whole, Level::Error, "fewer <drawpoint> lines than places in <mapchip>");
    for (const std::string& d : dayend) {
        std::string script, paragraph;
        if (!yx::SplitAtComma(d, script, paragraph)) {
            Say(whole, Level::Error, "a <dayend> line without a comma: the map does not load");
            continue;
        }
        Jump(script, paragraph, whole, "day end", &where, "day end");
        if (!script.empty()) LoadScript(script, whole);
    }
    for (const std::string& f : flags) {
        const TStringList items = yx::SplitCommaText(f);
        for (size_t t = 0; t < items.size(); t += 4) {
            const std::string flag = items[t];
            const std::string script = t + 1 < items.size() ? items[t + 1] : std::string();
            const std::string condition = t + 2 < items.size() ? items[t + 2] : std::string();
            const std::string paragraph = t + 3 < items.size() ? items[t + 3] : std::string();
            if (flag.empty() && script.empty() && paragraph.empty()) continue;
            if (flag.empty() || script.empty() || paragraph.empty()) {
                Say(whole, Level::Error, "an event record in <flag> is incomplete");
                continue;
            }
            m_SetVariables.insert(Fold(flag));
            if (!condition.empty()) TestVariable(condition, whole, Level::Warning);
            Jump(script, paragraph, whole, "map event", &where, flag);
            LoadScript(script, whole);
        }
    }
}

void TGameChecker::UseFile(const std::string& name, FileKind kind, const Place& where,
                           Level ifMissing) {
    m_FileUses.push_back({name, kind, where, ifMissing});
}

void TGameChecker::Jump(const std::string& script, const std::string& label, const Place& where,
                        const std::string& why, const Place* from, const std::string& caption) {
    m_Jumps.push_back({script.empty() ? where.File : script, label, where, why});
    const Place& source = from ? *from : where;
    m_Routes.push_back({source.File, source.Line, script.empty() ? where.File : script,
                        Label(label), why, caption});
}

void TGameChecker::ResolveJumps() {
    for (JumpUse& jump : m_Jumps) {
        if (jump.Why.empty()) continue;  // done
        auto it = m_ScriptByKey.find(Fold(jump.Script));
        if (it == m_ScriptByKey.end()) {
            if (!m_MissingScripts.count(Fold(jump.Script))) {
                LoadScript(jump.Script, jump.Where);
                continue;  // checked on the next round
            }
            jump.Why.clear();
            continue;  // its absence is reported where it was first named
        }
        ScriptInfo& target = *it->second;
        const std::string label = Label(jump.Label);
        if (target.Labels.count(Fold(label))) {
            target.Reached.insert(Fold(label));
        } else {
            std::string why = "the " + jump.Why + " goes to paragraph " + U(label) +
                              ", which script " + U(target.Name) + " does not have";
            // A label with trailing blanks is not found by a name without them.
            for (const auto& [key, line] : target.Labels) {
                std::string trimmed = target.Lines[static_cast<size_t>(line)];
                while (!trimmed.empty() && static_cast<unsigned char>(trimmed.back()) <= ' ')
                    trimmed.pop_back();
                if (Fold(trimmed) == Fold(label))
                    why += " (line " + std::to_string(line + 1) + " has it with trailing blanks)";
            }
            Say(jump.Where, Level::Error, why + "; the game ends there with a fatal error");
        }
        jump.Why.clear();
    }
}

void TGameChecker::ResolveFiles() {
    for (const FileUse& use : m_FileUses) CheckFile(use);
}

void TGameChecker::CheckFile(const FileUse& use) {
    const std::string& name = use.Name;
    if (use.Kind == FileKind::Movie) {
        // Movies are played from loose files only (or the game's CD).
        if (!m_Files->LooseExists(name))
            Say(use.Where, Level::Note,
                "movie " + U(name) +
                    " is not a loose file in the game folder; the engine skips it (movies are "
                    "never read from archives)");
        return;
    }
    const TGameFiles::Found& found = m_Files->Find(name);
    if (found.Place == TGameFiles::Where::Missing) {
        std::string why = "file " + U(name) + " cannot be found, loose or in an archive";
        if (const std::string s = m_Files->ScrambledSpelling(name); !s.empty())
            why += "; it is there scrambled, as " + U(s) +
                   ", and scrambled files are found only under that name";
        Say(use.Where, use.IfMissing, why);
        return;
    }
    // Each file's content is looked at once.
    if (!m_CheckedFiles.insert(name).second) return;
    std::vector<uint8_t> bytes;
    std::string realName;
    if (use.Kind == FileKind::Picture) {
        if (!m_Files->Read(name, bytes, realName, 256 * 1024)) {
            Say(use.Where, Level::Error, "file " + U(name) + " is there but cannot be read");
            return;
        }
        const std::string ext = m_Files->Witch().RealExtension(realName);
        if (ext != ".png" && ext != ".jpg" && ext != ".bmp" && ext != ".vpp") {
            Say(use.Where, Level::Error,
                "picture " + U(name) + " is not a .png, .jpg, .bmp or .vpp file by its name");
            return;
        }
        int32_t w = 0, h = 0;
        if (ext == ".vpp") return;
        if (!TMediaProbe::PictureSize(bytes, ext, w, h)) {
            Say(use.Where, Level::Error,
                "picture " + U(name) + " is not a readable " + ext.substr(1) + " file");
            return;
        }
        if (ext == ".png")
            if (const std::string why = TMediaProbe::PngProblem(bytes); !why.empty()) {
                Say(use.Where, Level::Error,
                    "picture " + U(name) + " is refused by the engine's PNG decoder: " + why);
                return;
            }
        if ((w > m_Width || h > m_Height) && !m_Scrolled.count(name))
            Say(use.Where, Level::Warning,
                "picture " + U(name) + " is " + std::to_string(w) + "x" + std::to_string(h) +
                    ", larger than the " + std::to_string(m_Width) + "x" +
                    std::to_string(m_Height) + " screen; its edges are cut off");
    } else if (use.Kind == FileKind::Sound) {
        if (!m_Files->Read(name, bytes, realName, 64 * 1024)) {
            Say(use.Where, Level::Error, "file " + U(name) + " is there but cannot be read");
            return;
        }
        if (const std::string why = TMediaProbe::SoundProblem(bytes); !why.empty())
            Say(use.Where, Level::Error, "sound " + U(name) + " is refused by the engine: " + why);
    }
}

void TGameChecker::ReportUnreached() {
    const std::string startKey =
        m_Scripts.empty() ? std::string() : Fold(m_Scripts.front()->Name);
    for (const auto& script : m_Scripts) {
        script->CanRun.assign(script->Lines.size(), false);
        // A label is also reached by running into it from the line before; the start
        // script runs from its first line.
        bool live = Fold(script->Name) == startKey;
        bool fallsIn = live;  // for the warning: the line before is not a transfer
        for (size_t i = 0; i < script->Lines.size(); ++i) {
            const std::string& line = script->Lines[i];
            const TVelmorScript::LineKind kind = TVelmorScript::ClassifyLine(line);
            if (kind == TVelmorScript::kLineEmpty || kind == TVelmorScript::kLineComment) continue;
            if (kind == TVelmorScript::kLineLabel) {
                const bool reached = script->Reached.count(Fold(line)) > 0;
                if (!fallsIn && !reached && m_UsesPlugins)
                    Say({script->Name, static_cast<int32_t>(i)}, Level::Note,
                        "no jump, choice or table reaches paragraph " + U(line) +
                            ": only a plug-in's jump can");
                else if (!fallsIn && !reached)
                    Say({script->Name, static_cast<int32_t>(i)}, Level::Warning,
                        "no jump, choice or table reaches paragraph " + U(line) +
                            ", and the line before it never runs on into it");
                live = live || reached || m_UsesPlugins;
                script->CanRun[i] = live;
                if (fallsIn) script->RunsInto.insert(static_cast<int32_t>(i));
                fallsIn = true;
                continue;
            }
            script->CanRun[i] = live;
            bool transfer = script->Transfers.count(static_cast<int32_t>(i)) > 0;
            TStringList tokens;
            if (kind == TVelmorScript::kLineEnd) {
                transfer = true;
            } else if (kind == TVelmorScript::kLineCommand) {
                yx::SplitNonEmpty(line, TVelmorInterpreter::kCommandDelimiters, tokens);
                transfer = transfer || (!tokens.empty() && (yx::SameText(tokens[0], "jump") ||
                                                            yx::SameText(tokens[0], "return") ||
                                                            yx::SameText(tokens[0], "select")));
            } else if (kind == TVelmorScript::kLineSystem) {
                yx::SplitNonEmpty(line, TVelmorInterpreter::kSystemDelimiters, tokens);
                transfer = transfer || (!tokens.empty() &&
                                        (yx::SameText(tokens[0], "titlereturn") ||
                                         yx::SameText(tokens[0], "warpmap") ||
                                         yx::SameText(tokens[0], "imageselect")));
            }
            fallsIn = !transfer;
            if (transfer) live = false;
        }
    }
    // Gallery entries the story never shows, and scenes it never unlocks.
    for (const std::string& picture : m_GalleryPictures)
        if (yx::IndexOfText(m_ShownPictures, picture, true) < 0)
            m_Report.Add(m_ProjectName, 0, Level::Warning,
                         "gallery picture " + U(picture) +
                             " is never shown by *e or *cross ... e, so it can never be unlocked");
    for (const std::string& scene : m_ReplayScenes)
        if (yx::IndexOfText(m_SetScenes, scene, true) < 0)
            m_Report.Add(m_ProjectName, 0, Level::Warning,
                         "replay scene " + U(scene) + " is never unlocked by :sceneset");
    if (m_HasReplay)
        for (size_t i = 0; i < m_SetScenes.size(); ++i)
            if (yx::IndexOfText(m_ReplayScenes, m_SetScenes[i], true) < 0)
                Say(m_SceneSetPlaces[i], Level::Warning,
                    "scene " + U(m_SetScenes[i]) + " is not in the replay list");
}

void TGameChecker::ReportVariables() {
    m_SetVariables.insert(Fold("velmor@FINISHED"));
    for (const VariableTest& test : m_VariableTests)
        if (!test.Name.empty() && !m_SetVariables.count(Fold(test.Name)))
            Say(test.Where, test.Severity,
                "variable " + U(test.Name) +
                    " is tested but never set anywhere in the game (set it with ?" +
                    U(test.Name) + " = 0 first)");
}

int TGameChecker::CompareCoverage(const TCoverageReport& coverage, TCheckReport& out) const {
    int unreached = 0;
    auto say = [&](const std::string& file, int32_t line, const std::string& text) {
        out.Add(file, line, Level::Warning, text);
        ++unreached;
    };
    std::map<std::string, const std::set<int32_t>*> lines;
    std::map<std::string, const std::set<std::string>*> paragraphs;
    for (const auto& [script, set] : coverage.Lines) lines[Fold(script)] = &set;
    for (const auto& [script, set] : coverage.Paragraphs) paragraphs[Fold(script)] = &set;
    for (const auto& script : m_Scripts) {
        const auto* ran = lines.count(Fold(script->Name)) ? lines[Fold(script->Name)] : nullptr;
        const auto* labels =
            paragraphs.count(Fold(script->Name)) ? paragraphs[Fold(script->Name)] : nullptr;
        std::set<std::string> folded;
        if (labels)
            for (const std::string& l : *labels) folded.insert(Fold(l));
        int32_t from = -1, to = -1;
        auto flush = [&] {
            if (from < 0) return;
            say(script->Name, from + 1,
                from == to ? "no run reached this line"
                           : "no run reached lines " + std::to_string(from + 1) + " to " +
                                 std::to_string(to + 1));
            from = to = -1;
        };
        for (size_t i = 0; i < script->Lines.size(); ++i) {
            const auto kind = TVelmorScript::ClassifyLine(script->Lines[i]);
            if (kind == TVelmorScript::kLineEmpty || kind == TVelmorScript::kLineComment) continue;
            const auto n = static_cast<int32_t>(i);
            bool reached = ran && ran->count(n + 1);
            if (kind == TVelmorScript::kLineLabel) reached = reached || folded.count(Fold(script->Lines[i]));
            if (!script->CanRun[i] || reached) {
                flush();
                continue;
            }
            if (from < 0) from = n;
            to = n;
        }
        flush();
    }
    std::map<TCoverageReport::Place, const std::set<int32_t>*> choices;
    for (const auto& [place, taken] : coverage.Choices)
        choices[{Fold(place.first), place.second}] = &taken;
    for (const ChoicePoint& point : m_ChoicePoints) {
        auto it = choices.find({Fold(point.Script), point.Line + 1});
        for (size_t c = 0; c < point.Captions.size(); ++c)
            if (it == choices.end() || !it->second->count(static_cast<int32_t>(c)))
                say(point.Script, point.Line + 1,
                    "no run took choice " + std::to_string(c) + " (" + U(point.Captions[c]) + ")");
    }
    std::set<TCoverageReport::Place> endings;
    for (const auto& [script, line] : coverage.Endings) endings.insert({Fold(script), line});
    for (const auto& [script, line] : m_Endings) {
        const ScriptInfo* info = m_ScriptByKey.at(Fold(script));
        if (info->CanRun[static_cast<size_t>(line)] && !endings.count({Fold(script), line + 1}))
            say(script, line + 1, "no run reached this ending");
    }
    for (const std::string& picture : m_GalleryPictures) {
        bool seen = false;
        for (const std::string& p : coverage.EventPictures) seen = seen || yx::SameText(p, picture);
        if (!seen) say(m_ProjectName, 0, "no run unlocked gallery picture " + U(picture));
    }
    for (const std::string& scene : m_ReplayScenes) {
        bool seen = false;
        for (const std::string& p : coverage.Scenes) seen = seen || yx::SameText(p, scene);
        if (!seen) say(m_ProjectName, 0, "no run unlocked replay scene " + U(scene));
    }
    out.Sort();
    return unreached;
}
