// The reveal as the tick runs it: one piece per step, spaced by the animation speed, all at
// once while skipping.
#include "engine/velmor.h"
#include "engine/velmor_interpreter.h"

namespace {
// A deadline of 0 means "none"; a wrapped sum that lands on it waits one more millisecond.
uint32_t StepDeadline(uint32_t now, int32_t ms) {
    const uint32_t d = now + static_cast<uint32_t>(ms < 0 ? 0 : ms);
    return d == 0 ? 1 : d;
}
}  // namespace

bool TVelmorInterpreter::RevealStep() {
    if (m_Flow.WindowHidden) return false;
    // Skipping draws read text whole; unread text is revealed even then.
    const bool whole = m_Flow.Skip && (m_State.NoReadTextSkip || m_Script.ParagraphRead());
    if (m_Presenter.RevealHeld() && !whole) {
        // Nobody looks: the piece is counted, at the same pace, and drawn when asked for.
        m_WaitDeadline = StepDeadline(Now(), m_State.MessageAnimationSpeed);
        m_Message.SkipNextPiece();
        return true;
    }
    m_Presenter.FlushFrame();
    if (whole) {
        m_Message.Draw();
        m_Message.StopAnimating();
        m_Presenter.PresentFrame();
        return true;
    }
    m_WaitDeadline = StepDeadline(Now(), m_State.MessageAnimationSpeed);
    // Only the piece changed: showing its box is enough, unless the scene waits to be shown.
    TRect drawn;
    if (m_Message.DrawNextPiece(&drawn) == TVelmorMessage::TStep::Blocked) return true;
    if (drawn.Right > drawn.Left && !m_Flow.Skip && !m_Scene.Redraw())
        m_Scene.PresentArea(drawn);
    else
        m_Presenter.PresentFrame();
    return true;
}
