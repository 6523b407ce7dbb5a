// Variables: the ordered list, variable command lines and the game-cleared flag.
#include "engine/velmor.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

namespace {
const char* const kFinishedVariable = "velmor@FINISHED";

int32_t Wrapped(int32_t value, int32_t delta) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(delta));
}
}  // namespace

bool TVelmor::SetIntVariable(const std::string& name, int32_t value) {
    if (name.empty()) return false;
    for (auto& v : m_Variables)
        if (yx::SameText(v.Name, name)) {
            v.Value = value;
            return true;
        }
    m_Variables.push_back({name, value});
    return true;
}

bool TVelmor::GetIntVariable(const std::string& name, int32_t& value) const {
    if (name.empty()) return false;
    for (const auto& v : m_Variables)
        if (yx::SameText(v.Name, name)) {
            value = v.Value;
            return true;
        }
    return false;
}

bool TVelmor::ParseValue(const std::string& token, int32_t& value) const {
    return yx::TryStrToInt(token, value) || GetIntVariable(token, value);
}

void TVelmor::ClearAllVariables() {
    m_Variables.clear();
    SetIntVariable(kFinishedVariable, m_State.Finished ? 1 : 0);
}

void TVelmor::GameClearFlagSet(bool flag) {
    m_State.Finished = flag;
    if (!SetIntVariable(kFinishedVariable, flag ? 1 : 0))
        AddErrorRecord(SJ("gameClearFlagSet : 変数\"") + kFinishedVariable +
                       SJ("\"の書き込みに失敗しました"));
}

void TVelmor::ScriptSetFlag(const std::string& line) {
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
        if (!SetIntVariable(name, value)) {
            AddErrorRecord(SJ("scriptSetFlag : 変数\"") + name + SJ("\"の書き込みに失敗しました"));
            return;
        }
        if (OnVariablesChanged) OnVariablesChanged();
    };

    if (op == "=") {
        if (tokens.size() < 3) return AddErrorRecord(tooFew);
        int32_t value;
        if (!ParseValue(tokens[2], value)) return badParam();
        return set(value);
    }
    if (op == "++" || op == "--") {
        int32_t value;
        if (!GetIntVariable(name, value)) return notFound();
        return set(Wrapped(value, op == "++" ? 1 : -1));
    }
    if (tokens.size() < 4) return AddErrorRecord(tooFew);
    int32_t right, left;
    if (!ParseValue(tokens[2], right)) return badParam();
    if (!GetIntVariable(name, left)) return notFound();
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
