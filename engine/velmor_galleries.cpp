// The picture gallery and the scene list around the script: entering and leaving their modes,
// the sand-out between them and the story, the replayed scenes and the way back.
#include "engine/velmor_galleries.h"

#include "engine/velmor.h"
#include "engine/velmor_gallery_mode.h"
#include "engine/velmor_scene_list_mode.h"
#include "modes/cg_mode.h"
#include "modes/event_mode.h"
#include "resources/application.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

void TVelmorGalleryMode::Input(TInputCode code, int x, int y) {
    m_Engine.Galleries().GalleryInput(code, x, y);
}

void TVelmorGalleryMode::Resume() {
    m_Engine.Galleries().ResumeGallery();
}

void TVelmorSceneListMode::Input(TInputCode code, int x, int y) {
    m_Engine.Galleries().SceneListInput(code, x, y);
}

void TVelmorSceneListMode::Resume() {
    m_Engine.Galleries().ResumeSceneList();
}

TVelmorGalleries::TVelmorGalleries(TVelmor& engine) : m_Engine(engine) {
    const TVelmor::TServices& s = engine.Services();
    TVelmorScene& scene = engine.Scene();
    const TVelmorSystemData& data = engine.SystemData();
    TVelmorSystemState& state = engine.SystemState();
    const TGalleryPage::TServices services{scene.Display(), s.pixelFormat, s.dllRes, s.manager,
                                           s.witch};
    if (!data.CGModeProject.empty()) {
        m_CGMode = std::make_unique<TCGMode>(data.CGModeProject, state.EventCG, scene.Screen(),
                                             services);
        m_CGMode->OnLeave = [this] { LeaveGallery(); };
    }
    if (!data.EventModeProject.empty()) {
        m_EventMode = std::make_unique<TEventMode>(data.EventModeProject, state.EventScene,
                                                   scene.Screen(), services);
        m_EventMode->OnLeave = [this] { LeaveSceneList(); };
        m_EventMode->OnStart = [this](const std::string& paragraph, const std::string& script) {
            StartScene(paragraph, script);
        };
    }
}

TVelmorGalleries::~TVelmorGalleries() = default;

void TVelmorGalleries::BackToStory() {
    m_Engine.Flow().WindowHidden = true;
    m_Engine.Presenter().RunEffect(10);
    m_Engine.Scene().Background().SetVisible(true);
    m_Engine.Scene().HideFaces();
}

void TVelmorGalleries::StartGallery() {
    if (!m_CGMode) return;
    m_CGMode->SetWindow(m_Engine.Scene().Display());
    m_Engine.EnterGameMode(TGameMode::Gallery);
    m_CGMode->Enter();
    m_Engine.Presenter().FadeToMode();
    m_CGMode->Redraw();
    m_Engine.Presenter().PresentFrame();
}

void TVelmorGalleries::LeaveGallery() {
    BackToStory();
    m_Engine.Flow().WindowHidden = false;
    m_Engine.EnterGameMode(TGameMode::Script);
    m_CGMode->Leave();
}

void TVelmorGalleries::GalleryInput(TInputCode code, int x, int y) {
    m_Engine.Flow().Skip = false;
    if (m_CGMode && code == TInputCode::Confirm && x >= 0 && y >= 0) m_CGMode->Click(x, y);
}

void TVelmorGalleries::ResumeGallery() {
    if (!m_CGMode) {
        m_Engine.EnterGameMode(TGameMode::Script);
        return;
    }
    m_CGMode->SetWindow(m_Engine.Scene().Display());
    m_CGMode->Enter();
    m_CGMode->Redraw();
    m_CGMode->Present();
}

void TVelmorGalleries::StartSceneList() {
    if (!m_EventMode) return;
    if (m_SceneReplayActive) {
        SceneEnd();
        return;
    }
    TVelmorScript& script = m_Engine.Script();
    m_EventMode->SetWindow(m_Engine.Scene().Display());
    m_Engine.EnterGameMode(TGameMode::SceneList);
    script.SetSceneReturnPosition(script.Position());
    m_EventMode->Enter();
    m_Engine.Presenter().FadeToMode();
    m_EventMode->Redraw();
    m_Engine.Presenter().PresentFrame();
}

