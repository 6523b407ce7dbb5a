// The interpreter: the tick, the rules that hold the script, the dispatcher, message lines and
// their reveal, the script mode's input.
#include "engine/velmor.h"
#include "engine/velmor_interpreter.h"
#include "engine/velmor_scenario_end.h"
#include "platform/clock.h"
#include "platform/sjis.h"
#include "resources/application.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

namespace {
// A deadline of 0 means "none"; a wrapped sum that lands on it waits one more millisecond.
uint32_t Deadline(uint32_t now, int32_t ms) {
    const uint32_t d = now + static_cast<uint32_t>(ms < 0 ? 0 : ms);
    return d == 0 ? 1 : d;
}
}  // namespace

TVelmorInterpreter::TVelmorInterpreter(TVelmor& engine)
    : m_Engine(engine),
      m_Scene(engine.Scene()),
      m_Message(engine.Message()),
      m_Channels(engine.Channels()),
      m_Presenter(engine.Presenter()),
      m_CD(engine.CD()),
      m_Script(engine.Script()),
      m_Variables(engine.Variables()),
      m_Choices(engine.Choices()),
      m_Flow(engine.Flow()),
      m_Data(engine.SystemData()),
      m_State(engine.SystemState()) {}

uint32_t TVelmorInterpreter::Now() const {
    return m_Engine.Services().clock->TickCount();
}

void TVelmorInterpreter::AddErrorRecord(const std::string& message) {
    m_Engine.AddErrorRecord(message);
}

bool TVelmorInterpreter::Tick() {
    const bool ran = Step();
    const TIdleWait::Kind rest = NextWait().kind;
    if (rest == TIdleWait::kInput) m_Engine.ChoiceSkip().Rested();
    // The game rests, for an input or a deadline: what the window shows now is the frame
    // held back, and the reveal it starts runs meanwhile.
    if (rest != TIdleWait::kRun) m_Presenter.FrameAtRest();
    return ran;
}

bool TVelmorInterpreter::Step() {
    if (m_WaitDeadline != 0) {
        if (Now() < m_WaitDeadline) return false;
        m_WaitDeadline = 0;
        auto end = std::move(m_WaitEnd);
        m_WaitEnd = nullptr;
        if (end) end();
    }
    m_Presenter.FlushDueFrame();
    if (m_Message.Animating() && RevealStep()) return true;
    if (MustWait()) return false;
    if (m_Script.Lines().empty()) {
        RunLine(TVelmorScript::kLineEnd);
        return true;
    }
    m_Script.Advance();
    const TVelmorScript::LineKind kind = m_Script.ClassifyPresentLine();
    RunLine(kind);
    if (kind == TVelmorScript::kLineEmpty) return false;
    if (m_Engine.Hooks().variablesChanged) m_Engine.Hooks().variablesChanged();
    return true;
}

bool TVelmorInterpreter::WouldWait() const {
    if (m_Flow.WindowHidden) return true;
    if (m_Flow.AutoPlay && Now() > m_AutoPlayDeadline) return false;
    if (m_State.NoReadTextSkip || m_Script.ParagraphRead()) return !m_Flow.Skip && m_Flow.ClickWait;
    // Unread text: skip mode does not pass it.
    return m_Flow.ClickWait;
}

bool TVelmorInterpreter::MustWait() {
    if (WouldWait()) return true;
    const bool autoPassed = !m_Flow.WindowHidden && m_Flow.AutoPlay && Now() > m_AutoPlayDeadline;
    if (!autoPassed) m_Flow.ClickWait = false;
    return false;
}

TIdleWait TVelmorInterpreter::NextWait() const {
    const uint32_t now = Now();
    if (m_WaitDeadline != 0) {
        if (now < m_WaitDeadline) return {TIdleWait::kDeadline, m_WaitDeadline};
        return {TIdleWait::kRun, 0};
    }
    if (m_Message.Animating() && !m_Flow.WindowHidden) return {TIdleWait::kRun, 0};
    if (!WouldWait()) return {TIdleWait::kRun, 0};
    // Held by a click wait that auto play will pass once its deadline is behind us.
    if (m_Flow.AutoPlay && !m_Flow.WindowHidden)
        return {TIdleWait::kDeadline, Deadline(m_AutoPlayDeadline, 1)};
    return {TIdleWait::kInput, 0};
}

