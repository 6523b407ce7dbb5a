// The select command and the player's pick in choice mode.
#include "engine/velmor.h"

void TVelmor::CommandSelect() {
    EnterGameMode(TGameMode::Choice);
    m_Flow.Skip = false;
    m_Choices.Offer(m_Scene->ChoiceRowAreas(), m_Scene->Screen());
    TStringList captions;
    for (int i = 0; i < m_Choices.Count(); ++i) captions.push_back(m_Choices.At(i).Caption);
    if (m_Monitor) m_Monitor->Choices(captions);
    ComposeFrame();
    PresentFrame();
}

void TVelmor::ChoiceHover(int x, int y) {
    if (!m_Choices.Hover(x, y)) return;
    ComposeFrame();
    PresentFrame();
}

void TVelmor::ChoiceInput(TInputCode code, int x, int y) {
    if (m_Choices.Key(code)) {
        ComposeFrame();
        PresentFrame();
        return;
    }
    const int taken = m_Choices.Taken(code, x, y);
    if (taken >= 0) LeaveChoice(taken);
}

void TVelmor::LeaveChoice(int index) {
    // A copy: the jump may load another script, but the choice itself must not change under it.
    const TVelmorSelector choice = m_Choices.At(index);
    CommandJump(choice.Paragraph, choice.Script);
    EnterGameMode(TGameMode::Script);
    m_Scene->MessageWindow().SetVisible(false);
    ComposeFrame();
}
