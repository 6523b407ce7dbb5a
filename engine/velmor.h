#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/velmor_choices.h"
#include "engine/velmor_codes.h"
#include "engine/velmor_flow.h"
#include "engine/velmor_game_mode.h"
#include "engine/velmor_idle_wait.h"
#include "engine/velmor_message.h"
#include "engine/velmor_monitor.h"
#include "engine/velmor_scene.h"
#include "engine/velmor_script.h"
#include "engine/velmor_snapshot.h"
#include "engine/velmor_sound_channels.h"
#include "engine/velmor_system_data.h"
#include "engine/velmor_system_state.h"
#include "engine/velmor_variables.h"
#include "resources/string_list.h"

class TyxApplication;
class TyxDllRes;
class TyxWitch;
class TyxBCLManager;
class TDisplaySurface;
class TVelmorPlugin;
class TCGMode;
class TEventMode;
class TyxCDAudio;

// The script engine: the project's settings, the player's state and the game's parts (the
// script and its positions, the variables, the layers, the message, the sound channels, the
// choices), the game modes, and the operations scripts and the window drive it with.
class TVelmor {
public:
    // What the engine borrows from the window for its whole life; clock and app are needed.
    struct TServices {
        platform::Clock* clock = nullptr;
        TyxApplication* app = nullptr;
        TyxDllRes* dllRes = nullptr;
        TyxWitch* witch = nullptr;
        TyxBCLManager* manager = nullptr;
        TDisplaySurface* display = nullptr;
        TStringList* errorList = nullptr;
        uint8_t pixelFormat = 7;
    };
    // What the engine reports and asks of the window as it plays; all may stay empty.
    struct THooks {
        // The main window's CD control.
        std::function<void(TCDRequest)> cdControl;
        // Opens and starts a movie over the game window; false when it cannot.
        std::function<bool(const std::string& path)> moviePlayer;
        // Stops the movie that plays; the end of the movie calls it.
        std::function<void()> movieStopper;
        std::function<void()> variablesChanged;
        std::function<void(const std::string&)> messageLogged;
        // A record was added to the error list.
        std::function<void()> errorRecorded;
    };

    // Throws EEngineError when the start script cannot be loaded.
    TVelmor(const std::string& scriptConfigPath, const std::string& fontName,
            const TServices& services);
    // Writes the system state; a write failure is reported, never thrown.
    ~TVelmor();
    TVelmor(const TVelmor&) = delete;
    TVelmor& operator=(const TVelmor&) = delete;

    // The parts.
    const TVelmorSystemData& SystemData() const { return m_Data; }
    TVelmorSystemState& SystemState() { return m_State; }
    const TVelmorSystemState& SystemState() const { return m_State; }
    TVelmorScript& Script() { return m_Script; }
    const TVelmorScript& Script() const { return m_Script; }
    TVelmorVariables& Variables() { return m_Variables; }
    const TVelmorVariables& Variables() const { return m_Variables; }
    TVelmorScene& Scene() { return *m_Scene; }
    const TVelmorScene& Scene() const { return *m_Scene; }
    TVelmorMessage& Message() { return *m_Message; }
    const TVelmorMessage& Message() const { return *m_Message; }
    TVelmorSoundChannels& Channels() { return *m_Channels; }
    const TVelmorSoundChannels& Channels() const { return *m_Channels; }
    TVelmorChoices& Choices() { return m_Choices; }
    const TVelmorChoices& Choices() const { return m_Choices; }
    THooks& Hooks() { return m_Hooks; }
    const TServices& Services() const { return m_Services; }
    void SetMonitor(TVelmorMonitor* monitor);

    const std::string& SystemStatePath() const { return m_StatePath; }
    const std::string& ScriptConfigPath() const { return m_ScriptConfigPath; }
    // Writes the system-state file now; throws EEngineError on failure.
    void WriteSystemState();

    // Game modes.
    TGameMode Mode() const { return m_GameMode; }
    void EnterGameMode(TGameMode mode);
    // Gives a mode its object (the extra modes bring their own); the engine owns it.
    void SetModeObject(TGameMode mode, std::unique_ptr<TVelmorGameMode> object);
    const TVelmorGameMode& ModeObject() const { return *m_Modes[static_cast<size_t>(m_GameMode)]; }
    TVelmorGameMode& ModeObject() { return *m_Modes[static_cast<size_t>(m_GameMode)]; }
    // The object that runs a mode, for tools that drive one (the runner on a map).
    TVelmorGameMode& ModeObjectFor(TGameMode mode) const {
        return *m_Modes[static_cast<size_t>(mode)];
    }
    // The present mode's idle work, its next wait and its input.
    bool Idle() { return ModeObject().Idle(); }
    TIdleWait IdleWait() const { return ModeObject().NextWait(); }
    void Input(TInputCode code, int x, int y) { ModeObject().Input(code, x, y); }
    void MouseMove(int x, int y) { ModeObject().MouseMove(x, y); }

