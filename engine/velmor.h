#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/velmor_codes.h"
#include "engine/velmor_game_mode.h"
#include "engine/velmor_idle_wait.h"
#include "engine/velmor_int_variable.h"
#include "engine/velmor_monitor.h"
#include "engine/velmor_script_position.h"
#include "engine/velmor_selector.h"
#include "engine/velmor_system_data.h"
#include "engine/velmor_system_state.h"
#include "graphics/display_surface.h"
#include "graphics/sprite.h"
#include "resources/string_list.h"

class TyxDllRes;
class TyxWitch;
class TyxBCLManager;
class TyxDSPlayer;
class TMemoryStream;

// The script engine: the project's settings, the player's state, the script and its layers.
class TVelmor {
public:
    // The main window's CD control.
    using CDControl = std::function<void(TCDRequest request)>;

    // Throws EEngineError when the start script cannot be loaded.
    TVelmor(const std::string& scriptConfigPath, TyxDllRes* dllRes, TStringList* errorList,
            TStringList* historyList, const std::string& fontName, uint8_t pixelFormat,
            TDisplaySurface* display, TyxWitch* witch, TyxBCLManager* manager);
    // Writes the system state; a write failure is reported, never thrown.
    ~TVelmor();
    TVelmor(const TVelmor&) = delete;
    TVelmor& operator=(const TVelmor&) = delete;

    // Writes the system-state file now; throws EEngineError on failure.
    void WriteSystemState();

    const TVelmorSystemData& SystemData() const { return m_Data; }
    TVelmorSystemState& SystemState() { return m_State; }
    const TVelmorSystemState& SystemState() const { return m_State; }
    const std::string& SystemStatePath() const { return m_StatePath; }
    const std::string& ScriptConfigPath() const { return m_ScriptConfigPath; }
    int ScreenWidth() const { return m_Data.Width; }
    int ScreenHeight() const { return m_Data.Height; }
    const std::string& Title() const { return m_Data.Title; }

    // Scripts and positions.
    enum LineKind : uint8_t {
        kLineEmpty,
        kLineComment,
        kLineLabel,
        kLineCommand,
        kLineSystem,
        kLineVariable,
        kLineEnd,
        kLineMessage
    };
    bool LoadScript(const std::string& name);
    const TStringList& ScriptLines() const { return m_ScriptLines; }
    const TVelmorScriptPosition& Position() const { return m_Position; }
    const TVelmorScriptPosition& JumpBuffer() const { return m_JumpBuffer; }
    const TVelmorScriptPosition& TitlePosition() const { return m_TitlePosition; }
    // A script dropped on the window in developer mode: runs from its first line.
    bool LoadDroppedScript(const std::string& name);
    static LineKind ClassifyLine(const std::string& line);
    // The line at Line; past the end, or with no script, the end of the scenario.
    LineKind ClassifyPresentLine() const;
    // Cuts line into the token list: quoted runs are one token, empty tokens are dropped.
    void Tokenise(const std::string& line, const char* delimiters);
    const TStringList& Tokens() const { return m_Tokens; }
    void MarkParagraph(const std::string& label);
    bool ParagraphRead() const { return m_ParagraphRead; }
    // Fatal (EEngineError) when the script cannot be loaded or the label is missing.
    bool CommandJump(const std::string& paragraph, const std::string& script);
    void CommandReturn();
    static constexpr const char* kCommandDelimiters = "* ,";
    static constexpr const char* kVariableDelimiters = "? ,*";
    static constexpr const char* kSystemDelimiters = ": ,";

    // The interpreter. Tick runs one line or one reveal step; true when it did either.
    bool Tick();
    bool MustWait();
    void RunLine(LineKind kind);
    // When the script needs the idle loop again after a tick.
    TIdleWait NextWait() const;
    // Script lines run since construction (the runner's line limit counts them).
    uint64_t LinesRun() const { return m_LinesRun; }
    // The present mode's idle work, its next wait, its input and what its menu allows.
    bool Idle();
    TIdleWait IdleWait() const;
    void Input(TInputCode code, int x, int y);
    void MouseMove(int x, int y);
    TVelmorGameMode::TMenu ModeMenu() const { return ModeObject().Menu(); }
    bool ModeAcceptsSkip() const { return ModeObject().AcceptsSkip(); }
    void ResumeMode() { ModeObject().Resume(); }
    void ScriptModeInput(TInputCode code, int x, int y);
    // Gives a mode its object (the extra modes bring their own); the engine owns it.
    void SetModeObject(TGameMode mode, std::unique_ptr<TVelmorGameMode> object);
    [[noreturn]] void FatalScriptError(const std::string& message);

