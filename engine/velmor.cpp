#include "engine/velmor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>

#include "engine/velmor_plugin.h"
#include "engine/velmor_state_location.h"
#include "platform/file_system.h"
#include "platform/picture_limits.h"
#include "platform/sjis.h"
#include "resources/application.h"
#include "resources/bcl_manager.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "resources/text_encoding.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"
#include "sound/ds_player.h"

// A project the engine reads as its rules say, but not as its author meant (a byte-order mark
// hides the first section, UTF-8, no sections): it still plays, and says so once.
void TVelmor::WarnOfProjectText() const {
    std::vector<uint8_t> bytes;
    if (!platform::FileSystem::FileExists(m_ScriptConfigPath) ||
        !platform::FileSystem::ReadFile(m_ScriptConfigPath, bytes))
        return;
    const std::string problem =
        TTextEncoding::ProjectProblem(std::string(bytes.begin(), bytes.end()));
    if (!problem.empty())
        std::cerr << "velmor: project file " << platform::SjisToUtf8(m_ScriptConfigPath) << " "
                  << problem << std::endl;
}

TVelmor::TVelmor(const std::string& scriptConfigPath, const std::string& fontName,
                 const TServices& services)
    : m_ScriptConfigPath(scriptConfigPath),
      m_Services(services),
      m_Script(services.manager, m_State.ReadParagraphs) {
    {
        TXiniFile project(m_ScriptConfigPath, true);
        m_Data.Read(project, m_ScriptConfigPath);
    }
    // Every layer is a screen-sized surface: a screen beyond the limit cannot be shown at all.
    if (!platform::PictureLimits::ScreenAllowed(m_Data.Width, m_Data.Height))
        TyxApplication::RaiseEngineError(SJ("TVelmor : 画面の大きさ ") +
                                         yx::IntToStr(m_Data.Width) + "x" +
                                         yx::IntToStr(m_Data.Height) + SJ(" には対応していません"));
    WarnOfProjectText();
    m_StatePath = TVelmorStateLocation::Resolve(m_ScriptConfigPath, m_Data);

    const std::string& start = m_Data.StartScript;
    m_Script.Reset(start);
    ReportRefusedStateName();

    m_State.Read(m_StatePath, m_Data.DefaultWindowMode, m_Data.AAFontMode, fontName);
    m_Variables.ClearAll(m_State.Finished);

    CreateModeObjects();
    m_Scene =
        std::make_unique<TVelmorScene>(m_Data, m_State.FontName,
                                       TVelmorScene::TServices{services.pixelFormat, services.witch,
                                                               services.dllRes, services.manager},
                                       services.display);
    m_Message = std::make_unique<TVelmorMessage>(*m_Scene, m_Data, m_State);
    m_Choices.SetAreas(m_Scene->ChoiceRowAreas());
    m_Channels = std::make_unique<TVelmorSoundChannels>(
        services.manager, m_State, [this](const std::string& text) { AddErrorRecord(text); });
    m_CD = std::make_unique<TVelmorCD>(m_Data, m_ScriptConfigPath, *services.app, *services.clock,
                                       m_Hooks.cdControl);
    m_Presenter = std::make_unique<TVelmorPresenter>(*this);
    m_Interpreter = std::make_unique<TVelmorInterpreter>(*this);

    EnterGameMode(TGameMode::Script);
    m_Flow.PopupEnabled = false;
    m_Flow.AutoPlay = false;
    m_Galleries = std::make_unique<TVelmorGalleries>(*this);

    if (!start.empty() && !m_Script.Load(start))
        TyxApplication::RaiseEngineError(SJ("TVelmor : ") + start + SJ(" がロードできません"));
}

TVelmor::~TVelmor() {
    try {
        WriteSystemState();
    } catch (const EEngineError& e) {
        std::fprintf(stderr, "velmor: system state not written: %s\n",
                     platform::SjisToUtf8(e.Text()).c_str());
        // The player would otherwise lose progress and settings without a word.
        if (m_Services.app) {
            try {
                m_Services.app->Warn(SJ("ゲームの状態を保存できませんでした。\n") + e.Text());
            } catch (...) {
            }
        }
    }
    if (m_Plugin) m_Plugin->Close();
    if (!m_CD->Drive().empty()) {
        m_CD->Request(TCDRequest::Stop);
        m_CD->Request(TCDRequest::Close);
    }
    // The CD plays through the channels' device, so it goes first.
    m_CD.reset();
    // Every worker ends before the channel buffers it may read go.
    m_Channels.reset();
}

void TVelmor::SetMonitor(TVelmorMonitor* monitor) {
    m_Monitor = monitor;
    m_Channels->SetMonitor(monitor);
}

void TVelmor::WriteSystemState() {
    m_State.Write(m_StatePath);
}

// The player's progress would otherwise go to another file than the author meant, unsaid.
void TVelmor::ReportRefusedStateName() {
    if (m_Data.VssFileNameRefused.empty()) return;
    const std::string rule = "it names no file below the project folder; " +
                             platform::SjisToUtf8(m_Data.VssFileName) + " is used instead";
    std::fprintf(stderr, "velmor: VssFileName %s refused: %s\n",
                 platform::SjisToUtf8(m_Data.VssFileNameRefused).c_str(), rule.c_str());
    AddErrorRecord(SJ("VssFileName ") + m_Data.VssFileNameRefused + SJ(" は使えません (") +
                   platform::Utf8ToSjis(rule) + ")");
}

void TVelmor::AddErrorRecord(const std::string& message) {
    constexpr size_t kErrorListCap = 255;
    const std::string record = yx::IntToStr(m_Script.Position().Line) + ": " + message + " : " +
                               (m_Interpreter ? m_Interpreter->PresentLine() : std::string());
    if (m_Monitor) m_Monitor->Record(record);
    TStringList* errors = m_Services.errorList;
    if (!errors) return;
    errors->push_back(record);
    while (errors->size() > kErrorListCap) errors->erase(errors->begin());
    if (m_Hooks.errorRecorded) m_Hooks.errorRecorded();
}

void TVelmor::FatalScriptError(const std::string& message) {
    TyxApplication::RaiseEngineError(message);
}
