#include "engine/velmor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>

#include "engine/velmor_plugin.h"
#include "modes/cg_mode.h"
#include "modes/event_mode.h"
#include "platform/file_system.h"
#include "platform/sjis.h"
#include "platform/game_folders.h"
#include "platform/picture_limits.h"
#include "resources/application.h"
#include "resources/bcl_manager.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/file_services.h"
#include "resources/sjis_text.h"
#include "resources/text_encoding.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"
#include "sound/cd_audio.h"
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
        TyxApplication::RaiseEngineError(SJ("TVelmor : 画面の大きさ ") + yx::IntToStr(m_Data.Width) +
                                         "x" + yx::IntToStr(m_Data.Height) +
                                         SJ(" には対応していません"));
    WarnOfProjectText();
    m_StatePath = ResolveSystemStatePath();

    const std::string& start = m_Data.StartScript;
    m_Script.Reset(start);
    ReportRefusedStateName();

    m_State.Read(m_StatePath, m_Data.DefaultWindowMode, m_Data.AAFontMode, fontName);
    ClearAllVariables();

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
    // The locator runs now so the player hears at start-up when the disc is missing; ripped
    // tracks beside the project stand in for a missing drive without a word.
    if (!m_Data.CDRomDrive.empty()) {
        const std::string folder = yx::ExtractFilePath(m_ScriptConfigPath) + "CD";
        if (platform::FileSystem::DirectoryExists(folder)) m_CDTrackFolder = folder;
    }
    // The game's disc may be read, and only it among the drives.
    if (platform::GameFolders::Confined())
        for (const platform::DriveInfo& d : platform::FileSystem::Drives())
            if (d.type == platform::DriveType::CdRom)
                platform::GameFolders::AllowRead(std::string(1, d.letter) + ":\\");
    m_CDDrive = LocateCD(m_Data.CDRomDrive, *services.app, !m_CDTrackFolder.empty());
    if (m_CDDrive.empty()) m_CDDrive = m_CDTrackFolder;
    if (!m_CDDrive.empty()) m_CDAudio = std::make_unique<TyxCDAudio>(*services.clock);

    EnterGameMode(TGameMode::Script);
    m_Flow.PopupEnabled = false;
    m_Flow.AutoPlay = false;
    CreateGalleries();

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
    if (!m_CDDrive.empty()) {
        CDControlRequest(TCDRequest::Stop);
        CDControlRequest(TCDRequest::Close);
    }
    // The CD plays through the channels' device, so it goes first.
    m_CDAudio.reset();
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

std::string TVelmor::ResolveSystemStatePath() const {
    const std::string projectFolder = yx::ExtractFilePath(m_ScriptConfigPath);
    const std::string beside = projectFolder + m_Data.VssFileName;
    const bool confined = platform::GameFolders::Confined();
    // The state file and its save folder, and nothing else, become writable.
    auto allowBeside = [&] {
        if (!confined) return;
        platform::GameFolders::AllowWriteFile(beside);
        platform::GameFolders::AllowWriteFolder(yx::ChangeFileExt(beside, ""));
    };
    if (platform::FileSystem::FileExists(beside)) {
        allowBeside();
        return beside;
    }
    std::string folder;
    if (yx::AppDataFolderName("velmor", m_Data.Company, m_Data.Product, folder)) {
        if (confined) platform::GameFolders::AllowWriteFolder(folder);
        if (yx::AppDataFolder("velmor", m_Data.Company, m_Data.Product, folder))
            return folder + m_Data.VssFileName;
    }
    allowBeside();
    return beside;
}

uint32_t TVelmor::Now() const {
    return m_Services.clock->TickCount();
}

std::string TVelmor::LocateCD(const std::string& value, TyxApplication& app, bool quiet) {
    if (value.empty()) return {};
    const std::string lower = yx::LowerCaseAscii(value);
    auto after = [&](const char* prefix) -> const char* {
        const size_t n = std::char_traits<char>::length(prefix);
        return lower.compare(0, n, prefix) == 0 ? prefix : nullptr;
    };
    std::string drive;
    if (const char* p = after("registry:") ? "registry:" : after("reg:")) {
        const std::string expanded = yx::ExpandRegistryRefs(value.substr(std::strlen(p)));
        if (expanded.size() >= 2 && expanded[1] == ':') drive = expanded.substr(0, 2) + "\\";
    } else if (const char* p = after("volume:") ? "volume:" : after("vol:")) {
        drive = yx::FindCdDrive(value.substr(std::strlen(p)));
    } else if (after("file:")) {
        drive = yx::FindDriveWithFile(value.substr(5));
    }
    if (quiet && (drive.empty() || !platform::FileSystem::DirectoryExists(drive))) return {};
    if (drive.empty()) {
        app.ShowMessage(
            SJ("ゲームのCDが見つかりません。\n音楽ありでゲームを楽しむには、\n"
               "正しいCDをドライブに挿入してからプログラムを再起動してください。"));
        return {};
    }
    if (!platform::FileSystem::DirectoryExists(drive)) {
        app.ShowMessage(SJ("指定されたCD-Romドライブ\"") + drive + SJ("\"は存在しません。"));
        return {};
    }
    return drive;
}
