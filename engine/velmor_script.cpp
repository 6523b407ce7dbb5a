// Scripts and positions: loading, line kinds, tokens, paragraphs, jumps and the return.
#include <vector>

#include "engine/velmor.h"
#include "platform/file_system.h"
#include "resources/bcl_manager.h"
#include "resources/sjis_text.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

bool TVelmor::LoadScript(const std::string& name) {
    TStringList lines;
    std::vector<uint8_t> bytes;
    if (platform::FileSystem::FileExists(name) && platform::FileSystem::ReadFile(name, bytes)) {
        TXiniFile::SplitLines(std::string(bytes.begin(), bytes.end()), lines);
    } else if (!m_Manager || !m_Manager->LoadStrings(lines, name)) {
        return false;
    }
    m_ScriptLines = std::move(lines);
    m_Position.Script = name;
    return true;
}

bool TVelmor::LoadDroppedScript(const std::string& name) {
    if (!LoadScript(name)) return false;
    m_Position.Line = -1;
    return true;
}

TVelmor::LineKind TVelmor::ClassifyLine(const std::string& line) {
    if (line.empty()) return kLineEmpty;
    switch (line[0]) {
        case '\t':
        case '/':
        case ';':
        case '\\':
            return kLineComment;
        case '#':
            return kLineLabel;
        case '*':
            return kLineCommand;
        case ':':
            return kLineSystem;
        case '?':
            return kLineVariable;
        case '%':
            return kLineEnd;
        default:
            return kLineMessage;
    }
}

TVelmor::LineKind TVelmor::ClassifyPresentLine() const {
    const int32_t line = m_Position.Line;
    if (line < 0 || static_cast<size_t>(line) >= m_ScriptLines.size()) return kLineEnd;
    return ClassifyLine(m_ScriptLines[static_cast<size_t>(line)]);
}

void TVelmor::Tokenise(const std::string& line, const char* delimiters) {
    yx::SplitNonEmpty(line, delimiters, m_Tokens);
}

void TVelmor::MarkParagraph(const std::string& label) {
    TStringList& read = m_State.ReadParagraphs;
    const std::string& leaving = m_Position.Paragraph;
    if (!leaving.empty() && yx::IndexOfText(read, leaving, true) < 0) read.push_back(leaving);
    m_Position.Paragraph = label;
    m_ParagraphRead = yx::IndexOfText(read, label, true) >= 0;
}

bool TVelmor::CommandJump(const std::string& paragraph, const std::string& script) {
    const TVelmorScriptPosition from = m_Position;
    if (!script.empty() && !LoadScript(script))
        FatalScriptError(SJ("commandJump : ") + script + SJ(" がロードできません"));
    const std::string label =
        !paragraph.empty() && paragraph[0] == '#' ? paragraph : "#" + paragraph;
    size_t found = m_ScriptLines.size();
    for (size_t i = 0; i < m_ScriptLines.size(); ++i)
        if (yx::SameText(m_ScriptLines[i], label)) {
            found = i;
            break;
        }
    if (found == m_ScriptLines.size())
        FatalScriptError(SJ("commandJump : シナリオジャンプ先パラグラフ ") + label +
                         SJ(" が見つかりません"));
    MarkParagraph(label);
    m_Position.Line = static_cast<int32_t>(found);
    m_Position.Paragraph = label;
    m_JumpBuffer = from;
    if (m_Monitor) m_Monitor->Jumped(m_Position.Script, label);
    return true;
}

void TVelmor::CommandReturn() {
    // One return position, not a stack: returning twice lands in the same place twice.
    const TVelmorScriptPosition back = m_JumpBuffer;
    if (back.Line < 0) {
        CommandJump(back.Paragraph, back.Script);
        return;
    }
    if (!yx::SameText(back.Script, m_Position.Script) && !LoadScript(back.Script))
        FatalScriptError(SJ("scriptCommandExecute : ") + back.Script + SJ(" がロードできません"));
    m_Position.Line = back.Line;
    m_Position.Paragraph = back.Paragraph;
}
