// The command runners: command lines (and commands run by a holding comparison) and system
// command lines. Words are tested in a fixed order, without regard to case.
#include <algorithm>

#include "engine/velmor.h"
#include "engine/velmor_interpreter.h"
#include "engine/velmor_busy_scope.h"
#include "engine/velmor_effect_parser.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

namespace {
enum Command {
    kE,
    kB,
    kF,
    kM,
    kHide,
    kShow,
    kWait,
    kClickWait,
    kJump,
    kReturn,
    kClrSel,
    kAddSel,
    kSelect,
    kIn,
    kOut,
    kScroll,
    kTumble,
    kEffect,
    kCross,
    kCD,
    kBgm,
    kBge,
    kSound,
    kVoice,
    kAvi,
    kBasePointSet,
    kUnknown
};

// Every command word, in the order the runner tests them.
const char* const kCommandWords[] = {
    "e",      "b",      "f",      "m",      "hide",  "show", "wait",   "clickwait",   "jump",
    "return", "clrsel", "addsel", "select", "in",    "out",  "scroll", "tumble",      "effect",
    "cross",  "cd",     "bgm",    "bge",    "sound", "v",    "avi",    "basepointset"};

Command CommandOf(const std::string& word) {
    for (size_t i = 0; i < std::size(kCommandWords); ++i)
        if (yx::SameText(kCommandWords[i], word)) return static_cast<Command>(i);
    return kUnknown;
}

// Commands that neither draw nor change what a frame is composed of.
bool LeavesSceneAlone(Command command) {
    switch (command) {
        case kWait:
        case kJump:
        case kReturn:
        case kClrSel:
        case kAddSel:
        case kCD:
        case kBgm:
        case kBge:
        case kSound:
        case kVoice:
            return true;
        default:
            return false;
    }
}

std::string TooFew(const char* word) {
    return SJ("scriptCommandExecute : ") + word + SJ(" コマンドの引数が足りません");
}

std::string BadParameter(const std::string& param) {
    return SJ("scriptCommandExecute : パラメータが異常です param=") + param;
}

// An anchor code token; 5 (the centre) when it is not a number.
int AnchorOf(const std::string& token) {
    int32_t v;
    return yx::TryStrToInt(token, v) ? v : 5;
}
}  // namespace

void TVelmorInterpreter::ScriptCommandExecute(const TStringList& tokens) {
    if (tokens.empty()) return;
    const Command command = CommandOf(tokens[0]);
    if (!LeavesSceneAlone(command)) m_Presenter.BeforeSceneChange();
    const bool hasArg = tokens.size() >= 2;
    const std::string arg = hasArg ? tokens[1] : std::string();
    switch (command) {
        case kE:
        case kB:
            if (!hasArg) return AddErrorRecord(TooFew(command == kE ? "e" : "b"));
            if (LoadLayerPicture(m_Scene.Background(), arg))
                m_Scene.SetRedraw(true, true);
            else
                AddErrorRecord(arg + SJ(" が見つかりません"));
            if (command == kE) {
                m_Scene.HideFaces();
                MarkEventSeen(arg);
            }
            return;
        case kF:
            if (!hasArg) return AddErrorRecord(TooFew("f"));
            if (LoadLayerPicture(m_Scene.Face(), arg))
                m_Scene.SetRedraw(true, m_Scene.Crossfade());
            else
                AddErrorRecord(SJ("scriptCommandExecute : ") + arg + SJ(" が見つかりません"));
            return;
        case kM:
            if (!hasArg) return AddErrorRecord(TooFew("m"));
            return CommandMiniFace(arg);
        case kHide:
            return CommandLayerHide(tokens);
        case kShow:
            m_Scene.MessageWindow().SetVisible(true);
            return;
        case kWait:
            return CommandWait(tokens);
        case kClickWait:
            m_Scene.MessageWindow().SetVisible(false);
            m_Flow.ClickWait = true;
            m_Presenter.ComposeFrame();
            return;
        case kJump:
            if (!hasArg) return AddErrorRecord(TooFew("jump"));
            CommandJump(arg, tokens.size() > 2 ? tokens[2] : std::string());
            return;
        case kReturn:
            return CommandReturn();
        case kClrSel:
            m_Choices.Clear();
            return;
        case kAddSel: {
            std::string error;
            if (!m_Choices.Add(tokens, error)) AddErrorRecord(error);
            return;
        }
        case kSelect:
            return CommandSelect();
        case kIn:
            return CommandIn(tokens);
        case kOut:
            return CommandOut(tokens);
        case kScroll:
            return CommandPan(tokens, "scroll");
        case kTumble:
            return CommandPan(tokens, "tumble");
        case kEffect: {
            TVelmorBusyScope busy(m_Flow.Busy);
            if (!hasArg)
                AddErrorRecord(TooFew("effect"));
            else
                m_Presenter.RunEffect(speffectParse(tokens));
            return;
        }
        case kCross:
            return CommandCross(tokens);
        case kCD:
            return CommandCD(tokens);
        case kBgm:
            return CommandChannel(0, tokens);
        case kBge:
            return CommandChannel(1, tokens);
        case kSound:
            return CommandChannel(2, tokens);
        case kVoice:
            return CommandChannel(3, tokens);
        case kAvi:
            return CommandAvi(tokens);
        case kBasePointSet:
            return CommandBasePointSet(tokens);
        case kUnknown:
            break;
    }
    AddErrorRecord(SJ("scriptCommandExecute : 指定されたコマンド ") + tokens[0] +
                   SJ(" は存在しません"));
}

