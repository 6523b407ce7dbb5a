// The command runners: command lines (and commands run by a holding comparison) and system
// command lines. Words are tested in a fixed order, without regard to case.
#include "engine/velmor.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

namespace {
// Every command word, in the order the runner tests them. Words whose work is not built yet
// are accepted and do nothing, so scripts using them run on without false records.
const char* const kCommandWords[] = {
    "e",      "b",      "f",      "m",      "hide",  "show", "wait",   "clickwait",   "jump",
    "return", "clrsel", "addsel", "select", "in",    "out",  "scroll", "tumble",      "effect",
    "cross",  "cd",     "bgm",    "bge",    "sound", "v",    "avi",    "basepointset"};

const char* const kSystemWords[] = {
    "popup",    "junction", "imageselect", "title",   "titlereturn", "cgmode",   "scenemode",
    "sceneset", "sceneend", "FINISHED",    "warpmap", "dllopen",     "dllclose", "dllattach"};

template <size_t N>
const char* Match(const char* const (&words)[N], const std::string& word) {
    for (const char* w : words)
        if (yx::SameText(w, word)) return w;
    return nullptr;
}
}  // namespace

void TVelmor::ScriptCommandExecute(const TStringList& tokens) {
    if (tokens.empty()) return;
    const std::string& word = tokens[0];
    const char* command = Match(kCommandWords, word);
    if (!command) {
        AddErrorRecord(SJ("scriptCommandExecute : 指定されたコマンド ") + word +
                       SJ(" は存在しません"));
        return;
    }
    const std::string c = command;
    if (c == "jump") {
        if (tokens.size() < 2)
            return AddErrorRecord(SJ("scriptCommandExecute : jump コマンドの引数が足りません"));
        CommandJump(tokens[1], tokens.size() > 2 ? tokens[2] : std::string());
    } else if (c == "return") {
        CommandReturn();
    }
}

void TVelmor::ScriptSVCParser(const std::string& line) {
    TStringList tokens;
    yx::SplitNonEmpty(line, kSystemDelimiters, tokens);
    if (tokens.empty()) return;
    const char* word = Match(kSystemWords, tokens[0]);
    if (!word) return;
    if (std::string(word) == "FINISHED") GameClearFlagSet(true);
}