    // The interpreter. Tick runs one line or one reveal step; true when it did either.
    bool Tick();
    // When the script needs the idle loop again after a tick.
    TIdleWait NextWait() const;
    void RunLine(TVelmorScript::LineKind kind);
    // Script lines run since construction (the runner's line limit counts them).
    uint64_t LinesRun() const { return m_LinesRun; }
    // Cuts line into the token list: quoted runs are one token, empty tokens are dropped.
    void Tokenise(const std::string& line, const char* delimiters);
    const TStringList& Tokens() const { return m_Tokens; }
    static constexpr const char* kCommandDelimiters = "* ,";
    static constexpr const char* kVariableDelimiters = "? ,*";
    static constexpr const char* kSystemDelimiters = ": ,";
    void ScriptCommandExecute(const TStringList& tokens);
    void ScriptSVCParser(const std::string& line);
    void ScriptSetFlag(const std::string& line);
    // Fatal (EEngineError) when the script cannot be loaded or the label is missing.
    bool CommandJump(const std::string& paragraph, const std::string& script);
    void CommandReturn();
    // A script dropped on the window in developer mode: runs from its first line.
    bool LoadDroppedScript(const std::string& name);
    // The player's input in script mode, and in choice mode.
    void ScriptModeInput(TInputCode code, int x, int y);
    void ChoiceInput(TInputCode code, int x, int y);
    void ChoiceHover(int x, int y);
    void AddErrorRecord(const std::string& message);
    [[noreturn]] void FatalScriptError(const std::string& message);

    // The message flow: click wait, busy, skip, auto play, hidden window, the context menu
    // switch; and the timed wait that holds the tick until a deadline.
    TVelmorFlow& Flow() { return m_Flow; }
    const TVelmorFlow& Flow() const { return m_Flow; }
    void SetTimedWait(uint32_t deadline, std::function<void()> onEnd);
    uint32_t TimedWaitDeadline() const { return m_WaitDeadline; }
    // One reveal step of the message; true when it did something.
    bool RevealStep();

    // The screen: layers onto the screen layer (in a mode that shows the message, this
    // (re)starts the reveal, or draws the whole message when animation is off), then to the
    // display, cross-fading when a change asked for it.
    enum class TReveal { Restart, Keep };
    void ComposeFrame(TReveal reveal = TReveal::Restart);
    void PresentFrame();
    // Message frames nobody can see are not composed: while skipping, those between the
    // display's frames; with frames on demand (a host that looks only when it says so), all
    // of a message flow without reveal. FlushFrame composes and presents the one held back;
    // anything that reads the screen layer or the display calls it first.
    void SetFramesOnDemand(bool onDemand) { m_FramesOnDemand = onDemand; }
    void FlushFrame();
    static constexpr uint32_t kSkipFrameMs = 16;
    // The effect dispatcher: runs effect number on the layer it belongs to; 0 does nothing.
    void RunEffect(int number);
    // Dissolves from what the screen layer holds to the background layer.
    void CrossFadeToBackground(int durationMs);
    // The layer loads the picture, retrying once on the CD folder; on success it shows.
    bool LoadLayerPicture(TSprite& layer, const std::string& name);
    // The player's message font (the options dialog).
    void SetMessageFont(const std::string& name);

    // Sound: channels 0 to 3, the one entry for sampled sound.
    bool SoundPlayer(int channel, TSoundOperation operation) {
        return m_Channels->Play(channel, operation);
    }
    // After a saved game was taken over: the CD, then the four channels.
    void RestoreSound();
    void CDControlRequest(TCDRequest request) {
        if (m_Hooks.cdControl) m_Hooks.cdControl(request);
    }
    const std::string& CDDrive() const { return m_CDDrive; }
    // The CD device; null when no drive was found and no ripped tracks stand in for one.
    TyxCDAudio* CDAudio() const { return m_CDAudio.get(); }
    // The game's ripped tracks (a "CD" folder beside the project file, any letter case) that
    // stand in for a drive; empty when the project names no CD or has no such folder.
    const std::string& CDTrackFolder() const { return m_CDTrackFolder; }
    // Locates the game's CD from a project value; empty when none (messages shown unless
    // quiet).
    static std::string LocateCD(const std::string& value, TyxApplication& app, bool quiet = false);

