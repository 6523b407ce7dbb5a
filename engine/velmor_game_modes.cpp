// The modes the engine runs itself (script, none, choice and movie) and the objects of the
// extra modes: gallery, scene list, image selector, warp map and plug-in.
#include "engine/velmor.h"
#include "engine/velmor_choice_mode.h"
#include "engine/velmor_gallery_mode.h"
#include "engine/velmor_image_select_mode.h"
#include "engine/velmor_movie_mode.h"
#include "engine/velmor_none_mode.h"
#include "engine/velmor_plugin.h"
#include "engine/velmor_plugin_mode.h"
#include "engine/velmor_scene_list_mode.h"
#include "engine/velmor_script_mode.h"
#include "engine/velmor_warp_map_mode.h"
#include "engine/velmor_waiting_mode.h"

void TVelmor::CreateModeObjects() {
    using M = TGameMode;
    auto set = [this](M mode, std::unique_ptr<TVelmorGameMode> object) {
        m_Modes[static_cast<size_t>(mode)] = std::move(object);
    };
    set(M::None, std::make_unique<TNoneMode>(*this));
    set(M::Script, std::make_unique<TScriptMode>(*this));
    set(M::Choice, std::make_unique<TChoiceMode>(*this));
    set(M::Movie, std::make_unique<TMovieMode>(*this));
    set(M::Gallery, std::make_unique<TVelmorGalleryMode>(*this));
    set(M::SceneList, std::make_unique<TVelmorSceneListMode>(*this));
    set(M::ImageSelect, std::make_unique<TVelmorImageSelectMode>(*this));
    set(M::WarpMap, std::make_unique<TVelmorWarpMapMode>(*this));
    if (!m_Plugin) m_Plugin = std::make_unique<TVelmorPlugin>(*this);
    set(M::Plugin, std::make_unique<TVelmorPluginMode>(*this, *m_Plugin));
}

void TVelmor::EnterGameMode(TGameMode mode) {
    m_Presenter->FlushFrame();  // the next mode may read the screen layer
    ModeObject().Leave();
    m_GameMode = mode;
    TVelmorGameMode& entered = ModeObject();
    m_Flow.ClickWait = entered.ClickWaitOnEntry(m_Flow.ClickWait);
    entered.Enter();
    m_ChoiceSkip.ModeEntered(mode);
    if (m_Monitor) m_Monitor->ModeChanged(mode);
}

void TVelmor::SetModeObject(TGameMode mode, std::unique_ptr<TVelmorGameMode> object) {
    if (object) m_Modes[static_cast<size_t>(mode)] = std::move(object);
}

void TScriptMode::Input(TInputCode code, int x, int y) {
    m_Engine.Interpreter().ScriptModeInput(code, x, y);
}

bool TScriptMode::Idle() {
    return m_Engine.Interpreter().Tick();
}

TIdleWait TScriptMode::NextWait() const {
    return m_Engine.Interpreter().NextWait();
}

TVelmorGameMode::TMenu TScriptMode::Menu() const {
    return {m_Engine.Flow().PopupEnabled, true, true};
}

void TChoiceMode::Enter() {
    m_Engine.Choices().ClearKeyboardSelection();
}

void TChoiceMode::Resume() {
    m_Engine.Presenter().ComposeFrame();
    m_Engine.Presenter().PresentFrame();
}

void TChoiceMode::Input(TInputCode code, int x, int y) {
    m_Engine.Interpreter().ChoiceInput(code, x, y);
}

void TChoiceMode::MouseMove(int x, int y) {
    m_Engine.Interpreter().ChoiceHover(x, y);
}

void TMovieMode::Input(TInputCode, int, int) {
    m_Engine.Interpreter().EndMovie();
}