void TVelmorGalleries::StartScene(const std::string& paragraph, const std::string& script) {
    BackToStory();
    bool jumped = false;
    try {
        jumped = m_Engine.Interpreter().CommandJump(paragraph, script);
    } catch (const EEngineError& e) {
        SceneNotStarted(e.Text());
        return;
    }
    m_SceneReplayActive = jumped;
    if (!jumped) return;
    m_Engine.EnterGameMode(TGameMode::Script);
    m_Engine.Flow().WindowHidden = false;
}

void TVelmorGalleries::SceneNotStarted(const std::string& error) {
    // The player stays in the game, on the list drawn again, and is told why nothing played:
    // a black screen with only an unseen exit button would look like a hang.
    m_SceneReplayActive = false;
    m_Engine.AddErrorRecord(error);
    m_Engine.Flow().WindowHidden = false;
    m_EventMode->Redraw();
    m_Engine.Presenter().PresentFrame();
    if (TyxApplication* app = m_Engine.Services().app) app->Warn(error);
}

void TVelmorGalleries::ReturnTo(const TVelmorScriptPosition& position) {
    TVelmorScript& script = m_Engine.Script();
    if (position.Paragraph.empty()) {
        // Opened before any label: there is no label to jump to, only the script.
        if (!yx::SameText(position.Script, script.Position().Script) &&
            !script.Load(position.Script))
            m_Engine.FatalScriptError(SJ("commandJump : ") + position.Script +
                                      SJ(" がロードできません"));
        script.Position().Paragraph.clear();
    } else {
        m_Engine.Interpreter().CommandJump(position.Paragraph, position.Script);
    }
    script.Position().Line = position.Line;
}

void TVelmorGalleries::LeaveSceneList() {
    BackToStory();
    m_Engine.Flow().WindowHidden = false;
    m_Engine.EnterGameMode(TGameMode::Script);
    // Copied: the jump moves the present position.
    const TVelmorScriptPosition back = m_Engine.Script().SceneReturnPosition();
    m_EventMode->Leave();
    ReturnTo(back);
}

void TVelmorGalleries::SceneListInput(TInputCode code, int x, int y) {
    m_Engine.Flow().Skip = false;
    if (m_EventMode && code == TInputCode::Confirm && x >= 0 && y >= 0) m_EventMode->Click(x, y);
}

void TVelmorGalleries::ResumeSceneList() {
    if (!m_EventMode) {
        m_Engine.EnterGameMode(TGameMode::Script);
        return;
    }
    m_EventMode->SetWindow(m_Engine.Scene().Display());
    m_EventMode->Enter();
    m_EventMode->Redraw();
    m_EventMode->Present();
}

void TVelmorGalleries::TitleReturn() {
    TVelmorScript& script = m_Engine.Script();
    if (!script.InTitle()) return;
    m_Engine.Variables().ClearAll(m_Engine.SystemState().Finished);
    // Copied: the jump may change what the title position refers to.
    const TVelmorScriptPosition title = script.TitlePosition();
    if (title.Paragraph.empty()) {
        // A title before any label: there is no label to return to, so restart its script.
        if (!script.Load(title.Script))
            m_Engine.FatalScriptError(SJ("commandJump : ") + title.Script +
                                      SJ(" がロードできません"));
        script.Position().Line = -1;
        script.Position().Paragraph.clear();
    } else {
        m_Engine.Interpreter().CommandJump(title.Paragraph, title.Script);
    }
    m_Engine.EnterGameMode(TGameMode::Script);
    m_Engine.Scene().MessageWindow().SetVisible(false);
    m_Engine.Presenter().ComposeFrame();
}

void TVelmorGalleries::SceneEnd() {
    if (!m_SceneReplayActive) return;
    m_Engine.Flow().PopupEnabled = false;
    m_Engine.EnterGameMode(TGameMode::SceneList);
    m_Engine.Channels().Play(0, TSoundOperation::Stop);
    m_Engine.Channels().Play(1, TSoundOperation::Stop);
    m_Engine.CD().Request(TCDRequest::Stop);
    m_Engine.CD().Request(TCDRequest::Close);
    m_SceneReplayActive = false;
    m_Engine.Presenter().FadeToMode();
    // The page and seen flags of the list's last entry.
    if (m_EventMode) m_EventMode->Redraw();
    m_Engine.Presenter().PresentFrame();
}