bool TVelmorInterpreter::LoadLayerPicture(TSprite& layer, const std::string& name) {
    bool loaded = layer.Load(name);
    if (!loaded && !m_CD.Drive().empty())
        loaded = layer.Load(yx::IncludeTrailingBackslash(m_CD.Drive()) + name);
    if (loaded) layer.SetVisible(true);
    return loaded;
}

void TVelmorInterpreter::CommandMiniFace(const std::string& picture) {
    TVelmorScene& scene = m_Scene;
    const int count = scene.MiniFaceCount();
    // Without slots there is no layer to load into.
    if (count == 0) return;
    const std::string key = picture.substr(0, static_cast<size_t>(std::max(0, m_Data.DistLength)));
    int32_t slot = scene.MiniFaceSlot();
    if (!yx::SameText(key, scene.MiniFaceKey(slot))) {
        slot = (slot + 1) % count;
        scene.SetMiniFaceSlot(slot);
        scene.SetMiniFaceKey(slot, key);
    }
    if (!LoadLayerPicture(scene.MiniFace(slot), picture))
        AddErrorRecord(SJ("scriptCommandExecute : ") + picture + SJ(" が見つかりません"));
}

void TVelmorInterpreter::MarkEventSeen(const std::string& file) {
    if (yx::IndexOfText(m_State.EventCG, file, true) < 0) m_State.EventCG.push_back(file);
}

void TVelmorInterpreter::CommandLayerHide(const TStringList& tokens) {
    // Only lower-case letters name layers.
    const std::string letters = tokens.size() >= 2 ? tokens[1] : "fm";
    auto has = [&](char c) { return letters.find(c) != std::string::npos; };
    TVelmorScene& scene = m_Scene;
    if (has('f')) {
        scene.Face().SetVisible(false);
        scene.SetRedraw(true, scene.Crossfade());
    }
    if (has('m'))
        for (int i = 0; i < scene.MiniFaceCount(); ++i) scene.MiniFace(i).SetVisible(false);
    if (has('w')) scene.MessageWindow().SetVisible(false);
    if (has('b')) {
        scene.Background().SetVisible(false);
        scene.SetRedraw(true, scene.Crossfade());
    }
}

void TVelmorInterpreter::CommandWait(const TStringList& tokens) {
    if (tokens.size() >= 2) {
        int32_t ms;
        if (m_Variables.ParseValue(tokens[1], ms)) {
            // Skipping on to the next choice, it is over before it starts.
            if (m_Engine.ChoiceSkip().Running()) return;
            m_Flow.Busy = true;
            uint32_t deadline = Now() + static_cast<uint32_t>(std::max<int32_t>(ms, 0));
            // 0 is "no wait"; a sum that wraps onto it waits one millisecond more.
            if (deadline == 0) deadline = 1;
            SetTimedWait(deadline, [this] { m_Flow.Busy = false; });
            return;
        }
        AddErrorRecord(BadParameter(tokens[1]));
    }
    m_Scene.MessageWindow().SetVisible(false);
    m_Flow.ClickWait = true;
    m_Presenter.ComposeFrame();
}

void TVelmorInterpreter::CommandIn(const TStringList& tokens) {
    {
        TVelmorBusyScope busy(m_Flow.Busy);
        m_Flow.WindowHidden = true;
        // Background and face only: the window comes back with the next message.
        m_Presenter.ComposeFrame();
        const int effect = speffectParse(tokens);
        m_Presenter.RunEffect(effect ? effect : 9);
        m_Flow.WindowHidden = false;
    }
    m_Scene.SetRedraw(false);
    m_Presenter.PresentFrame();
}

void TVelmorInterpreter::CommandOut(const TStringList& tokens) {
    {
        TVelmorBusyScope busy(m_Flow.Busy);
        const bool hidden = m_Flow.WindowHidden;
        m_Flow.WindowHidden = true;
        m_Presenter.ComposeFrame();
        const int effect = speffectParse(tokens);
        m_Presenter.RunEffect(effect ? effect : 10);
        m_Scene.Background().SetVisible(false);
        m_Scene.HideFaces();
        m_Flow.WindowHidden = hidden;
    }
    m_Scene.SetRedraw(false);
}

void TVelmorInterpreter::CommandPan(const TStringList& tokens, const char* word) {
    {
        TVelmorBusyScope busy(m_Flow.Busy);
        if (tokens.size() < 2) {
            AddErrorRecord(TooFew(word));
        } else {
            m_Presenter.RunEffect(speffectParse(tokens));
            m_Flow.WindowHidden = true;
            m_Presenter.ComposeFrame();
            m_Flow.WindowHidden = false;
        }
    }
    m_Scene.SetRedraw(false, m_Scene.Crossfade());
    m_Presenter.PresentFrame();
}

