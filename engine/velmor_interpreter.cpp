// The interpreter: the tick, the rules that hold the script, the dispatcher, message lines and
// their reveal, the script mode's input, error records and fatal script errors.
#include "engine/velmor.h"
#include "engine/velmor_scenario_end.h"
#include "platform/clock.h"
#include "platform/sjis.h"
#include "resources/application.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

namespace {
constexpr size_t kErrorListCap = 255;

uint32_t Now() {
    return platform::Clock::Current().TickCount();
}

// A deadline of 0 means "none"; a wrapped sum that lands on it waits one more millisecond.
uint32_t Deadline(uint32_t now, int32_t ms) {
    const uint32_t d = now + static_cast<uint32_t>(ms < 0 ? 0 : ms);
    return d == 0 ? 1 : d;
}
}  // namespace

bool TVelmor::Tick() {
    if (m_WaitDeadline != 0) {
        if (Now() < m_WaitDeadline) return false;
        m_WaitDeadline = 0;
        auto end = std::move(m_WaitEnd);
        m_WaitEnd = nullptr;
        if (end) end();
    }
    if (m_Animating && RevealStep()) return true;
    if (MustWait()) return false;
    if (m_ScriptLines.empty()) {
        RunLine(kLineEnd);
        return true;
    }
    if (m_Position.Line < static_cast<int32_t>(m_ScriptLines.size())) ++m_Position.Line;
    const LineKind kind = ClassifyPresentLine();
    RunLine(kind);
    if (kind == kLineEmpty) return false;
    if (OnVariablesChanged) OnVariablesChanged();
    return true;
}

bool TVelmor::WouldWait() const {
    if (m_WindowHidden) return true;
    if (m_AutoPlay && Now() > m_AutoPlayDeadline) return false;
    if (m_State.NoReadTextSkip || m_ParagraphRead) return !m_Skip && m_ClickWait;
    // Unread text: skip mode does not pass it.
    return m_ClickWait;
}

bool TVelmor::MustWait() {
    if (WouldWait()) return true;
    const bool autoPassed = !m_WindowHidden && m_AutoPlay && Now() > m_AutoPlayDeadline;
    if (!autoPassed) m_ClickWait = false;
    return false;
}

TIdleWait TVelmor::NextWait() const {
    const uint32_t now = Now();
    if (m_WaitDeadline != 0) {
        if (now < m_WaitDeadline) return {TIdleWait::kDeadline, m_WaitDeadline};
        return {TIdleWait::kRun, 0};
    }
    if (m_Animating && !m_WindowHidden) return {TIdleWait::kRun, 0};
    if (!WouldWait()) return {TIdleWait::kRun, 0};
    // Held by a click wait that auto play will pass once its deadline is behind us.
    if (m_AutoPlay && !m_WindowHidden)
        return {TIdleWait::kDeadline, Deadline(m_AutoPlayDeadline, 1)};
    return {TIdleWait::kInput, 0};
}

void TVelmor::RunLine(LineKind kind) {
    const int32_t line = m_Position.Line;
    m_PresentLine = line >= 0 && static_cast<size_t>(line) < m_ScriptLines.size()
                        ? m_ScriptLines[static_cast<size_t>(line)]
                        : std::string();
    ++m_LinesRun;
    switch (kind) {
        case kLineEmpty:
        case kLineComment:
            break;
        case kLineMessage:
            MessageLine();
            break;
        case kLineLabel:
            MarkParagraph(m_PresentLine);
            break;
        case kLineCommand:
            Tokenise(m_PresentLine, kCommandDelimiters);
            if (!m_Tokens.empty()) {
                const TStringList tokens = m_Tokens;
                ScriptCommandExecute(tokens);
            }
            break;
        case kLineSystem:
            ScriptSVCParser(m_PresentLine);
            break;
        case kLineVariable:
            ScriptSetFlag(m_PresentLine);
            break;
        case kLineEnd:
            throw EScenarioEnd(TyxApplication::CutEngineErrorText(
                SJ("scriptAction : シナリオの終了信号を検出しました\n") + m_Position.Script + ":" +
                yx::IntToStr(m_Position.Line)));
    }
}

void TVelmor::MessageLine() {
    m_Message = m_PresentLine;
    m_ClickWait = true;
    if (m_AutoPlay) m_AutoPlayDeadline = Now() + static_cast<uint32_t>(m_Message.size() / 2) * 100u;
    if (m_Monitor) m_Monitor->Message(m_Message);
    if (OnMessageLogged) OnMessageLogged(m_Message);
    m_MessageWindow->SetVisible(true);
    ComposeFrame();
    PresentFrame();
}

void TVelmor::SetTimedWait(uint32_t deadline, std::function<void()> onEnd) {
    m_WaitDeadline = deadline;
    m_WaitEnd = std::move(onEnd);
}

void TVelmor::EnterGameMode(TGameMode mode) {
    ModeObject().Leave();
    m_GameMode = mode;
    TVelmorGameMode& entered = ModeObject();
    m_ClickWait = entered.ClickWaitOnEntry(m_ClickWait);
    entered.Enter();
    if (m_Monitor) m_Monitor->ModeChanged(mode);
}

bool TVelmor::Idle() {
    return ModeObject().Idle();
}

TIdleWait TVelmor::IdleWait() const {
    return ModeObject().NextWait();
}

void TVelmor::Input(TInputCode code, int x, int y) {
    ModeObject().Input(code, x, y);
}

void TVelmor::MouseMove(int x, int y) {
    ModeObject().MouseMove(x, y);
}

void TVelmor::ScriptModeInput(TInputCode code, int /*x*/, int /*y*/) {
    m_Skip = false;
    if (m_AutoPlay) {
        m_AutoPlay = false;
        return;
    }
    switch (code) {
        case TInputCode::Confirm:
            break;
        case TInputCode::SkipHeld:
            if (!m_State.NoReadTextSkip && !m_ParagraphRead) return;
            break;
        case TInputCode::HideWindow:
            if (!m_WindowHidden) {
                m_WindowHidden = true;
                ComposeFrame();
                PresentFrame();
            }
            return;
        case TInputCode::ShowWindow:
            ShowWindowInput();
            return;
        default:
            return;
    }
    if (m_Busy) return;
    if (m_WindowHidden) {
        if (code != TInputCode::SkipHeld) ShowWindowInput();
        return;
    }
    if (m_Animating) {
        ComposeFrame();
        DrawMessage();
        PresentFrame();
        m_Animating = false;
        return;
    }
    m_ClickWait = false;
}

void TVelmor::ShowWindowInput() {
    if (!m_WindowHidden) return;
    m_WindowHidden = false;
    const bool animation = m_State.MessageAnimation;
    m_State.MessageAnimation = false;
    ComposeFrame();
    PresentFrame();
    m_State.MessageAnimation = animation;
}

void TVelmor::AddErrorRecord(const std::string& message) {
    const std::string record =
        yx::IntToStr(m_Position.Line) + ": " + message + " : " + m_PresentLine;
    if (m_Monitor) m_Monitor->Record(record);
    if (!m_ErrorList) return;
    m_ErrorList->push_back(record);
    while (m_ErrorList->size() > kErrorListCap) m_ErrorList->erase(m_ErrorList->begin());
}

void TVelmor::FatalScriptError(const std::string& message) {
    TyxApplication::Instance().RaiseEngineError(message);
}
