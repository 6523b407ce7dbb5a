// System command lines: the title and its return, table branches, the context menu switch, the
// scene list and the words that start the extra modes.
#include <vector>

#include "engine/velmor.h"
#include "engine/velmor_interpreter.h"
#include "engine/velmor_plugin.h"
#include "engine/velmor_image_select_mode.h"
#include "engine/velmor_warp_map_mode.h"
#include "platform/file_system.h"
#include "resources/bcl_manager.h"
#include "resources/sjis_text.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {
enum SystemWord {
    kPopup,
    kJunction,
    kImageSelect,
    kTitle,
    kTitleReturn,
    kCGMode,
    kSceneMode,
    kSceneSet,
    kSceneEnd,
    kFinished,
    kWarpMap,
    kDllOpen,
    kDllClose,
    kDllAttach,
    kNoWord
};

// In the order the runner tests them.
const char* const kSystemWords[] = {
    "popup",    "junction", "imageselect", "title",   "titlereturn", "cgmode",   "scenemode",
    "sceneset", "sceneend", "FINISHED",    "warpmap", "dllopen",     "dllclose", "dllattach"};

SystemWord WordOf(const std::string& word) {
    for (size_t i = 0; i < std::size(kSystemWords); ++i)
        if (yx::SameText(kSystemWords[i], word)) return static_cast<SystemWord>(i);
    return kNoWord;
}

}  // namespace

void TVelmorInterpreter::ScriptSVCParser(const std::string& line) {
    TStringList tokens;
    yx::SplitNonEmpty(line, kSystemDelimiters, tokens);
    if (tokens.empty()) return;
    switch (WordOf(tokens[0])) {
        case kPopup:
            if (tokens.size() < 2) {
                m_Flow.PopupEnabled = true;
            } else {
                int32_t n = 0;
                if (m_Variables.ParseValue(tokens[1], n)) {
                    m_Flow.PopupEnabled = n >= 1;
                } else {
                    AddErrorRecord(SJ("scriptSVCParser : パラメータが異常です param=") + tokens[1]);
                    m_Flow.PopupEnabled = false;
                }
            }
            break;
        case kJunction:
            if (tokens.size() < 3)
                AddErrorRecord(SJ("scriptSVCParser : junctionのパラメータが足りません"));
            else
                CommandJunction(tokens);
            break;
        case kImageSelect:
            if (tokens.size() >= 2)
                if (auto* menu = dynamic_cast<TVelmorImageSelectMode*>(
                        &m_Engine.ModeObjectFor(TGameMode::ImageSelect)))
                    menu->Open(tokens[1]);
            break;
        case kTitle:
            m_Script.SetTitle(true, m_Script.Position());
            m_Variables.ClearAll(m_State.Finished);
            break;
        case kTitleReturn:
            m_Engine.Galleries().TitleReturn();
            break;
        case kCGMode:
            m_Engine.Galleries().StartGallery();
            break;
        case kSceneMode:
            m_Engine.Galleries().StartSceneList();
            break;
        case kSceneSet:
            if (tokens.size() >= 2 && yx::IndexOfText(m_State.EventScene, tokens[1], true) < 0)
                m_State.EventScene.push_back(tokens[1]);
            break;
        case kSceneEnd:
            m_Engine.Galleries().SceneEnd();
            break;
        case kFinished:
            GameClearFlagSet(true);
            break;
        case kWarpMap:
            m_Flow.Skip = false;
            if (auto* map = dynamic_cast<TVelmorWarpMapMode*>(&m_Engine.ModeObjectFor(TGameMode::WarpMap)))
                map->Open(tokens);
            else
                m_Engine.FatalScriptError(SJ("WarpMapモードを起動できませんでした"));
            break;
        case kDllOpen:
            m_Engine.Plugin().Open(tokens.size() >= 2 ? tokens[1] : std::string());
            break;
        case kDllAttach:
            m_Engine.Plugin().Attach(tokens.size() >= 2 ? tokens[1] : std::string());
            break;
        case kDllClose:
            m_Engine.Plugin().Close();
            break;
        case kNoWord:
            break;
    }
}

void TVelmorInterpreter::CommandJunction(const TStringList& tokens) {
    const std::string& file = tokens[1];
    const std::string& section = tokens[2];
    TStringList fileLines;
    std::vector<uint8_t> bytes;
    bool read = false;
    if (platform::FileSystem::FileExists(file) && platform::FileSystem::ReadFile(file, bytes)) {
        TXiniFile::SplitLines(std::string(bytes.begin(), bytes.end()), fileLines);
        read = true;
    } else if (m_Engine.Services().manager) {
        read = m_Engine.Services().manager->LoadStrings(fileLines, file);
    }
    TStringList entries;
    if (read) TXiniFile(fileLines).ReadSectionLines(section, entries);

    auto holds = [this](const std::string& condition) {
        const bool negated = !condition.empty() && condition[0] == '!';
        int32_t value = 0;
        const bool set =
            m_Variables.Get(negated ? condition.substr(1) : condition, value) && value != 0;
        return negated ? !set : set;
    };
    for (const std::string& entry : entries) {
        const TStringList items = yx::SplitCommaText(entry);
        if (items.size() < 2) continue;
        bool all = true;
        for (size_t i = 0; all && i + 2 < items.size(); ++i) all = holds(items[i]);
        if (!all) continue;
        // The script and paragraph items each carry one leading character that is not part
        // of the name; a script item of that character alone means the present script.
        const std::string& scriptItem = items[items.size() - 2];
        const std::string& paragraphItem = items.back();
        const std::string script = scriptItem.empty() ? std::string() : scriptItem.substr(1);
        const std::string paragraph =
            paragraphItem.empty() ? std::string() : paragraphItem.substr(1);
        if (!CommandJump(paragraph, script))
            AddErrorRecord(SJ("scriptSVCParser : commandJumpに失敗しました\"") + paragraph +
                           "\"\"" + script + "\"");
        return;
    }
    AddErrorRecord(SJ("scriptSVCParser : junction\"") + file + "\"\"" + section +
                   SJ("\"のデータが見つからないか、条件にかなうものがありませんでした"));
}

