#include "engine/velmor_warp_map_mode.h"

#include "engine/velmor.h"
#include "modes/warp_map_move.h"
#include "platform/clock.h"
#include "resources/sjis_text.h"

TVelmorWarpMapMode::TVelmorWarpMapMode(TVelmor& engine) : m_Engine(engine) {}

TVelmorWarpMapMode::~TVelmorWarpMapMode() = default;

TDisplaySurface& TVelmorWarpMapMode::Window() {
    if (m_Engine.Services().display) return *m_Engine.Services().display;
    if (!m_Offscreen)
        m_Offscreen = std::make_unique<TVelmorOffscreenSurface>(
            *m_Engine.Services().clock, m_Engine.SystemData().Width, m_Engine.SystemData().Height);
    return *m_Offscreen;
}

void TVelmorWarpMapMode::Open(const TStringList& tokens) {
    const std::string failed = SJ("WarpMapモードを起動できませんでした");
    if (tokens.size() < 2) m_Engine.FatalScriptError(failed);
    const TGameMode previous = m_Engine.Mode();
    m_Engine.EnterGameMode(TGameMode::None);
    m_Map.reset();
    m_End.reset();
    m_Map = std::make_unique<TWarpMapMove>(Window(), m_Engine.Services().manager,
                                           m_Engine.Scene().Screen());
    // The map may hand back from inside Start or Click; the end runs once they returned.
    m_Map->OnEnd = [this](const std::string& script, const std::string& paragraph, int, int, int) {
        m_End = TEnd{script, paragraph};
    };
    m_Map->RunEffect = [this](int number) { m_Engine.Presenter().RunEffect(number); };
    TWarpMapMove::TVariables variables{[this](const std::string& name, int32_t& value) {
                                           return m_Engine.Variables().Get(name, value);
                                       },
                                       [this](const std::string& name, int32_t value) {
                                           m_Engine.Variables().Set(name, value);
                                           if (m_Engine.Hooks().variablesChanged)
                                               m_Engine.Hooks().variablesChanged();
                                       }};
    auto token = [&](size_t i) { return i < tokens.size() ? tokens[i] : std::string(); };
    bool ok = m_Map->Load(tokens[1], variables, token(2), token(4), token(3));
    if (ok) {
        m_Engine.EnterGameMode(TGameMode::WarpMap);
        ok = m_Map->Start();
    }
    if (!ok) {
        m_Engine.AddErrorRecord(m_Map->Error());
        m_Map.reset();
        m_End.reset();
        m_Engine.EnterGameMode(previous);
        m_Engine.FatalScriptError(failed);
    }
    FinishIfEnded();
}

void TVelmorWarpMapMode::Input(TInputCode code, int x, int y) {
    m_Engine.Flow().Skip = false;
    if (!m_Map || code != TInputCode::Confirm || x < 0 || y < 0) return;
    m_Map->Click({x, y});
    FinishIfEnded();
}

bool TVelmorWarpMapMode::Idle() {
    if (!m_Map) return false;
    const int frame = m_Map->Frame();
    m_Map->Tick();
    return frame != m_Map->Frame();
}

TIdleWait TVelmorWarpMapMode::NextWait() const {
    if (!m_Map || !m_Map->Active()) return {TIdleWait::kInput, 0};
    const uint32_t next = m_Map->NextStep();
    // A step that is due runs now; the tick count wraps, so compare by difference.
    if (static_cast<int32_t>(m_Engine.Services().clock->TickCount() - next) >= 0)
        return {TIdleWait::kRun, 0};
    return {TIdleWait::kDeadline, next};
}

void TVelmorWarpMapMode::FinishIfEnded() {
    if (!m_End) return;
    const TEnd end = *m_End;
    m_End.reset();
    m_Engine.EnterGameMode(TGameMode::None);
    m_Engine.Presenter().RunEffect(10);
    m_Map.reset();
    if (!m_Engine.Interpreter().CommandJump(end.paragraph, end.script))
        m_Engine.FatalScriptError(SJ("TVelmor:") + end.script + SJ("と") + end.paragraph +
                                  SJ("が見つかりません"));
    m_Engine.EnterGameMode(TGameMode::Script);
}
