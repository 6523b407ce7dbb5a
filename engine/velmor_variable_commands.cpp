// Variable command lines and the game-cleared flag.
#include "engine/velmor.h"
#include "engine/velmor_interpreter.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

namespace {
int32_t Wrapped(int32_t value, int32_t delta) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(delta));
}
}  // namespace

void TVelmorInterpreter::GameClearFlagSet(bool flag) {
    m_State.Finished = flag;
    if (!m_Variables.Set(TVelmorVariables::kFinished, flag ? 1 : 0))
        AddErrorRecord(SJ("gameClearFlagSet : 変数\"") + TVelmorVariables::kFinished +
                       SJ("\"の書き込みに失敗しました"));
}

void TVelmorInterpreter::ScriptSetFlag(const std::string& line) {
    TStringList tokens;
    yx::SplitNonEmpty(line, kVariableDelimiters, tokens);
    if (tokens.size() < 2) return;
    const std::string& name = tokens[0];
    const std::string& op = tokens[1];
    const std::string tooFew = SJ("scriptSetFlag : 変数コマンドの引数が足りません");
    auto badParam = [&] {
        AddErrorRecord(SJ("scriptSetFlag : パラメータが異常です param=") + tokens[2]);
    };
    auto notFound = [&] {
        AddErrorRecord(SJ("scriptSetFlag : 指定された変数 ") + name + SJ(" は見つかりません"));
    };
    auto set = [&](int32_t value) {
        if (!m_Variables.Set(name, value)) {
            AddErrorRecord(SJ("scriptSetFlag : 変数\"") + name + SJ("\"の書き込みに失敗しました"));
            return;
        }
        if (m_Engine.Hooks().variablesChanged) m_Engine.Hooks().variablesChanged();
    };

    if (op == "=") {
        if (tokens.size() < 3) return AddErrorRecord(tooFew);
        int32_t value;
        if (!m_Variables.ParseValue(tokens[2], value)) return badParam();
        return set(value);
    }
    if (op == "++" || op == "--") {
        int32_t value;
        if (!m_Variables.Get(name, value)) return notFound();
        return set(Wrapped(value, op == "++" ? 1 : -1));
    }
    if (tokens.size() < 4) return AddErrorRecord(tooFew);
    int32_t right, left;
    if (!m_Variables.ParseValue(tokens[2], right)) return badParam();
    if (!m_Variables.Get(name, left)) return notFound();
    bool holds = false;
    if (op == "<")
        holds = left < right;
    else if (op == "<=")
        holds = left <= right;
    else if (op == "==")
        holds = left == right;
    else if (op == ">")
        holds = left > right;
    else if (op == ">=")
        holds = left >= right;
    if (!holds) return;
    // What follows the comparison is an ordinary command; a '*' before its word was a delimiter.
    ScriptCommandExecute(TStringList(tokens.begin() + 3, tokens.end()));
}
