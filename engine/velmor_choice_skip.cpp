#include "engine/velmor_choice_skip.h"

#include "engine/velmor.h"

bool TVelmorChoiceSkip::Toggle() {
    if (Running()) {
        Stop();
        return false;
    }
    TVelmorFlow& flow = m_Engine.Flow();
    const bool readable =
        m_Engine.SystemState().NoReadTextSkip || m_Engine.Script().ParagraphRead();
    if (!m_Engine.ModeObject().AcceptsSkip() || !flow.ClickWait || !readable) return false;
    m_On = flow.Skip = true;
    return true;
}

bool TVelmorChoiceSkip::Running() const {
    // Whatever turned skipping off (an input, a mode) ended this too.
    return m_On && m_Engine.Flow().Skip;
}

void TVelmorChoiceSkip::Stop() {
    if (Running()) m_Engine.Flow().Skip = false;
    m_On = false;
}

void TVelmorChoiceSkip::ModeEntered(TGameMode mode) {
    if (mode != TGameMode::Script && mode != TGameMode::None) Stop();
}