void TVelmorInterpreter::CommandCross(const TStringList& tokens) {
    if (tokens.size() < 2) return AddErrorRecord(TooFew("cross"));
    const std::string& file = tokens[1];
    TSprite& background = m_Scene.Background();
    background.DrawTo(m_Scene.Screen());
    if (!LoadLayerPicture(background, file)) {
        AddErrorRecord(file + SJ(" が見つかりません"));
        return;
    }
    if (tokens.size() <= 3)
        background.SetBasePoint(5, m_Data.Width / 2, m_Data.Height / 2);
    else
        background.AlignToArea(m_Data.Width, m_Data.Height, AnchorOf(tokens[3]));
    if (tokens.size() >= 3 && yx::SameText(tokens[2], "e")) {
        m_Scene.HideFaces();
        MarkEventSeen(file);
    }
    m_Presenter.CrossFadeToBackground(1000);
}

void TVelmorInterpreter::CommandCD(const TStringList& tokens) {
    auto request = [this](TCDRequest code) {
        if (m_Engine.Monitor()) m_Engine.Monitor()->CD(code, m_Channels.CDTrack());
        m_CD.Request(code);
    };
    if (tokens.size() < 2 || yx::SameText(tokens[1], "stop")) {
        m_Channels.SetCDTrack(0);
        return request(TCDRequest::Stop);
    }
    const std::string& arg = tokens[1];
    if (yx::SameText(arg, "pause")) return request(TCDRequest::Pause);
    if (yx::SameText(arg, "replay")) {
        if (m_Channels.CDTrack() > 0) request(TCDRequest::Replay);
        return;
    }
    int32_t track;
    if (m_Variables.ParseValue(arg, track) && track > 0) {
        m_Channels.SetCDTrack(track);
        return request(TCDRequest::PlayNotify);
    }
    AddErrorRecord(BadParameter(arg));
}

void TVelmorInterpreter::CommandChannel(int channel, const TStringList& tokens) {
    TVelmorSoundChannels& channels = m_Channels;
    if (tokens.size() < 2) {
        channels.SetFile(channel, "");
        m_Channels.Play(channel, TSoundOperation::Stop);
        return;
    }
    const bool looped = channel < 2;
    if (!channels.File(channel).empty()) {
        // Music restarts from its beginning even when the same file is named again.
        if (looped) channels.SetFile(channel, "");
        m_Channels.Play(channel, TSoundOperation::Stop);
    }
    if (channel == 3 && m_Flow.Skip) {
        channels.SetFile(channel, "");
        return;
    }
    channels.SetFile(channel, tokens[1]);
    if (!m_Channels.Play(channel, TSoundOperation::Load)) return;
    m_Channels.Play(channel, looped ? TSoundOperation::PlayLooped : TSoundOperation::PlayOnce);
    if (channel == 2) channels.SetSoundPlayedPosition(m_Script.Position());
    if (channel == 3) channels.SetVoicePlayedPosition(m_Script.Position());
}

void TVelmorInterpreter::CommandAvi(const TStringList& tokens) {
    m_Flow.Skip = false;
    m_Engine.EnterGameMode(TGameMode::Movie);
    if (tokens.size() < 2) return AddErrorRecord(TooFew("avi"));
    std::string path = tokens[1];
    if (!platform::FileSystem::FileExists(path) && !m_CD.Drive().empty())
        path = yx::IncludeTrailingBackslash(m_CD.Drive()) + yx::ExtractFileName(path);
    bool started = false;
    if (m_Engine.Hooks().moviePlayer) {
        try {
            started = m_Engine.Hooks().moviePlayer(path);
        } catch (const std::exception&) {
            started = false;
        }
    }
    if (!started) m_Engine.EnterGameMode(TGameMode::Script);
}

void TVelmorInterpreter::EndMovie() {
    if (m_Engine.Mode() != TGameMode::Movie) return;
    if (m_Engine.Hooks().movieStopper) m_Engine.Hooks().movieStopper();
    m_Engine.EnterGameMode(TGameMode::Script);
}

void TVelmorInterpreter::CommandBasePointSet(const TStringList& tokens) {
    const std::string which = tokens.size() >= 2 ? tokens[1] : std::string();
    TVelmorScene& scene = m_Scene;
    std::vector<TSprite*> layers;
    if (yx::SameText(which, "b")) layers.push_back(&scene.Background());
    if (yx::SameText(which, "f")) layers.push_back(&scene.Face());
    if (yx::SameText(which, "w")) layers.push_back(&scene.MessageWindow());
    if (yx::SameText(which, "m"))
        for (int i = 0; i < scene.MiniFaceCount(); ++i) layers.push_back(&scene.MiniFace(i));
    for (TSprite* layer : layers) {
        if (tokens.size() < 3)
            layer->SetBasePoint(5, m_Data.Width / 2, m_Data.Height / 2);
        else
            layer->AlignToArea(m_Data.Width, m_Data.Height, AnchorOf(tokens[2]));
    }
}
