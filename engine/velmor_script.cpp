#include "engine/velmor_script.h"

#include <iostream>
#include <vector>

#include "platform/file_system.h"
#include "platform/sjis.h"
#include "resources/application.h"
#include "resources/bcl_manager.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {
[[noreturn]] void Fatal(const std::string& text) {
    throw EEngineError(TyxApplication::CutEngineErrorText(text));
}
}  // namespace

void TVelmorScript::Reset(const std::string& startScript) {
    m_Position = {startScript, -1, ""};
    m_JumpBuffer = {startScript, -1, ""};
    m_TitlePosition = {startScript, -1, ""};
}

bool TVelmorScript::ReadLines(TyxBCLManager* manager, const std::string& name,
                              TStringList& lines) {
    std::vector<uint8_t> bytes;
    if (platform::FileSystem::FileExists(name) && platform::FileSystem::ReadFile(name, bytes)) {
        TXiniFile::SplitLines(std::string(bytes.begin(), bytes.end()), lines);
        return true;
    }
    if (!manager || !manager->LoadStrings(lines, name)) {
        // The reason an author cannot guess from the message alone.
        if (const std::string s = manager ? manager->ScrambledSpelling(name) : std::string();
            !s.empty())
            std::cerr << "velmor: script " << platform::SjisToUtf8(name)
                      << " not loaded: it is stored scrambled, and a scrambled file is found "
                         "only under its scrambled name "
                      << platform::SjisToUtf8(s) << std::endl;
        return false;
    }
    return true;
}

bool TVelmorScript::Load(const std::string& name) {
    TStringList lines;
    if (!ReadLines(m_Manager, name, lines)) return false;
    m_Lines = std::move(lines);
    m_Labels.clear();
    for (size_t i = 0; i < m_Lines.size(); ++i)
        if (!m_Lines[i].empty() && m_Lines[i][0] == '#')
            m_Labels[yx::FoldText(m_Lines[i])].push_back(static_cast<uint32_t>(i));
    m_Position.Script = name;
    return true;
}

TVelmorScript::LineKind TVelmorScript::ClassifyLine(const std::string& line) {
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

TVelmorScript::LineKind TVelmorScript::ClassifyPresentLine() const {
    const int32_t line = m_Position.Line;
    if (line < 0 || static_cast<size_t>(line) >= m_Lines.size()) return kLineEnd;
    return ClassifyLine(m_Lines[static_cast<size_t>(line)]);
}

void TVelmorScript::Advance() {
    if (m_Position.Line < static_cast<int32_t>(m_Lines.size())) ++m_Position.Line;
}

std::string TVelmorScript::PresentLineText() const {
    const int32_t line = m_Position.Line;
    return line >= 0 && static_cast<size_t>(line) < m_Lines.size()
               ? m_Lines[static_cast<size_t>(line)]
               : std::string();
}

void TVelmorScript::MarkParagraph(const std::string& label) {
    TStringList& read = m_ReadParagraphs;
    const std::string& leaving = m_Position.Paragraph;
    if (!leaving.empty() && yx::IndexOfText(read, leaving, true) < 0) read.push_back(leaving);
    m_Position.Paragraph = label;
    m_ParagraphRead = yx::IndexOfText(read, label, true) >= 0;
}

void TVelmorScript::Jump(const std::string& paragraph, const std::string& script) {
    const TVelmorScriptPosition from = m_Position;
    if (!script.empty() && !Load(script))
        Fatal(SJ("commandJump : ") + script + SJ(" がロードできません"));
    const std::string label =
        !paragraph.empty() && paragraph[0] == '#' ? paragraph : "#" + paragraph;
    size_t found = m_Lines.size();
    if (auto it = m_Labels.find(yx::FoldText(label)); it != m_Labels.end())
        for (uint32_t i : it->second)
            if (yx::SameText(m_Lines[i], label)) {
                found = i;
                break;
            }
    if (found == m_Lines.size())
        Fatal(SJ("commandJump : シナリオジャンプ先パラグラフ ") + label + SJ(" が見つかりません"));
    MarkParagraph(label);
    m_Position.Line = static_cast<int32_t>(found);
    m_Position.Paragraph = label;
    m_JumpBuffer = from;
}

bool TVelmorScript::Return() {
    // One return position, not a stack: returning twice lands in the same place twice.
    const TVelmorScriptPosition back = m_JumpBuffer;
    if (back.Line < 0) {
        Jump(back.Paragraph, back.Script);
        return true;
    }
    if (!yx::SameText(back.Script, m_Position.Script) && !Load(back.Script))
        Fatal(SJ("scriptCommandExecute : ") + back.Script + SJ(" がロードできません"));
    m_Position.Line = back.Line;
    m_Position.Paragraph = back.Paragraph;
    return false;
}