    // Commands.
    void ScriptCommandExecute(const TStringList& tokens);
    // The layer loads the picture, retrying once on the CD folder; on success it shows.
    bool LoadLayerPicture(TSprite& layer, const std::string& name);
    // The effect dispatcher: runs effect number on the layer it belongs to; 0 does nothing.
    void RunEffect(int number);
    // Dissolves from what the screen layer holds to the background layer.
    void CrossFadeToBackground(int durationMs);
    int MiniFaceSlot() const { return m_MiniFaceSlot; }
    // Sound channels 0 to 3: operation 1 load, 2 play once, 3 stop, 5 play looped.
    bool SoundPlayer(int channel, TSoundOperation operation);
    const std::string& ChannelFile(int channel) const { return m_ChannelFiles[channel & 3]; }
    int32_t CDTrack() const { return m_CDTrack; }
    const TVelmorScriptPosition& SoundPlayedPosition() const { return m_SoundPosition; }
    const TVelmorScriptPosition& VoicePlayedPosition() const { return m_VoicePosition; }
    // The sampled-sound player; null once the main window found no sound device.
    TyxDSPlayer* SoundDevice() const { return m_Player.get(); }
    // Opens the output (2 channels, 16 bits, 44100 per second); onEnd runs on a worker thread.
    bool InitializeSound(std::function<void(int slot)> onEnd);
    void DestroySoundPlayer();
    // Every slot's volume from the system state, channels 0 to 3.
    void ApplyVolumes();
    // After a saved game's channel names were taken over: the CD, then the four channels.
    void RestoreSound();
    void SetChannelFile(int channel, const std::string& name) {
        m_ChannelFiles[channel & 3] = name;
    }
    // Opens and starts a movie over the game window; false when it cannot.
    using MoviePlayer = std::function<bool(const std::string& path)>;
    void SetMoviePlayer(MoviePlayer player) { m_MoviePlayer = std::move(player); }
    // Stops the movie that plays; EndMovie calls it.
    void SetMovieStopper(std::function<void()> stopper) { m_MovieStopper = std::move(stopper); }
    // The movie ended (its end, a click or a key): back to the script, once.
    void EndMovie();

    // Choices.
    int ChoiceCount() const { return m_ChoiceCount; }
    const TVelmorSelector& Choice(int i) const { return m_Selectors[i & 3]; }
    int HighlightedChoice() const { return m_Highlighted; }
    bool KeyboardSelection() const { return m_KeyboardSelection; }
    void ChoiceInput(TInputCode code, int x, int y);
    void ChoiceHover(int x, int y);
    // Within the composition in choice mode, after the message window.
    void DrawChoices();
    void ScriptSVCParser(const std::string& line);
    void ScriptSetFlag(const std::string& line);
    // The title: whether `title` ran, and where. The save data keeps and restores both.
    bool InTitle() const { return m_InTitle; }
    void SetTitle(bool inTitle, const TVelmorScriptPosition& position) {
        m_InTitle = inTitle;
        m_TitlePosition = position;
    }
    // Back to the title paragraph (also the save dialog's request); nothing before `title`.
    void TitleReturn();
    // Leaves a replayed scene for the scene list (also the menu action); else nothing.
    void SceneEnd();
    bool SceneReplayActive() const { return m_SceneReplayActive; }
    const TVelmorScriptPosition& SceneReturnPosition() const { return m_SceneReturnPosition; }

    // Variables.
    const std::vector<TVelmorIntVariable>& Variables() const { return m_Variables; }
    // False only for an empty name.
    bool SetIntVariable(const std::string& name, int32_t value);
    // False when no variable has that name (compared without regard to case).
    bool GetIntVariable(const std::string& name, int32_t& value) const;
    // A number (hexadecimal forms too), else the value of the variable of that name.
    bool ParseValue(const std::string& token, int32_t& value) const;
    void ClearAllVariables();
    void GameClearFlagSet(bool flag);
    std::function<void()> OnVariablesChanged;

    // Errors and history.
    void AddErrorRecord(const std::string& message);
    TStringList* ErrorList() const { return m_ErrorList; }
    TStringList& HistoryList() { return *m_History; }
    std::function<void(const std::string&)> OnMessageLogged;
    void SetMonitor(TVelmorMonitor* monitor) { m_Monitor = monitor; }

