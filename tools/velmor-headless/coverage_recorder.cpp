#include "tools/velmor-headless/coverage_recorder.h"

#include "engine/velmor.h"
#include "engine/velmor_script.h"
#include "resources/yxstringlib.h"

void TCoverageRecorder::LineRan(const std::string& script, int32_t line, const std::string& text) {
    m_Run.Lines[script].insert(line + 1);
    TStringList tokens;
    switch (TVelmorScript::ClassifyLine(text)) {
        case TVelmorScript::kLineLabel:
            m_Run.Paragraphs[script].insert(text);
            break;
        case TVelmorScript::kLineCommand:
            // What unlocks a gallery picture: *e file, *cross file e.
            yx::SplitNonEmpty(text, TVelmorInterpreter::kCommandDelimiters, tokens);
            if (tokens.size() >= 2 &&
                (yx::SameText(tokens[0], "e") ||
                 (yx::SameText(tokens[0], "cross") && tokens.size() >= 3 &&
                  yx::SameText(tokens[2], "e"))))
                m_Run.EventPictures.insert(tokens[1]);
            break;
        case TVelmorScript::kLineSystem:
            yx::SplitNonEmpty(text, TVelmorInterpreter::kSystemDelimiters, tokens);
            if (tokens.size() >= 2 && yx::SameText(tokens[0], "sceneset"))
                m_Run.Scenes.insert(tokens[1]);
            break;
        default:
            break;
    }
}

void TCoverageRecorder::Jumped(const std::string& script, const std::string& paragraph) {
    m_Run.Paragraphs[script].insert(paragraph);
    if (m_ChoiceLine < 0) return;
    // The first jump after choices were offered is the one taken.
    for (size_t i = 0; i < m_Targets.size(); ++i) {
        const auto& [target, targetScript] = m_Targets[i];
        const std::string label = !target.empty() && target[0] == '#' ? target : "#" + target;
        if (yx::SameText(label, paragraph) &&
            (targetScript.empty() || yx::SameText(targetScript, script))) {
            m_Run.Choices[{m_ChoiceScript, m_ChoiceLine + 1}].insert(static_cast<int32_t>(i));
            break;
        }
    }
    m_ChoiceLine = -1;
}

void TCoverageRecorder::ChoicesShown(const std::string& script, int32_t line,
                                     std::vector<std::pair<std::string, std::string>> targets) {
    m_ChoiceScript = script;
    m_ChoiceLine = line;
    m_Targets = std::move(targets);
    // A choice point counts as reached even when no choice is taken.
    m_Run.Choices[{script, line + 1}];
}

void TCoverageRecorder::EndReached(const std::string& script, int32_t line) {
    m_Run.Endings.insert({script, line + 1});
}

bool TCoverageRecorder::AddTo(const std::string& hostPath, std::string& error) const {
    TCoverageReport report;
    if (!report.Load(hostPath, error)) return false;
    report.Runs += 1;
    for (const auto& [script, lines] : m_Run.Lines) report.Lines[script].insert(lines.begin(), lines.end());
    for (const auto& [script, labels] : m_Run.Paragraphs)
        report.Paragraphs[script].insert(labels.begin(), labels.end());
    for (const auto& [place, taken] : m_Run.Choices)
        report.Choices[place].insert(taken.begin(), taken.end());
    report.EventPictures.insert(m_Run.EventPictures.begin(), m_Run.EventPictures.end());
    report.Scenes.insert(m_Run.Scenes.begin(), m_Run.Scenes.end());
    report.Endings.insert(m_Run.Endings.begin(), m_Run.Endings.end());
    if (!report.Save(hostPath)) {
        error = "cannot write " + hostPath;
        return false;
    }
    return true;
}
