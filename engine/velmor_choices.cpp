// Choices: the list the script builds, the rows they are shown in, and the player's pick.
#include <algorithm>

#include "engine/velmor.h"
#include "resources/sjis_text.h"

namespace {
bool Contains(const TRect& r, int x, int y) {
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}
}  // namespace

void TVelmor::CommandAddSel(const TStringList& tokens) {
    if (m_ChoiceCount >= 4)
        return AddErrorRecord(SJ("scriptCommandExecute : 選択肢は最大4つまでです"));
    if (tokens.size() < 3)
        return AddErrorRecord(SJ("scriptCommandExecute : select コマンドの引数が足りません"));
    TVelmorSelector& s = m_Selectors[m_ChoiceCount++];
    s.Caption = tokens[1];
    s.Paragraph = tokens[2];
    s.Script = tokens.size() > 3 ? tokens[3] : std::string();
}

void TVelmor::CommandSelect() {
    EnterGameMode(TGameMode::Choice);
    m_Highlighted = -1;
    m_Skip = false;
    TStringList captions;
    for (int i = 0; i < m_ChoiceCount; ++i) {
        const std::string& caption = m_Selectors[i].Caption;
        m_ChoiceRows[i].Right = m_TextArea.Left + m_Screen->TextWidth(caption) + 1;
        captions.push_back(caption);
    }
    if (m_Monitor) m_Monitor->Choices(captions);
    ComposeFrame();
    PresentFrame();
}

void TVelmor::ChoiceHover(int x, int y) {
    int hit = -1;
    for (int i = 0; i < m_ChoiceCount; ++i)
        if (Contains(m_ChoiceRows[i], x, y)) hit = i;
    if (hit == m_Highlighted) return;
    m_Highlighted = hit;
    m_KeyboardSelection = false;
    ComposeFrame();
    PresentFrame();
}

void TVelmor::ChoiceInput(TInputCode code, int x, int y) {
    const int last = m_ChoiceCount - 1;
    using C = TInputCode;
    if (code == C::Up || code == C::Down || code == C::First || code == C::Last) {
        m_KeyboardSelection = true;
        // With no choices there is nothing to highlight.
        if (last >= 0) {
            if (code == C::Up) m_Highlighted = std::max(m_Highlighted - 1, 0);
            if (code == C::Down) m_Highlighted = std::min(m_Highlighted + 1, last);
            if (code == C::First) m_Highlighted = 0;
            if (code == C::Last) m_Highlighted = last;
        }
        ComposeFrame();
        PresentFrame();
        return;
    }
    if (m_KeyboardSelection) {
        if (code != C::Confirm || m_Highlighted < 0 || m_Highlighted > last) return;
        m_KeyboardSelection = false;
        return LeaveChoice(m_Highlighted);
    }
    for (int i = 0; i < m_ChoiceCount; ++i)
        if (Contains(m_ChoiceRows[i], x, y)) return LeaveChoice(i);
}

void TVelmor::LeaveChoice(int index) {
    // A copy: the jump may load another script, but the choice itself must not change under it.
    const TVelmorSelector choice = m_Selectors[index];
    CommandJump(choice.Paragraph, choice.Script);
    EnterGameMode(TGameMode::Script);
    m_MessageWindow->SetVisible(false);
    ComposeFrame();
}