    TGameMode Mode() const { return m_GameMode; }
    void EnterGameMode(TGameMode mode);
    void ClearKeyboardSelection() { m_KeyboardSelection = false; }
    bool ClickWait() const { return m_ClickWait; }
    void SetClickWait(bool on) { m_ClickWait = on; }
    bool Busy() const { return m_Busy; }
    void SetBusy(bool on) { m_Busy = on; }
    bool Skip() const { return m_Skip; }
    void SetSkip(bool on) { m_Skip = on; }
    bool AutoPlay() const { return m_AutoPlay; }
    void SetAutoPlay(bool on) { m_AutoPlay = on; }
    bool WindowHidden() const { return m_WindowHidden; }
    void SetWindowHidden(bool on) { m_WindowHidden = on; }
    // The next presentation cross-fades (over 1000 ms with crossfade, else 200 ms).
    void SetRedraw(bool redraw, bool crossfade = false) {
        m_Redraw = redraw;
        m_Crossfade = crossfade;
    }
    bool Redraw() const { return m_Redraw; }
    bool Crossfade() const { return m_Crossfade; }
    bool PopupEnabled() const { return m_PopupEnabled; }
    void SetPopupEnabled(bool on) { m_PopupEnabled = on; }
    // The timed wait: the tick holds until the tick count reaches deadline, then runs onEnd.
    void SetTimedWait(uint32_t deadline, std::function<void()> onEnd);
    uint32_t TimedWaitDeadline() const { return m_WaitDeadline; }

    // The message and its reveal.
    const std::string& MessageText() const { return m_Message; }
    bool Animating() const { return m_Animating; }
    int32_t Revealed() const { return m_Revealed; }
    void StartReveal();
    bool RevealStep();
    void DrawMessage();

    // Scene.
    TSprite& ScreenLayer() { return *m_Screen; }
    TSprite& BackgroundLayer() { return *m_Background; }
    TSprite& FaceLayer() { return *m_Face; }
    TSprite& MessageWindowLayer() { return *m_MessageWindow; }
    int MiniFaceCount() const { return static_cast<int>(m_MiniFaces.size()); }
    TSprite& MiniFaceLayer(int i) { return *m_MiniFaces.at(static_cast<size_t>(i)); }
    // Layers onto the screen layer; in script mode with the window shown this (re)starts the
    // reveal, or draws the whole message when animation is off.
    void ComposeFrame();
    // Shows the screen layer on the display and clears redraw and crossfade.
    void PresentFrame();
    void SetDisplay(TDisplaySurface* display) { m_Display = display; }
    // Duration of the last cross-fade PresentFrame ran (200 or 1000 ms), 0 before any.
    uint32_t LastCrossFadeMs() const { return m_LastCrossFadeMs; }

    // Text geometry derived from the message window.
    const TRect& TextArea() const { return m_TextArea; }
    const TRect& ShadowRect(int i) const { return m_ShadowRects[i]; }
    const TRect& ChoiceRow(int i) const { return m_ChoiceRows[i]; }
    int FontHeight() const { return m_FontHeight; }

    // The player's message font (the options dialog).
    void SetMessageFont(const std::string& name) {
        m_State.FontName = name;
        m_Screen->SetFontName(name);
    }
    // Saved games: the state a save holds, taken over as it is; the caller resumes play.
    void SetGameModeValue(TGameMode mode) { m_GameMode = mode; }
    void SetPosition(const TVelmorScriptPosition& position) { m_Position = position; }
    void SetJumpBuffer(const TVelmorScriptPosition& position) { m_JumpBuffer = position; }
    void SetChoiceCount(int count) { m_ChoiceCount = count < 0 ? 0 : count > 4 ? 4 : count; }
    void SetChoice(int i, const TVelmorSelector& choice) { m_Selectors[i & 3] = choice; }
    // The rotation indexes the slots, so a slot the project does not have becomes the first.
    void SetMiniFaceSlot(int32_t slot) {
        m_MiniFaceSlot = slot >= 0 && slot < MiniFaceCount() ? slot : 0;
    }
    const std::string& MiniFaceKey(int i) const { return m_MiniFaceKeys[i & 7]; }
    void SetMiniFaceKey(int i, const std::string& key) { m_MiniFaceKeys[i & 7] = key; }
    void SetCDTrack(int32_t track) { m_CDTrack = track; }
    // The paragraphs of the played positions are not saved, so they stay as they were.
    void SetSoundPlayedPosition(const std::string& script, int32_t line) {
        m_SoundPosition.Script = script;
        m_SoundPosition.Line = line;
    }
    void SetVoicePlayedPosition(const std::string& script, int32_t line) {
        m_VoicePosition.Script = script;
        m_VoicePosition.Line = line;
    }
    void ReplaceVariables(std::vector<TVelmorIntVariable> variables) {
        m_Variables = std::move(variables);
    }

