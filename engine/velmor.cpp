#include "engine/velmor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/file_system.h"
#include "resources/application.h"
#include "resources/bcl_manager.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/file_services.h"
#include "resources/sjis_text.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"
#include "sound/ds_player.h"

namespace {
const char* const kFinishedVariable = "velmor@FINISHED";
}  // namespace

TVelmor::TVelmor(const std::string& scriptConfigPath, TyxDllRes* dllRes, TStringList* errorList,
                 TStringList* historyList, const std::string& fontName, uint8_t pixelFormat,
                 TDisplaySurface* display, TyxWitch* witch, TyxBCLManager* manager)
    : m_ScriptConfigPath(scriptConfigPath),
      m_DllRes(dllRes),
      m_ErrorList(errorList),
      m_FontName(fontName),
      m_PixelFormat(pixelFormat),
      m_Display(display),
      m_Witch(witch),
      m_Manager(manager) {
    {
        TXiniFile project(m_ScriptConfigPath, true);
        m_Data.Read(project, m_ScriptConfigPath);
    }
    m_StatePath = ResolveSystemStatePath();

    const std::string& start = m_Data.StartScript;
    m_Position = {start, -1, ""};
    m_JumpBuffer = {start, -1, ""};
    m_TitlePosition = {start, -1, ""};

    m_State.Read(m_StatePath, m_Data.DefaultWindowMode, m_Data.AAFontMode, m_FontName);
    SetIntVariable(kFinishedVariable, m_State.Finished ? 1 : 0);

    BuildLayers();
    CreateSoundChannels();
    // The CD device is built by the sound layer; the locator runs now so the player hears at
    // start-up when the disc is missing.
    m_CDDrive = LocateCD(m_Data.CDRomDrive);

    EnterGameMode(kModeScript);
    m_PopupEnabled = false;
    m_AutoPlay = false;
    DeriveGeometry();

    if (historyList) {
        m_History = historyList;
    } else {
        m_OwnHistory = std::make_unique<TStringList>();
        m_History = m_OwnHistory.get();
    }

    if (!start.empty() && !LoadScript(start))
        TyxApplication::Instance().RaiseEngineError(SJ("TVelmor : ") + start +
                                                    SJ(" がロードできません"));
}

TVelmor::~TVelmor() {
    try {
        WriteSystemState();
    } catch (const EEngineError& e) {
        std::fprintf(stderr, "velmor: system state not written: %s\n",
                     platform::SjisToUtf8(e.Text()).c_str());
    }
    if (!m_CDDrive.empty()) {
        CDControlRequest(kCDStop);
        CDControlRequest(kCDClose);
    }
    // Every worker ends before the channel buffers it may read go.
    m_Player.reset();
}

void TVelmor::WriteSystemState() {
    m_State.Write(m_StatePath);
}

std::string TVelmor::ResolveSystemStatePath() const {
    const std::string projectFolder = yx::ExtractFilePath(m_ScriptConfigPath);
    const std::string beside = projectFolder + m_Data.VssFileName;
    if (platform::FileSystem::FileExists(beside)) return beside;
    std::string folder;
    if (yx::AppDataFolder("velmor", m_Data.Company, m_Data.Product, folder))
        return folder + m_Data.VssFileName;
    return beside;
}

std::unique_ptr<TSprite> TVelmor::NewLayer() {
    return std::make_unique<TSprite>(m_PixelFormat, true, m_Witch, m_DllRes, m_Manager);
}

void TVelmor::BuildLayers() {
    const int w = m_Data.Width, h = m_Data.Height;
    m_Screen = NewLayer();
    m_Background = NewLayer();
    m_Face = NewLayer();
    const int count = std::clamp(m_Data.Count, 0, 8);
    for (int i = 0; i < count; ++i) m_MiniFaces.push_back(NewLayer());
    m_MessageWindow = NewLayer();

    m_Screen->CreateBlank(w, h, 0xFFFFFF);
    m_Background->CreateBlank(w, h, 0xFFFFFF);
    m_Screen->SetVisible(true);
    m_Background->SetVisible(true);

    // A project picture arrives with the layer loader; the library frame stays hidden until a
    // script shows the window.
    if (m_Data.MessageWindowImage.empty()) m_MessageWindow->LoadResourcePng("IDP_WINDOW_MESSAGE");

    m_Screen->SetBasePoint(7, 0, 0);
    m_Background->SetBasePoint(5, w / 2, h / 2);
    m_Face->SetBasePoint(m_Data.FaceBasePoint, m_Data.FacePoint.x, m_Data.FacePoint.y);
    for (int i = 0; i < count; ++i) {
        m_MiniFaces[i]->SetBasePoint(m_Data.MiniFaceBasePoint[i], m_Data.MiniFacePoint[i].x,
                                     m_Data.MiniFacePoint[i].y);
        m_MiniFaces[i]->SetMirrored(m_Data.Reverse[i]);
    }
    m_MessageWindow->SetBasePoint(m_Data.MessageWindowBasePoint, m_Data.MessageWindowPoint.x,
                                  m_Data.MessageWindowPoint.y);
    m_Screen->SetFontName(m_State.FontName);
}

void TVelmor::DeriveGeometry() {
    const TSprite& mw = *m_MessageWindow;
    const int border = m_Data.BorderSize;
    m_TextArea = {mw.Left() + border, mw.Top() + border, mw.Right() - border, m_Data.Height};
    static const int kShadow[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                      {0, 1},   {1, -1}, {1, 0},  {1, 1}};
    for (int i = 0; i < 8; ++i) {
        const int dx = kShadow[i][0], dy = kShadow[i][1];
        m_ShadowRects[i] = {m_TextArea.Left + dx, m_TextArea.Top + dy, m_TextArea.Right + dx,
                            m_TextArea.Bottom + dy};
    }
    const int rowHeight = (mw.Bottom() - border - m_TextArea.Top) / 4;
    for (int i = 0; i < 4; ++i)
        m_ChoiceRows[i] = {m_TextArea.Left, m_TextArea.Top + rowHeight * i, m_TextArea.Right,
                           m_TextArea.Top + rowHeight * (i + 1)};
    m_MessageDraw = true;
    m_ShadowDraw = m_Data.MessageShadowDraw;
    // A non-positive percentage has no meaning; keep the default size rather than divide by it.
    m_FontHeight = m_Data.Height / (m_Data.FontHeightPercent > 0 ? m_Data.FontHeightPercent : 32);
    m_Screen->SetFontHeight(m_FontHeight);
}

std::string TVelmor::LocateCD(const std::string& value) {
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
    auto& app = TyxApplication::Instance();
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