void TVelmorInterpreter::RunLine(TVelmorScript::LineKind kind) {
    using S = TVelmorScript;
    m_PresentLine = m_Script.PresentLineText();
    ++m_LinesRun;
    if (m_Engine.Monitor()) {
        // Past the last line, or with no script, there is no line to report.
        const TVelmorScriptPosition& at = m_Script.Position();
        if (at.Line >= 0 && static_cast<size_t>(at.Line) < m_Script.Lines().size())
            m_Engine.Monitor()->LineRun(at.Script, at.Line, m_PresentLine);
    }
    switch (kind) {
        case S::kLineEmpty:
        case S::kLineComment:
            break;
        case S::kLineMessage:
            MessageLine();
            break;
        case S::kLineLabel:
            m_Script.MarkParagraph(m_PresentLine);
            break;
        case S::kLineCommand:
            Tokenise(m_PresentLine, kCommandDelimiters);
            if (!m_Tokens.empty()) {
                const TStringList tokens = m_Tokens;
                ScriptCommandExecute(tokens);
            }
            break;
        case S::kLineSystem:
            m_Presenter.BeforeSceneChange();
            ScriptSVCParser(m_PresentLine);
            break;
        case S::kLineVariable:
            ScriptSetFlag(m_PresentLine);
            break;
        case S::kLineEnd:
            throw EScenarioEnd(TyxApplication::CutEngineErrorText(
                SJ("scriptAction : シナリオの終了信号を検出しました\n") +
                m_Script.Position().Script + ":" + yx::IntToStr(m_Script.Position().Line)));
    }
}

void TVelmorInterpreter::MessageLine() {
    m_Message.SetText(m_PresentLine);
    m_Flow.ClickWait = true;
    if (m_Flow.AutoPlay)
        m_AutoPlayDeadline = Now() + static_cast<uint32_t>(m_PresentLine.size() / 2) * 100u;
    if (m_Engine.Monitor()) m_Engine.Monitor()->Message(m_PresentLine);
    if (m_Engine.Hooks().messageLogged) m_Engine.Hooks().messageLogged(m_PresentLine);
    m_Scene.MessageWindow().SetVisible(true);
    m_Presenter.HoldMessageFrame();
}

void TVelmorInterpreter::SetTimedWait(uint32_t deadline, std::function<void()> onEnd) {
    m_WaitDeadline = deadline;
    m_WaitEnd = std::move(onEnd);
}

void TVelmorInterpreter::Tokenise(const std::string& line, const char* delimiters) {
    yx::SplitNonEmpty(line, delimiters, m_Tokens);
}

void TVelmorInterpreter::ScriptModeInput(TInputCode code, int /*x*/, int /*y*/) {
    m_Flow.Skip = false;
    if (m_Flow.AutoPlay) {
        m_Flow.AutoPlay = false;
        return;
    }
    switch (code) {
        case TInputCode::Confirm:
            break;
        case TInputCode::SkipHeld:
            if (!m_State.NoReadTextSkip && !m_Script.ParagraphRead()) return;
            break;
        case TInputCode::HideWindow:
            if (!m_Flow.WindowHidden) {
                m_Flow.WindowHidden = true;
                m_Presenter.ComposeFrame();
                m_Presenter.PresentFrame();
            }
            return;
        case TInputCode::ShowWindow:
            ShowWindowInput();
            return;
        default:
            return;
    }
    if (m_Flow.Busy) return;
    if (m_Flow.WindowHidden) {
        if (code != TInputCode::SkipHeld) ShowWindowInput();
        return;
    }
    if (m_Message.Animating()) {
        m_Presenter.ComposeFrame();
        m_Message.Draw();
        m_Presenter.PresentFrame();
        m_Message.StopAnimating();
        return;
    }
    m_Flow.ClickWait = false;
}

void TVelmorInterpreter::ShowWindowInput() {
    if (!m_Flow.WindowHidden) return;
    m_Flow.WindowHidden = false;
    const bool animation = m_State.MessageAnimation;
    m_State.MessageAnimation = false;
    m_Presenter.ComposeFrame();
    m_Presenter.PresentFrame();
    m_State.MessageAnimation = animation;
}

