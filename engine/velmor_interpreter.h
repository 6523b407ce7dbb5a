#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "engine/velmor_codes.h"
#include "engine/velmor_idle_wait.h"
#include "engine/velmor_script.h"
#include "resources/string_list.h"

class TSprite;
class TVelmor;
class TVelmorCD;
class TVelmorChoices;
class TVelmorMessage;
class TVelmorPresenter;
class TVelmorScene;
class TVelmorSoundChannels;
class TVelmorVariables;
struct TVelmorFlow;
struct TVelmorSystemData;
struct TVelmorSystemState;

// The interpreter: the tick and the rules that hold the script, the line dispatcher, the
// command, system-command and variable lines, jumps and returns, message lines and their
// reveal, and the player's input in script and choice mode.
class TVelmorInterpreter {
public:
    explicit TVelmorInterpreter(TVelmor& engine);
    TVelmorInterpreter(const TVelmorInterpreter&) = delete;
    TVelmorInterpreter& operator=(const TVelmorInterpreter&) = delete;

    // Runs one line or one reveal step; true when it did either.
    bool Tick();
    // When the script needs the idle loop again after a tick.
    TIdleWait NextWait() const;
    void RunLine(TVelmorScript::LineKind kind);
    // Script lines run since construction (the runner's line limit counts them).
    uint64_t LinesRun() const { return m_LinesRun; }
    // The line that runs, for error records.
    const std::string& PresentLine() const { return m_PresentLine; }
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
    // The timed wait that holds the tick until a deadline.
    void SetTimedWait(uint32_t deadline, std::function<void()> onEnd);
    uint32_t TimedWaitDeadline() const { return m_WaitDeadline; }
    // One reveal step of the message; true when it did something.
    bool RevealStep();
    void GameClearFlagSet(bool flag);
    // The end of the movie (its stop notification or any input).
    void EndMovie();

private:
    uint32_t Now() const;
    void AddErrorRecord(const std::string& message);
    void MessageLine();
    void ShowWindowInput();
    bool WouldWait() const;
    bool MustWait();
    bool LoadLayerPicture(TSprite& layer, const std::string& name);
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
    void LeaveChoice(int index);
    // The tick without what the window shows once it rests.
    bool Step();

    TVelmor& m_Engine;
    TVelmorScene& m_Scene;
    TVelmorMessage& m_Message;
    TVelmorSoundChannels& m_Channels;
    TVelmorPresenter& m_Presenter;
    TVelmorCD& m_CD;
    TVelmorScript& m_Script;
    TVelmorVariables& m_Variables;
    TVelmorChoices& m_Choices;
    TVelmorFlow& m_Flow;
    const TVelmorSystemData& m_Data;
    TVelmorSystemState& m_State;

    std::string m_PresentLine;
    TStringList m_Tokens;
    uint64_t m_LinesRun = 0;
    uint32_t m_WaitDeadline = 0;
    std::function<void()> m_WaitEnd;
    uint32_t m_AutoPlayDeadline = 0;
};
