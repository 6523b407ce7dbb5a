#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/velmor_cd.h"
#include "engine/velmor_choice_skip.h"
#include "engine/velmor_choices.h"
#include "engine/velmor_codes.h"
#include "engine/velmor_flow.h"
#include "engine/velmor_galleries.h"
#include "engine/velmor_game_mode.h"
#include "engine/velmor_idle_wait.h"
#include "engine/velmor_interpreter.h"
#include "engine/velmor_message.h"
#include "engine/velmor_monitor.h"
#include "engine/velmor_presenter.h"
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
    TVelmorMonitor* Monitor() const { return m_Monitor; }

    const std::string& SystemStatePath() const { return m_StatePath; }
    const std::string& ScriptConfigPath() const { return m_ScriptConfigPath; }
    // Writes the system-state file now; throws EEngineError on failure.
    void WriteSystemState();

    // Game modes.
    TGameMode Mode() const { return m_GameMode; }
    void EnterGameMode(TGameMode mode);
    // Gives a mode its object (the extra modes bring their own); the engine owns it.
    void SetModeObject(TGameMode mode, std::unique_ptr<TVelmorGameMode> object);
    // The present mode's object: the window runs its idle work, its next wait and its input.
    const TVelmorGameMode& ModeObject() const { return *m_Modes[static_cast<size_t>(m_GameMode)]; }
    TVelmorGameMode& ModeObject() { return *m_Modes[static_cast<size_t>(m_GameMode)]; }
    // The object that runs a mode, for tools that drive one (the runner on a map).
    TVelmorGameMode& ModeObjectFor(TGameMode mode) const {
        return *m_Modes[static_cast<size_t>(mode)];
    }

    // The interpreter: the tick, the lines and commands, the script and choice modes' input.
    TVelmorInterpreter& Interpreter() { return *m_Interpreter; }
    const TVelmorInterpreter& Interpreter() const { return *m_Interpreter; }
    // What the player sees: composing, presenting, held frames, effects.
    TVelmorPresenter& Presenter() { return *m_Presenter; }
    // The game's CD and the requests sent to the window's CD control.
    TVelmorCD& CD() const { return *m_CD; }
    // The gallery, the scene list and the returns to the story.
    TVelmorGalleries& Galleries() { return *m_Galleries; }
    const TVelmorGalleries& Galleries() const { return *m_Galleries; }
    // The message flow: click wait, busy, skip, auto play, hidden window, the context menu
    // switch.
    TVelmorFlow& Flow() { return m_Flow; }
    const TVelmorFlow& Flow() const { return m_Flow; }
    // Skipping on to the next choice (F3).
    TVelmorChoiceSkip& ChoiceSkip() { return m_ChoiceSkip; }
    // An error record "line: message : present line" for the information window.
    void AddErrorRecord(const std::string& message);
    [[noreturn]] void FatalScriptError(const std::string& message);

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
    // After a saved game was taken over: the CD, then the four channels.
    void RestoreSound();

private:
    void WarnOfProjectText() const;
    void ReportRefusedStateName();
    void CreateModeObjects();

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
    std::unique_ptr<TVelmorCD> m_CD;

    TGameMode m_GameMode = TGameMode::None;
    // Before the modes: the plug-in mode borrows it.
    std::unique_ptr<TVelmorPlugin> m_Plugin;
    std::array<std::unique_ptr<TVelmorGameMode>, kGameModeCount> m_Modes;

    TVelmorFlow m_Flow;
    TVelmorChoiceSkip m_ChoiceSkip{*this};
    std::unique_ptr<TVelmorPresenter> m_Presenter;
    std::unique_ptr<TVelmorInterpreter> m_Interpreter;
    // Declared last: the pages draw into the screen layer and must go before it.
    std::unique_ptr<TVelmorGalleries> m_Galleries;
};
