#pragma once
#include <memory>
#include <string>

#include "engine/velmor_codes.h"

class TVelmor;
class TCGMode;
class TEventMode;
struct TVelmorScriptPosition;

// The picture gallery (`cgmode`) and the scene list (`scenemode`) around the script: entering
// and leaving their modes, the replayed scenes and the way back from them, and the return to
// the title paragraph.
class TVelmorGalleries {
public:
    // Builds the pages the project names; they draw into the screen layer.
    explicit TVelmorGalleries(TVelmor& engine);
    ~TVelmorGalleries();
    TVelmorGalleries(const TVelmorGalleries&) = delete;
    TVelmorGalleries& operator=(const TVelmorGalleries&) = delete;

    // The pages, when the project names their description files; null otherwise.
    TCGMode* Gallery() const { return m_CGMode.get(); }
    TEventMode* SceneList() const { return m_EventMode.get(); }
    void StartGallery();
    void StartSceneList();
    // Input in modes 4 and 5: a mouse click reaches the page, nothing else does.
    void GalleryInput(TInputCode code, int x, int y);
    void SceneListInput(TInputCode code, int x, int y);
    // A loaded game that stood in mode 4 or 5 gets its page back.
    void ResumeGallery();
    void ResumeSceneList();
    // The system words that leave a mode: back to the title paragraph (also the save
    // dialog's request), the end of a replayed scene (also the menu action).
    void TitleReturn();
    void SceneEnd();
    bool SceneReplayActive() const { return m_SceneReplayActive; }

private:
    void LeaveGallery();
    void LeaveSceneList();
    void StartScene(const std::string& paragraph, const std::string& script);
    void SceneNotStarted(const std::string& error);
    void ReturnTo(const TVelmorScriptPosition& position);
    void BackToStory();

    TVelmor& m_Engine;
    bool m_SceneReplayActive = false;
    std::unique_ptr<TCGMode> m_CGMode;
    std::unique_ptr<TEventMode> m_EventMode;
};