    // CD.
    void SetCDControl(CDControl control) { m_CDControl = std::move(control); }
    void CDControlRequest(TCDRequest request) {
        if (m_CDControl) m_CDControl(request);
    }
    const std::string& CDDrive() const { return m_CDDrive; }

    // Locates the game's CD from a project value; empty when none (messages shown).
    static std::string LocateCD(const std::string& value);

private:
    void BuildLayers();
    void DeriveGeometry();
    std::unique_ptr<TSprite> NewLayer();
    std::string ResolveSystemStatePath() const;

    std::string m_ScriptConfigPath;
    TyxDllRes* m_DllRes;
    TStringList* m_ErrorList;
    std::string m_FontName;
    uint8_t m_PixelFormat;
    TDisplaySurface* m_Display;
    TyxWitch* m_Witch;
    TyxBCLManager* m_Manager;

    TVelmorSystemData m_Data;
    TVelmorSystemState m_State;
    std::string m_StatePath;

    TStringList m_ScriptLines;
    TVelmorScriptPosition m_Position;
    TVelmorScriptPosition m_JumpBuffer;
    TVelmorScriptPosition m_TitlePosition;
    TVelmorScriptPosition m_SceneReturnPosition;
    TVelmorScriptPosition m_SoundPosition;
    TVelmorScriptPosition m_VoicePosition;
    std::vector<TVelmorIntVariable> m_Variables;
    std::string m_ChannelFiles[4];
    void CreateSoundChannels();
    TyxDSPlayer* LivePlayer() const;
    // The streams outlive the player whose workers read them.
    std::unique_ptr<TMemoryStream> m_ChannelStreams[4];
    std::unique_ptr<TyxDSPlayer> m_Player;
    int32_t m_CDTrack = 0;

    std::unique_ptr<TSprite> m_Screen, m_Background, m_Face, m_MessageWindow;
    std::vector<std::unique_ptr<TSprite>> m_MiniFaces;

    TRect m_TextArea;
    TRect m_ShadowRects[8];
    TRect m_ChoiceRows[4];
    int m_FontHeight = 0;
    bool m_MessageDraw = true;
    bool m_ShadowDraw = true;

    TGameMode m_GameMode = TGameMode::None;
    std::array<std::unique_ptr<TVelmorGameMode>, kGameModeCount> m_Modes;
    TVelmorGameMode& ModeObject() const { return *m_Modes[static_cast<size_t>(m_GameMode)]; }
    void CreateModeObjects();
    bool m_ClickWait = false;
    bool m_PopupEnabled = false;
    bool m_AutoPlay = false;
    bool m_ParagraphRead = false;
    bool m_Redraw = false;
    bool m_Crossfade = false;
    bool m_Busy = false;
    bool m_Skip = false;
    bool m_WindowHidden = false;
    bool m_InTitle = false;
    bool m_SceneReplayActive = false;

    // Interpreter.
    void MessageLine();
    void ShowWindowInput();
    bool WouldWait() const;
    std::string m_PresentLine;
    TStringList m_Tokens;
    uint64_t m_LinesRun = 0;
    bool m_Animating = false;
    uint32_t m_WaitDeadline = 0;
    std::function<void()> m_WaitEnd;
    uint32_t m_AutoPlayDeadline = 0;
    std::string m_Message;
    int32_t m_Total = 0;
    int32_t m_Revealed = 1;
    TPoint m_TextPen;
    TPoint m_ShadowPens[8];
    uint32_t m_LastCrossFadeMs = 0;
    // Scene presentation.
    void RunCrossFade(uint32_t durationMs);
    int LinePitch() const;
    TVelmorMonitor* m_Monitor = nullptr;

    std::unique_ptr<TStringList> m_OwnHistory;
    TStringList* m_History;
    CDControl m_CDControl;
    std::string m_CDDrive;

    // Commands.
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
    void CommandAddSel(const TStringList& tokens);
    void CommandSelect();
    void MarkEventSeen(const std::string& file);
    void HideFaces();
    // System commands.
    void CommandJunction(const TStringList& tokens);
    void FadeToMode();
    void LeaveChoice(int index);
    int32_t m_MiniFaceSlot = 0;
    std::string m_MiniFaceKeys[8];
    MoviePlayer m_MoviePlayer;
    std::function<void()> m_MovieStopper;
    TVelmorSelector m_Selectors[4];
    int32_t m_ChoiceCount = 0;
    int32_t m_Highlighted = -1;
    bool m_KeyboardSelection = false;
};