    // The system words that leave a mode: back to the title paragraph (also the save dialog's
    // request), the end of a replayed scene (also the menu action), the end of the movie.
    void TitleReturn();
    void SceneEnd();
    bool SceneReplayActive() const { return m_SceneReplayActive; }
    // The gallery (`cgmode`) and the scene list (`scenemode`), when the project names their
    // description files; null otherwise.
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
    void EndMovie();
    void GameClearFlagSet(bool flag);
    // Variables emptied but for the game-cleared flag.
    void ClearAllVariables() { m_Variables.ClearAll(m_State.Finished); }

    // Plug-ins: the host, and the services it lends them.
    TVelmorPlugin& Plugin() { return *m_Plugin; }

    // Saved games: the state a save holds, taken over whole; pictures are loaded into their
    // layers. ResumeLoaded then continues play from it: false, changing nothing it cannot
    // undo, when its script cannot be loaded.
    TVelmorSnapshot Snapshot() const;
    void Restore(const TVelmorSnapshot& snapshot);
    // Whether a saved game's positions name scripts there are and lines inside them.
    bool SnapshotFits(const TVelmorSnapshot& snapshot) const;
    bool ResumeLoaded(TGameMode rememberedMode, const std::string& rememberedScript);

private:
    void WarnOfProjectText() const;
    std::string ResolveSystemStatePath() const;
    void ReportRefusedStateName();
    uint32_t Now() const;
    void CreateModeObjects();
    void MessageLine();
    void ShowWindowInput();
    bool WouldWait() const;
    bool MustWait();
    void CommandLayerHide(const TStringList& tokens);
    void CommandWait(const TStringList& tokens);
    void CommandIn(const TStringList& tokens);
    void CommandOut(const TStringList& tokens);
    void CommandPan(const TStringList& tokens, const char* word);
    void CommandCross(const TStringList& tokens);
    void CommandCD(const TStringList& tokens);
    void CommandChannel(int channel, const TStringList& tokens);
    void CommandAvi(const TStringList& tokens);
    void CommandBasePointSet(const TStringList& tokens);
    void CommandMiniFace(const std::string& picture);
    void CommandSelect();
    void CommandJunction(const TStringList& tokens);
    void MarkEventSeen(const std::string& file);
    void FadeToMode();
    void LeaveChoice(int index);

    std::string m_ScriptConfigPath;
    TServices m_Services;
    TVelmorSystemData m_Data;
    TVelmorSystemState m_State;
    std::string m_StatePath;
    TVelmorScript m_Script;
    TVelmorVariables m_Variables;
    std::unique_ptr<TVelmorScene> m_Scene;
    std::unique_ptr<TVelmorMessage> m_Message;
    std::unique_ptr<TVelmorSoundChannels> m_Channels;
    TVelmorChoices m_Choices;
    THooks m_Hooks;
    TVelmorMonitor* m_Monitor = nullptr;
    std::string m_CDDrive;
    std::string m_CDTrackFolder;
    std::unique_ptr<TyxCDAudio> m_CDAudio;

    TGameMode m_GameMode = TGameMode::None;
    // Before the modes: the plug-in mode borrows it.
    std::unique_ptr<TVelmorPlugin> m_Plugin;
    std::array<std::unique_ptr<TVelmorGameMode>, kGameModeCount> m_Modes;

    TVelmorFlow m_Flow;
    bool m_SceneReplayActive = false;
    std::string m_PresentLine;
    TStringList m_Tokens;
    uint64_t m_LinesRun = 0;
    bool m_FramesOnDemand = false;
    bool m_FramePending = false;
    bool m_RevealHeld = false;  // the held frame's message is being revealed unseen
    uint32_t m_LastPresent = 0;
    bool DeferFrame() const;
    uint32_t m_WaitDeadline = 0;
    std::function<void()> m_WaitEnd;
    uint32_t m_AutoPlayDeadline = 0;

    // Galleries. Declared last: they draw into the screen layer and must go before it.
    void CreateGalleries();
    void LeaveGallery();
    void LeaveSceneList();
    void StartScene(const std::string& paragraph, const std::string& script);
    void ReturnTo(const TVelmorScriptPosition& position);
    std::unique_ptr<TCGMode> m_CGMode;
    std::unique_ptr<TEventMode> m_EventMode;
};
