// The picture gallery and the scene list around the script: entering and leaving their modes,
// the sand-out between them and the story, the replayed scenes and the way back.
#include "engine/velmor.h"
#include "engine/velmor_gallery_mode.h"
#include "engine/velmor_scene_list_mode.h"
#include "modes/cg_mode.h"
#include "modes/event_mode.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

void TVelmorGalleryMode::Input(TInputCode code, int x, int y) {
    m_Engine.GalleryInput(code, x, y);
}

void TVelmorGalleryMode::Resume() {
    m_Engine.ResumeGallery();
}

void TVelmorSceneListMode::Input(TInputCode code, int x, int y) {
    m_Engine.SceneListInput(code, x, y);
}

void TVelmorSceneListMode::Resume() {
    m_Engine.ResumeSceneList();
}

void TVelmor::CreateGalleries() {
    const TGalleryPage::TServices services{m_Scene->Display(), m_Services.pixelFormat,
                                           m_Services.dllRes, m_Services.manager, m_Services.witch};
    if (!m_Data.CGModeProject.empty()) {
        m_CGMode = std::make_unique<TCGMode>(m_Data.CGModeProject, m_State.EventCG,
                                             m_Scene->Screen(), services);
        m_CGMode->OnLeave = [this] { LeaveGallery(); };
    }
    if (!m_Data.EventModeProject.empty()) {
        m_EventMode = std::make_unique<TEventMode>(m_Data.EventModeProject, m_State.EventScene,
                                                   m_Scene->Screen(), services);
        m_EventMode->OnLeave = [this] { LeaveSceneList(); };
        m_EventMode->OnStart = [this](const std::string& paragraph, const std::string& script) {
            StartScene(paragraph, script);
        };
    }
}

void TVelmor::StartGallery() {
    if (!m_CGMode) return;
    m_CGMode->SetWindow(m_Scene->Display());
    EnterGameMode(TGameMode::Gallery);
    m_CGMode->Enter();
    FadeToMode();
    m_CGMode->Redraw();
    PresentFrame();
}

void TVelmor::LeaveGallery() {
    m_Flow.WindowHidden = true;
    RunEffect(10);
    m_Scene->Background().SetVisible(true);
    m_Scene->HideFaces();
    m_Flow.WindowHidden = false;
    EnterGameMode(TGameMode::Script);
    m_CGMode->Leave();
}

void TVelmor::GalleryInput(TInputCode code, int x, int y) {
    m_Flow.Skip = false;
    if (m_CGMode && code == TInputCode::Confirm && x >= 0 && y >= 0) m_CGMode->Click(x, y);
}

void TVelmor::ResumeGallery() {
    if (!m_CGMode) {
        EnterGameMode(TGameMode::Script);
        return;
    }
    m_CGMode->SetWindow(m_Scene->Display());
    m_CGMode->Enter();
    m_CGMode->Redraw();
    m_CGMode->Present();
}

void TVelmor::StartSceneList() {
    if (!m_EventMode) return;
    if (m_SceneReplayActive) {
        SceneEnd();
        return;
    }
    m_EventMode->SetWindow(m_Scene->Display());
    EnterGameMode(TGameMode::SceneList);
    m_Script.SetSceneReturnPosition(m_Script.Position());
    m_EventMode->Enter();
    FadeToMode();
    m_EventMode->Redraw();
    PresentFrame();
}

void TVelmor::StartScene(const std::string& paragraph, const std::string& script) {
    m_Flow.WindowHidden = true;
    RunEffect(10);
    m_Scene->Background().SetVisible(true);
    m_Scene->HideFaces();
    bool jumped = false;
    try {
        jumped = CommandJump(paragraph, script);
    } catch (const EEngineError& e) {
        // A scene that cannot start leaves the player on the list, not out of the game.
        AddErrorRecord(e.Text());
    }
    m_SceneReplayActive = jumped;
    if (!jumped) return;
    EnterGameMode(TGameMode::Script);
    m_Flow.WindowHidden = false;
}

void TVelmor::ReturnTo(const TVelmorScriptPosition& position) {
    if (position.Paragraph.empty()) {
        // Opened before any label: there is no label to jump to, only the script.
        if (!yx::SameText(position.Script, m_Script.Position().Script) &&
            !m_Script.Load(position.Script))
            FatalScriptError(SJ("commandJump : ") + position.Script + SJ(" がロードできません"));
        m_Script.Position().Paragraph.clear();
    } else {
        CommandJump(position.Paragraph, position.Script);
    }
    m_Script.Position().Line = position.Line;
}

void TVelmor::LeaveSceneList() {
    m_Flow.WindowHidden = true;
    RunEffect(10);
    m_Scene->Background().SetVisible(true);
    m_Scene->HideFaces();
    m_Flow.WindowHidden = false;
    EnterGameMode(TGameMode::Script);
    // Copied: the jump moves the present position.
    const TVelmorScriptPosition back = m_Script.SceneReturnPosition();
    m_EventMode->Leave();
    ReturnTo(back);
}

void TVelmor::SceneListInput(TInputCode code, int x, int y) {
    m_Flow.Skip = false;
    if (m_EventMode && code == TInputCode::Confirm && x >= 0 && y >= 0) m_EventMode->Click(x, y);
}

void TVelmor::ResumeSceneList() {
    if (!m_EventMode) {
        EnterGameMode(TGameMode::Script);
        return;
    }
    m_EventMode->SetWindow(m_Scene->Display());
    m_EventMode->Enter();
    m_EventMode->Redraw();
    m_EventMode->Present();
}
