// The select command and the player's pick in choice mode.
#include "engine/velmor.h"
#include "engine/velmor_interpreter.h"

void TVelmorInterpreter::CommandSelect() {
    m_Engine.EnterGameMode(TGameMode::Choice);
    m_Flow.Skip = false;
    m_Choices.Offer(m_Scene.ChoiceRowAreas(), m_Scene.Screen());
    TStringList captions;
    for (int i = 0; i < m_Choices.Count(); ++i) captions.push_back(m_Choices.At(i).Caption);
    if (m_Engine.Monitor()) m_Engine.Monitor()->Choices(captions);
    m_Presenter.ComposeFrame();
    m_Presenter.PresentFrame();
}

void TVelmorInterpreter::ChoiceHover(int x, int y) {
    if (!m_Choices.Hover(x, y)) return;
    m_Presenter.ComposeFrame();
    m_Presenter.PresentFrame();
}

void TVelmorInterpreter::ChoiceInput(TInputCode code, int x, int y) {
    if (m_Choices.Key(code)) {
        m_Presenter.ComposeFrame();
        m_Presenter.PresentFrame();
        return;
    }
    const int taken = m_Choices.Taken(code, x, y);
    if (taken >= 0) LeaveChoice(taken);
}

void TVelmorInterpreter::LeaveChoice(int index) {
    // A copy: the jump may load another script, but the choice itself must not change under it.
    const TVelmorSelector choice = m_Choices.At(index);
    CommandJump(choice.Paragraph, choice.Script);
    m_Engine.EnterGameMode(TGameMode::Script);
    m_Scene.MessageWindow().SetVisible(false);
    m_Presenter.ComposeFrame();
}
