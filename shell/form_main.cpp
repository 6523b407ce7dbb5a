#include "shell/form_main.h"

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QStyleHints>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>

#include "engine/velmor.h"
#include "engine/velmor_monitor.h"
#include "engine/velmor_plugin.h"
#include "engine/velmor_scenario_end.h"
#include "engine/velmor_scene.h"
#include "graphics/velmor_picture_decoder.h"
#include "platform/bitmap_qt.h"
#include "platform/cd_audio.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/game_folders.h"
#include "platform/host_cd_audio.h"
#include "platform/joystick.h"
#include "platform/message_box.h"
#include "platform/mixer.h"
#include "platform/sjis.h"
#include "platform/sjis_qt.h"
#include "resources/application.h"
#include "resources/archive.h"
#include "resources/bcl.h"
#include "resources/bcl_manager.h"
#include "resources/bcx.h"
#include "resources/dir_list.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/engine_key.h"
#include "resources/sjis_text.h"
#include "resources/witch.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"
#include "save/form_save.h"
#include "save/save_data.h"
#include "save/save_game.h"
#include "shell/display_image.h"
#include "shell/display_monitor.h"
#include "shell/form_select.h"
#include "shell/key_map.h"
#include "shell/menu_rules.h"
#include "shell/quick_commands.h"
#include "shell/program_icon.h"
#include "shell/yx_avi.h"
#include "sound/cd_audio.h"
#include "sound/ds_player.h"
#include "windows/form_info.h"
#include "windows/form_log.h"
#include "windows/form_option.h"
#include "windows/form_snap.h"

using platform::FromQString;
using platform::ToQString;

namespace {
const char* const kProjectExtension = ".vsc";

// The resource library beside the program, as the original ships it; installed under a
// prefix, the program is in bin/ and the library in lib/velmor/.
// The prefix a program installed in PREFIX/bin/ belongs to.
std::filesystem::path InstallPrefix(const std::string& programFolder) {
    std::filesystem::path bin =
        std::filesystem::path(platform::FileSystem::ToHostPath(programFolder)).lexically_normal();
    if (bin.filename().empty()) bin = bin.parent_path();
    return bin.parent_path();
}

std::string ResourceLibraryPath(const std::string& programFolder) {
    const std::string beside = programFolder + "VELMORRC.DLL";
    if (platform::FileSystem::FileExists(beside)) return beside;
    const std::string installed = platform::FileSystem::FromHostPath(
        (InstallPrefix(programFolder) / "lib" / "velmor" / "VELMORRC.DLL").string());
    return platform::FileSystem::FileExists(installed) ? installed : beside;
}

// The form repeats these itself: X11 does not repeat modifier keys.
bool RepeatedByForm(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control;
}
constexpr int kKeyRepeatDelayMs = 500;
constexpr int kJoystickPollMs = 10;
}  // namespace

template <class Body>
bool TFormMain::Guarded(Body&& body) {
    std::exception_ptr error;
    try {
        body();
        return true;
    } catch (...) {
        error = std::current_exception();
    }
    Fail(error);
    return false;
}

TFormMain::TServices TFormMain::PlatformServices() {
    return {&platform::Clock::Current(), &platform::MessageBox::Current(),
            &platform::Joystick::Current()};
}

TFormMain::TFormMain(TServices services)
    : QWidget(nullptr),
      m_Services(services),
      m_App(std::make_unique<TyxApplication>(*services.boxes)),
      m_Pictures(std::make_unique<TVelmorPictureDecoder>()),
      m_HostCd(std::make_unique<platform::HostCdAudio>()) {
    // A driver installed before the window (a test's) stays in force.
    if (!platform::CdAudio::Installed()) {
        platform::CdAudio::SetCurrent(m_HostCd.get());
        m_HostCdInstalled = true;
    }
    setWindowTitle("velmor");
    setMinimumSize(320, 240);
    resize(312, 213);
    m_WindowFlags = windowFlags();
    setEnabled(false);
    m_ImgPrim = new TDisplayImage(this, *m_Services.clock);
    m_ImgPrim->move(0, 0);
    m_ImgPrim->setEnabled(false);
    // There is no system menu to extend here: its added item is an action with a key, offered
    // last in the context menu so the player can find it.
    m_ActAbout = new QAction(QString::fromUtf8("システムについて"), this);
    m_ActAbout->setObjectName("m_ActAbout");
    m_ActAbout->setShortcut(QKeySequence(Qt::Key_F1));
    m_ActAbout->setShortcutContext(Qt::WindowShortcut);
    connect(m_ActAbout, &QAction::triggered, this, [this] { ToggleInfoWindow(); });
    addAction(m_ActAbout);
    setFocusPolicy(Qt::StrongFocus);
    CreateActions();
    // Its boxes run as the dialogs do: a close waits for them, a failure ends the game.
    m_Quick = std::make_unique<TQuickCommands>(*this, [this](const std::function<void()>& body) {
        if (m_Engine) m_Engine->ChoiceSkip().Stop();  // before its question box opens
        ++m_DialogDepth;
        // Before the idle handler the game has not begun: there is no game to end yet.
        const bool carried = m_IdleInstalled ? Guarded(body) : (body(), true);
        --m_DialogDepth;
        if (carried) WakeIdle();
    });
    m_Quick->AddToMenu(*m_PMSystem);
    m_RepeatTimer = new QTimer(this);
    connect(m_RepeatTimer, &QTimer::timeout, this, [this] {
        const int rate = QGuiApplication::styleHints()->keyboardAutoRepeatRate();
        m_RepeatTimer->setInterval(rate > 0 ? 1000 / rate : 33);
        RepeatHeldKeys();
    });
}

void TFormMain::CreateActions() {
    struct ActionEntry {
        QAction** field;
        const char* name;
        const char* caption;
        QKeySequence shortcut;
        void (TFormMain::*run)();
    };
    const ActionEntry entries[] = {
        {&m_ActMessWinShow, "m_ActMessWinShow", "メッセージウィンドウの",
         QKeySequence(Qt::Key_Escape), &TFormMain::m_ActMessWinShowExecute},
        {&m_ActMessSkip, "m_ActMessSkip", "自動メッセージスキップ(&M)", QKeySequence(Qt::Key_F12),
         &TFormMain::m_ActMessSkipExecute},
        {&m_ActMessAutoPlay, "m_ActMessAutoPlay", "自動メッセージ送り(&A)", QKeySequence(),
         &TFormMain::m_ActMessAutoPlayExecute},
        {&m_ActSaveLoad, "m_ActSaveLoad", "ゲームの保存とロード(&S)", QKeySequence(Qt::Key_F4),
         &TFormMain::m_ActSaveLoadExecute},
        {&m_ActSceneEnd, "m_ActSceneEnd", "シーン回想の終了(&R)", QKeySequence(Qt::Key_F4),
         &TFormMain::m_ActSceneEndExecute},
        {&m_ActSystemOption, "m_ActSystemOption", "システム設定(&O)", QKeySequence(Qt::Key_F5),
         &TFormMain::m_ActSystemOptionExecute},
        {&m_ActLogForm, "m_ActLogForm", "メッセージ履歴(&L)", QKeySequence(Qt::Key_F8),
         &TFormMain::m_ActLogFormExecute},
        {&m_ActSnapshot, "m_ActSnapshot", "スナップショット(&P)", QKeySequence(Qt::Key_F9),
         &TFormMain::m_ActSnapshotExecute},
        {&m_ActAppTerminate, "m_ActAppTerminate", "ゲームの終了(&X)", QKeySequence(),
         &TFormMain::m_ActAppTerminateExecute},
    };
    for (const ActionEntry& entry : entries) {
        auto* action = new QAction(QString::fromUtf8(entry.caption), this);
        action->setObjectName(entry.name);
        action->setShortcut(entry.shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        const auto run = entry.run;
        connect(action, &QAction::triggered, this, [this, run] {
            // A command ends skipping to the next choice before it runs (a dialog would
            // otherwise open over a game still skipping).
            if (m_Engine) m_Engine->ChoiceSkip().Stop();
            (this->*run)();
        });
        addAction(action);
        *entry.field = action;
    }
    // The message-window action's own caption is cut short; its menu entry names both ways.
    m_ActMessWinShow->setText(QString::fromUtf8("メッセージウィンドウの消去/表示(&H)"));
    m_ActMessWinShow->setIconText(QString::fromUtf8("メッセージウィンドウの"));
    m_ActMessAutoPlay->setEnabled(false);
    m_ActMessAutoPlay->setVisible(false);
    m_ActSceneEnd->setVisible(false);
    m_ActSnapshot->setEnabled(false);
    m_ActSnapshot->setVisible(false);
    // Not in the menu: Alt+Enter stays a click, so full screen has a key of its own.
    m_ActFullScreen = new QAction(QString::fromUtf8("フルスクリーン"), this);
    m_ActFullScreen->setObjectName("m_ActFullScreen");
    m_ActFullScreen->setShortcut(QKeySequence(Qt::Key_F11));
    m_ActFullScreen->setShortcutContext(Qt::WindowShortcut);
    connect(m_ActFullScreen, &QAction::triggered, this, [this] { m_ActFullScreenExecute(); });
    addAction(m_ActFullScreen);
    m_ActSkipToChoice = new QAction(QString::fromUtf8("次の選択肢までスキップ(&C)"), this);
    m_ActSkipToChoice->setObjectName("m_ActSkipToChoice");
    m_ActSkipToChoice->setShortcut(QKeySequence(Qt::Key_F3));
    m_ActSkipToChoice->setShortcutContext(Qt::WindowShortcut);
    m_ActSkipToChoice->setAutoRepeat(false);  // held down it would stop what it started
    connect(m_ActSkipToChoice, &QAction::triggered, this, [this] {
        if (m_Engine && m_Engine->ChoiceSkip().Toggle()) WakeIdle();
    });
    addAction(m_ActSkipToChoice);

    m_PMSystem = new QMenu(this);
    m_PMSystem->setObjectName("m_PMSystem");
    m_PMSystem->addAction(m_ActMessWinShow);
    m_PMSystem->addSeparator();
    m_PMSystem->addAction(m_ActMessSkip);
    m_PMSystem->addAction(m_ActMessAutoPlay);
    m_PMSystem->addSeparator();
    m_PMSystem->addAction(m_ActSaveLoad);
    m_PMSystem->addAction(m_ActSceneEnd);
    m_PMSystem->addSeparator();
    m_PMSystem->addAction(m_ActSystemOption);
    m_PMSystem->addAction(m_ActLogForm);
    m_PMSystem->addAction(m_ActSnapshot);
    m_PMSystem->addSeparator();
    m_PMSystem->addAction(m_ActAppTerminate);
    m_PMSystem->addSeparator();
    m_PMSystem->addAction(m_ActAbout);
    m_PMSystem->addSeparator();
    m_PMSystem->addAction(m_ActSkipToChoice);
    // Greyed in the menu only: its key keeps its own rules once the menu is gone.
    connect(m_PMSystem, &QMenu::aboutToHide, this, [this] { m_ActSkipToChoice->setEnabled(true); });
}

void TFormMain::SetActionImages() {
    QAction* const byImage[] = {m_ActMessWinShow, m_ActMessSkip, m_ActMessAutoPlay,
                                m_ActSaveLoad,    m_ActSceneEnd, m_ActSystemOption,
                                m_ActLogForm,     m_ActSnapshot, m_ActAppTerminate};
    for (int i = 0; i < 9 && i < m_ILSysPM.Count(); ++i) {
        const auto& entry = m_ILSysPM.At(i);
        if (entry.picture.Empty()) continue;
        QPixmap pixmap = QPixmap::fromImage(platform::QImageOf(entry.picture));
        if (!entry.mask.Empty())
            pixmap.setMask(
                QBitmap::fromImage(platform::QImageOf(entry.mask)
                                       .convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)));
        byImage[i]->setIcon(QIcon(pixmap));
    }
}

TFormMain::~TFormMain() {
    Shutdown();
    if (m_HostCdInstalled) platform::CdAudio::SetCurrent(nullptr);
}

// An archive's data file is read where the game's folders allow it, or below its index (the
// project's list may name an index anywhere). One refused even so is told now, not silently
// at every load.
void TFormMain::AllowArchiveData() {
    auto allow = [](const TyxArchive& archive) {
        const std::string data = archive.DataFileName();
        if (data.empty()) return;
        platform::GameFolders::AllowReadFileBelow(data,
                                                  yx::ExtractFilePath(archive.IndexFileName()));
        platform::FileSystem::MayRead(data);
    };
    for (const auto& a : m_Manager->Bcxs()) allow(*a);
    for (const auto& a : m_Manager->Bcls()) allow(*a);
}

// Game data is read as the original reads it within the game's own tree: below the folder the
// player started it from, below the project folder's parent, and the program's folder. What
// is refused all the same becomes an error record.
void TFormMain::ConfineToGame(const std::string& projectFolder) {
    platform::GameFolders::Confine({projectFolder, m_ProgramFolder, m_StartFolder});
    platform::GameFolders::AllowReadParentOf(projectFolder);
    platform::GameFolders::SetRefusalHandler(
        [this](const std::string& file, const std::string& rule) { RecordRefusal(file, rule); });
}

void TFormMain::RecordRefusal(const std::string& file, const std::string& rule) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, file, rule] { RecordRefusal(file, rule); }, Qt::QueuedConnection);
        return;
    }
    const std::string record =
        SJ("ファイルを使えません ") + file + " (" + platform::Utf8ToSjis(rule) + ")";
    // Before the engine runs there is no error list yet: the records wait for it.
    if (m_Engine)
        m_Engine->AddErrorRecord(record);
    else
        m_PendingRecords.push_back(record);
}

bool TFormMain::FormCreate(const std::vector<std::string>& args) {
    // Where the player started us: the file dialog opens there, not in the program's folder.
    if (!args.empty() && platform::FileSystem::DirectoryExists(args[0]))
        m_DialogFolder = args[0];
    else
        m_DialogFolder = platform::FileSystem::CurrentFolder();
    m_ProgramFolder = platform::FileSystem::ProgramFolder();
    platform::FileSystem::SetCurrentFolder(m_ProgramFolder);
    if (!args.empty() && yx::SameTextAscii(yx::ExtractFileExt(args[0]), kProjectExtension)) {
        m_ScriptConfigPath = args[0];
        m_StartFolder = yx::ExtractFilePath(args[0]);
    } else if (!args.empty() && platform::FileSystem::DirectoryExists(args[0])) {
        m_LookupFolder = yx::IncludeTrailingBackslash(args[0]);
    }
    m_Witch = std::make_unique<TyxWitch>(0);
    if (!StartUp()) {
        Shutdown();
        return false;
    }
    m_Quick->OfferResume(m_Continue);
    if (!m_Engine || m_ShutDown) return false;
    m_Engine->Presenter().ComposeFrame();
    m_Engine->Presenter().PresentFrame();
    InstallIdleHandler();
    return true;
}

bool TFormMain::StartUp() {
    TyxApplication& app = *m_App;
    // 1. The scrambler's key.
    m_Witch->SetKey(EngineKeyText());
    // 2, 3. The resource library and the wallpaper.
    try {
        m_DllRes = std::make_unique<TyxDllRes>(ResourceLibraryPath(m_ProgramFolder), true);
    } catch (const EEngineError& e) {
        app.Warn(e.Text());
        return false;
    }
    if (!m_DllRes->LoadBitmap(m_Wallpaper, "IDB_KABEGAMI")) {
        app.Warn(SJ("リソースが読み込めません"));
        return false;
    }
    // 4. Archives beside the program.
    m_Manager = std::make_unique<TyxBCLManager>(m_Witch.get(), m_Pictures.get());
    m_Manager->AddFolder(m_ProgramFolder, 0);
    // 5. The project file.
    if (m_ScriptConfigPath.empty() && !ScenarioLookup()) return false;
    // 6. The project's folder becomes the current folder.
    const std::string projectFolder = yx::ExtractFilePath(m_ScriptConfigPath);
    platform::FileSystem::SetCurrentFolder(projectFolder);
    // From here on game data names files only inside the game's folders (game_folders.h).
    ConfineToGame(projectFolder);
    if (!yx::SameText(yx::IncludeTrailingBackslash(projectFolder),
                      yx::IncludeTrailingBackslash(m_ProgramFolder)))
        m_Manager->AddFolder(projectFolder, 0);
    OpenProjectArchives(projectFolder);
    // 8. The program's icon.
    m_AppIcon = ProgramIcon();
    // 9. The message font.
    const QString pGothic = QString::fromUtf8("ＭＳ Ｐゴシック");
    std::string fontName = SJ("ＭＳ ゴシック");
    for (const QString& family : QFontDatabase::families())
        if (family.compare(pGothic, Qt::CaseInsensitive) == 0) fontName = FromQString(pGothic);
    // 10. The information window.
    m_FormInfo = new TFormInfo(this, &m_Wallpaper, m_Witch.get(), m_DllRes.get(), *m_App);
    // 11. Pixel format and joystick.
    m_JoystickPresent = m_Joystick.Probe(*m_Services.joystick);
    // 12. The engine.
    try {
        TVelmor::TServices services;
        services.clock = m_Services.clock;
        services.app = m_App.get();
        services.dllRes = m_DllRes.get();
        services.witch = m_Witch.get();
        services.manager = m_Manager.get();
        services.display = m_ImgPrim;
        services.errorList = &m_FormInfo->ErrorLines();
        services.pixelFormat = m_PixelFormat;
        m_Engine = std::make_unique<TVelmor>(m_ScriptConfigPath, fontName, services);
    } catch (const EEngineError& e) {
        app.Warn(e.Text());
        return false;
    }
    m_Engine->SetMonitor(m_Monitor);
    m_Engine->Presenter().SetFramesOnDemand(m_FramesOnDemand);
    // An archive that exists but cannot be read answers nothing; say so where the author looks
    // rather than leave every picture in it merely "not found".
    for (const auto& error : m_Manager->OpenErrors())
        m_Engine->AddErrorRecord(SJ("アーカイブが読めません ") + error);
    for (const auto& record : m_PendingRecords) m_Engine->AddErrorRecord(record);
    m_PendingRecords.clear();
    const TVelmorSystemData& data = m_Engine->SystemData();
    SetProjectIcon();
    // 14. The application title.
    app.SetTitle(data.Title);
    ConnectEngineServices();
    ConnectInfoWindow();
    return ShowGameWindow();
}

void TFormMain::OpenProjectArchives(const std::string& projectFolder) {
    TyxApplication& app = *m_App;
    // 7. The project's archive list, relative to the program's folder or, where the program
    // is not kept in the game's folder, to the project's.
    {
        TXiniFile project(m_ScriptConfigPath, true);
        TStringList archives;
        project.ReadSectionLines("BCL", archives);
        std::string missing;
        for (const auto& name : archives) {
            // The project's own archive list may name archives anywhere; nothing else there.
            auto add = [&](const std::string& full) {
                const std::string ext = yx::ExtractFileExt(full);
                if (yx::SameTextAscii(ext, ".bcl") || yx::SameTextAscii(ext, ".bcx"))
                    platform::GameFolders::AllowReadFile(full);
                return m_Manager->AddArchive(full);
            };
            if (!name.empty() && name[0] == '/') {
                if (!add(name)) missing += name + "\r\n";
                continue;
            }
            if (add(m_ProgramFolder + name)) continue;
            const std::string beside = yx::IncludeTrailingBackslash(projectFolder) + name;
            if (!add(beside)) missing += beside + "\r\n";
        }
        AllowArchiveData();
        if (!missing.empty()) app.Warn(missing + SJ("以上のファイルが見つかりません。"));
    }
}

void TFormMain::SetProjectIcon() {
    const TVelmorSystemData& data = m_Engine->SystemData();
    // 13. The project's icon.
    if (!data.Icon.empty()) {
        QIcon icon;
        if (platform::FileSystem::FileExists(data.Icon)) {
            icon = QIcon(QString::fromStdString(platform::FileSystem::ToHostPath(data.Icon)));
        } else {
            TMemoryStream stream;
            QPixmap pixmap;
            if (m_Manager->LoadIconFile(stream, data.Icon) &&
                pixmap.loadFromData(stream.Data(), static_cast<uint>(stream.Size())))
                icon = QIcon(pixmap);
        }
        if (icon.isNull())
            m_Engine->AddErrorRecord(SJ("アイコンファイル ") + data.Icon + SJ(" が見つからない"));
        else
            m_AppIcon = icon;
    }
    QApplication::setWindowIcon(m_AppIcon);
}

void TFormMain::ConnectEngineServices() {
    TyxApplication& app = *m_App;
    // 15. CD control.
    m_HostCd->SetTrackFolder(m_Engine->CD().TrackFolder());
    TVelmor::THooks& hooks = m_Engine->Hooks();
    hooks.cdControl = [this](TCDRequest request) { CDControl(request); };
    m_Engine->CD().Request(TCDRequest::Open);
    // 16. Sampled sound; without a device the game goes on silent. The end of a sound reaches
    // the window as a queued call that does nothing.
    TVelmorSoundChannels& channels = m_Engine->Channels();
    if (!channels.Initialize([this](int) {
            QMetaObject::invokeMethod(
                this, [] {}, Qt::QueuedConnection);
        })) {
        app.Warn(SJ("DirectSoundを初期化できませんでした"));
    }
    // CD music plays through the same device.
    if (platform::Mixer* mixer = channels.Player().Device())
        m_HostCd->SetMixer(mixer->shared_from_this());
    ApplyCDVolume();
    // 17. The video player, over the whole window while a movie plays.
    m_Avi = new TyxAvi(this, *m_Services.clock);
    hooks.moviePlayer = [this](const std::string& path) {
        const auto end = [this] {
            if (m_Engine && !Guarded([this] { m_Engine->Interpreter().EndMovie(); })) return;
            WakeIdle();
        };
        m_Avi->OnClick = [end](int, int) { end(); };
        m_Avi->OnKey = [end](int) { end(); };
        m_Avi->OnStopped = end;
        return m_Avi->Play(path);
    };
    hooks.movieStopper = [this] {
        m_Avi->Stop();
        m_Avi->OnClick = nullptr;
        m_Avi->OnKey = nullptr;
        m_Avi->OnStopped = nullptr;
    };
    // 18. The history window.
    m_FormLog = new TFormLog(this);
    m_FormLog->Setup(100, this);
    hooks.messageLogged = [this](const std::string& text) { m_FormLog->AddLine(text); };
}

void TFormMain::ConnectInfoWindow() {
    const TVelmorSystemData& data = m_Engine->SystemData();
    TVelmor::THooks& hooks = m_Engine->Hooks();
    // 19. The information window's services.
    m_FormInfo->SetResourceManager(m_Manager.get());
    m_FormInfo->ShowAbout(m_ScriptConfigPath, data.Title);
    m_FormInfo->OnSetVariable = [this](const std::string& name, int32_t value) {
        int32_t old;
        if (!m_Engine || !m_Engine->Variables().Get(name, old)) return;
        m_Engine->Variables().Set(name, value);
        if (m_Engine->Hooks().variablesChanged) m_Engine->Hooks().variablesChanged();
        WakeIdle();
    };
    m_FormInfo->OnRefresh = [this] { RefreshInfo(); };
    // Kept off the game's path while nobody looks: the table is refreshed when shown.
    hooks.variablesChanged = [this] {
        if (m_FormInfo && m_FormInfo->isVisible()) RefreshInfo();
    };
    hooks.errorRecorded = [this] {
        if (m_FormInfo) m_FormInfo->ErrorsChanged();
    };
    m_FormInfo->ShowErrorPage();
    // 20. Developer mode, marked by a file named after the key text in the project folder.
    m_DeveloperMode = platform::FileSystem::FileExists(EngineKeyText());
    if (m_DeveloperMode)
        m_FormInfo->Unrestrict();
    else
        m_FormInfo->Restrict();
    setAcceptDrops(m_DeveloperMode);
    m_ImgPrim->OnMouseUp = [this](Qt::MouseButton button, int x, int y) {
        m_ImgPrimMouseUp(button, x, y);
    };
    m_ImgPrim->OnMouseMove = [this](int x, int y) { DeliverMouseMove(x, y); };
}

bool TFormMain::ShowGameWindow() {
    TyxApplication& app = *m_App;
    const TVelmorSystemData& data = m_Engine->SystemData();
    // 21. Menu pictures.
    for (const char* name :
         {"IDB_MI_MESSWINDOW", "IDB_MI_SKIP", "IDB_MI_AUTOPLAY", "IDB_MI_SAVE", "IDB_MI_RETURN",
          "IDB_MI_OPTION", "IDB_MI_LOG", "IDB_MI_SNAP", "IDB_MI_EXIT"})
        m_DllRes->AddMasked(m_ILSysPM, name, 0x800080);
    SetActionImages();
    // 22. Window size and caption: the game's size scaled by the largest whole multiple the
    // screen holds, resizable, the picture scaled to whatever size it is given.
    m_ImgPrim->SetImageSize(data.Width, data.Height);
    const std::string& scaling = m_Engine->SystemState().Scaling;
    m_ImgPrim->SetFilter(m_ScalingChoice        ? *m_ScalingChoice
                         : scaling == "integer" ? TDisplayScaler::Filter::Whole
                                                : TDisplayScaler::Filter::Smooth);
    m_WindowSize = InitialWindowSize();
    setMinimumSize(std::min(320, m_WindowSize.width()), std::min(240, m_WindowSize.height()));
    resize(m_WindowSize);
    setWindowTitle(ToQString(data.Title));
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // 23. Window or full screen.
    m_DisplayMonitor = std::make_unique<TDisplayMonitor>();
    if (m_Engine->SystemState().WindowMode) {
        show();
        ReportDisplay();
    } else {
        m_Engine->SystemState().WindowMode = true;
        // The switch leaves WindowMode false when full screen came up.
        if (!SwitchDisplayMode()) {
            app.Inform(SJ("フルスクリーン化できません"), SJ("お知らせ"));
            m_Engine->SystemState().WindowMode = true;
            show();
            ReportDisplay();
        }
    }
    // 24.
    m_ImgPrim->setEnabled(true);
    setEnabled(true);
    return true;
}

bool TFormMain::ScenarioLookup() {
    TyxApplication& app = *m_App;
    TStringList candidates;
    // The folder searched is the one the game starts from.
    m_StartFolder = m_LookupFolder.empty() ? m_ProgramFolder : m_LookupFolder;
    TDirList(m_StartFolder, 0).FindFiles(candidates, kProjectExtension);
    // Installed, no game sits beside the program in bin/; the games installed with it (the
    // demo) are in the folders directly inside PREFIX/share/velmor/.
    if (candidates.empty() && m_LookupFolder.empty()) {
        const std::string shared = platform::FileSystem::FromHostPath(
            (InstallPrefix(m_ProgramFolder) / "share" / "velmor").string());
        if (platform::FileSystem::DirectoryExists(shared)) {
            m_StartFolder = shared + "/";
            TDirList(m_StartFolder, 0).FindFiles(candidates, kProjectExtension);
        }
    }
    if (candidates.size() == 1) {
        m_ScriptConfigPath = candidates[0];
        return true;
    }
    if (candidates.size() > 1) {
        TFormSelect select(this, &m_Wallpaper);
        select.SetCandidates(candidates, m_Manager.get());
        select.exec();
        if (select.ChosenPath().empty()) return false;
        m_ScriptConfigPath = select.ChosenPath();
        return true;
    }
    app.Warn(SJ("シナリオファイルが見つかりません。"));
    if (!app.Confirm(SJ("シナリオファイルを直接指定しますか？"))) {
        app.Warn(SJ("終了します"));
        return false;
    }
    const QString chosen =
        QFileDialog::getOpenFileName(this, QString::fromUtf8("シナリオファイルを指定"),
                                     QString::fromStdString(platform::FileSystem::ToHostPath(m_DialogFolder)),
                                     QString::fromUtf8("シナリオファイル(*.vsc) (*.vsc)"));
    if (chosen.isEmpty()) {
        app.Warn(SJ("終了します"));
        return false;
    }
    m_ScriptConfigPath = platform::FileSystem::FromHostPath(chosen.toStdString());
    m_StartFolder = yx::ExtractFilePath(m_ScriptConfigPath);
    return true;
}

void TFormMain::InstallIdleHandler() {
    if (m_IdleInstalled) return;
    m_IdleInstalled = true;
    if (m_ExternalDriver) return;
    // Idle passes run back to back while the game has work; when it waits for a deadline or
    // an input the zero timer stops, and the deadline timer or the input restarts it.
    m_IdleTimer = new QTimer(this);
    m_IdleTimer->setInterval(0);
    connect(m_IdleTimer, &QTimer::timeout, this, [this] { IdlePass(); });
    m_WakeTimer = new QTimer(this);
    m_WakeTimer->setSingleShot(true);
    m_WakeTimer->setTimerType(Qt::PreciseTimer);
    connect(m_WakeTimer, &QTimer::timeout, this, [this] { WakeIdle(); });
    m_IdleTimer->start();
    // While the game rests the idle passes stop, so a present joystick keeps its own poll.
    if (m_JoystickPresent) {
        m_JoyTimer = new QTimer(this);
        m_JoyTimer->setInterval(kJoystickPollMs);
        connect(m_JoyTimer, &QTimer::timeout, this, [this] {
            if (!IdleRunning()) PollJoystick();
        });
        m_JoyTimer->start();
    }
}

void TFormMain::RemoveIdleHandler() {
    m_IdleInstalled = false;
    for (QTimer** timer : {&m_IdleTimer, &m_WakeTimer, &m_JoyTimer}) {
        if (!*timer) continue;
        (*timer)->stop();
        (*timer)->deleteLater();
        *timer = nullptr;
    }
}

bool TFormMain::IdlePass() {
    // Effects pump events between their frames; a pass must not start inside another.
    if (!m_IdleInstalled || !m_Engine || m_InIdle) return m_IdleInstalled;
    PollJoystick();
    if (!m_IdleInstalled || !m_Engine) return false;
    m_InIdle = true;
    std::exception_ptr error;
    try {
        m_Engine->ModeObject().Idle();
    } catch (...) {
        error = std::current_exception();
    }
    m_InIdle = false;
    if (error) {
        Fail(error);
        return false;
    }
    RestUntilNeeded();
    return true;
}

TFormMain::Rest TFormMain::NextRest(uint32_t& deadline) const {
    deadline = 0;
    if (!m_Engine) return Rest::Input;
    const TIdleWait wait = m_Engine->ModeObject().NextWait();
    if (wait.kind == TIdleWait::kDeadline) {
        deadline = wait.deadline;
        return Rest::Deadline;
    }
    return wait.kind == TIdleWait::kInput ? Rest::Input : Rest::Run;
}

void TFormMain::RestUntilNeeded() {
    if (!m_IdleTimer) return;
    uint32_t deadline = 0;
    const Rest rest = NextRest(deadline);
    if (rest == Rest::Run) return;
    m_IdleTimer->stop();
    if (rest == Rest::Deadline) {
        const uint32_t now = m_Services.clock->TickCount();
        const uint32_t ms = deadline > now ? deadline - now : 0;
        m_WakeTimer->start(static_cast<int>(std::min<uint32_t>(ms, 1u << 30)));
    } else {
        m_WakeTimer->stop();
    }
}

bool TFormMain::IdleRunning() const {
    return m_IdleTimer && m_IdleTimer->isActive();
}

int TFormMain::WakeInterval() const {
    return m_WakeTimer && m_WakeTimer->isActive() ? m_WakeTimer->interval() : -1;
}

void TFormMain::WakeIdle() {
    if (!m_IdleTimer) return;
    m_WakeTimer->stop();
    if (!m_IdleTimer->isActive()) m_IdleTimer->start();
}

void TFormMain::Fail(std::exception_ptr error) {
    // The handler goes first, so no tick runs while the boxes are open.
    RemoveIdleHandler();
    std::string text;
    TEndReason reason = TEndReason::Fatal;
    try {
        std::rethrow_exception(error);
    } catch (const EScenarioEnd& e) {
        text = e.Text();
        reason = TEndReason::ScenarioEnd;
    } catch (const EEngineError& e) {
        text = e.Text();
    } catch (const std::bad_alloc&) {
        text = SJ("メモリが足りません");
    } catch (const std::exception& e) {
        // Not the engine's own (Qt, a library): said as it is, for a report.
        std::fprintf(stderr, "velmor: unexpected exception: %s\n", e.what());
        text = SJ("予期しないエラーが発生しました\n") + platform::Utf8ToSjis(e.what());
    } catch (...) {
        std::fputs("velmor: unexpected exception\n", stderr);
        text = SJ("予期しないエラーが発生しました");
    }
    if (m_Failed) return;
    m_Failed = true;
    if (m_Monitor) m_Monitor->Fatal(text, reason);
    // A finished game is no failure: it closes as the player's own exit would.
    if (reason == TEndReason::ScenarioEnd) {
        close();
        return;
    }
    m_App->Warn(text);
    StopAfterFatalError();
}

void TFormMain::StopAfterFatalError() {
    m_App->Stop(SJ("問題が発生したので終了します"));
    close();
}

void TFormMain::DeliverInput(TInputCode code, int x, int y) {
    if (!m_Engine || m_ShutDown) return;
    if (Guarded([&] { m_Engine->ModeObject().Input(code, x, y); })) WakeIdle();
}

void TFormMain::DeliverMouseMove(int x, int y) {
    if (!m_Engine || m_ShutDown) return;
    if (Guarded([&] { m_Engine->ModeObject().MouseMove(x, y); })) WakeIdle();
}

void TFormMain::DeliverKey(int key, bool down, bool repeat) {
    const int32_t code = TKeyMap::PluginKey(key);
    if (!m_Engine || m_ShutDown || code == 0) return;
    if (Guarded([&] { m_Engine->Plugin().Key(code, down, repeat); })) WakeIdle();
}

void TFormMain::m_ImgPrimMouseUp(Qt::MouseButton button, int x, int y) {
    if (button == Qt::LeftButton) DeliverInput(TInputCode::Confirm, x, y);
}

void TFormMain::ClickAtPointer() {
    // A click wherever the pointer is, on the bars and outside the window too, where the
    // game's positions go on past the picture.
    const QPoint p = m_ImgPrim->ToImageBeyond(m_ImgPrim->mapFromGlobal(QPointF(QCursor::pos())));
    m_ImgPrimMouseUp(Qt::LeftButton, p.x(), p.y());
}

void TFormMain::MovePointer(int dx, int dy) {
    const QPoint to = QCursor::pos() + QPoint(dx, dy);
    QCursor::setPos(to);
    // Not every platform reports a pointer it moved itself as a movement.
    QPoint p;
    if (m_ImgPrim->ToImage(m_ImgPrim->mapFromGlobal(QPointF(to)), p))
        DeliverMouseMove(p.x(), p.y());
}

void TFormMain::PollJoystick() {
    if (!m_JoystickPresent || !m_Engine || m_ShutDown) return;
    m_Joystick.Poll(*m_Services.joystick, [this](TInputCode code) {
        if (m_Engine && !m_ShutDown) DeliverInput(code, -1, -1);
    });
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
    if (m_Engine) m_Engine->ChoiceSkip().Stop();
    DeliverKey(event->key(), true, event->isAutoRepeat());
    const TKeyMap::Action action =
        TKeyMap::Press(event->key(), event->modifiers() & Qt::AltModifier);
    switch (action.kind) {
        case TKeyMap::Action::kCode:
            DeliverInput(action.code, -1, -1);
            break;
        case TKeyMap::Action::kMovePointer:
            MovePointer(action.dx, action.dy);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    if (RepeatedByForm(event->key())) {
        if (event->isAutoRepeat())
            StopKeyRepeat(event->key());  // the platform repeats it after all
        else
            StartKeyRepeat(event->key());
    }
    event->accept();
}

void TFormMain::keyReleaseEvent(QKeyEvent* event) {
    // A held key's repeats come as release and press pairs; only the real release counts.
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    StopKeyRepeat(event->key());
    DeliverKey(event->key(), false, false);
    const TKeyMap::Action action =
        TKeyMap::Release(event->key(), event->modifiers() & Qt::AltModifier);
    switch (action.kind) {
        case TKeyMap::Action::kCode:
            DeliverInput(action.code, -1, -1);
            break;
        case TKeyMap::Action::kClickAtPointer:
            ClickAtPointer();
            break;
        default:
            QWidget::keyReleaseEvent(event);
            return;
    }
    event->accept();
}

void TFormMain::StartKeyRepeat(int key) {
    if (std::find(m_RepeatKeys.begin(), m_RepeatKeys.end(), key) == m_RepeatKeys.end())
        m_RepeatKeys.push_back(key);
    if (!m_ExternalDriver && !m_RepeatTimer->isActive()) m_RepeatTimer->start(kKeyRepeatDelayMs);
}

void TFormMain::StopKeyRepeat(int key) {
    std::erase(m_RepeatKeys, key);
    if (m_RepeatKeys.empty()) m_RepeatTimer->stop();
}

void TFormMain::RepeatHeldKeys() {
    const std::vector<int> keys = m_RepeatKeys;
    for (int key : keys) {
        const TKeyMap::Action action = TKeyMap::Press(key, false);
        if (action.kind == TKeyMap::Action::kCode) DeliverInput(action.code, -1, -1);
    }
}

void TFormMain::focusOutEvent(QFocusEvent* event) {
    // A key let go in another window sends no release here.
    m_RepeatKeys.clear();
    m_RepeatTimer->stop();
    if (m_Engine) m_Engine->Plugin().ReleaseKeys();
    QWidget::focusOutEvent(event);
}

void TFormMain::showEvent(QShowEvent* event) {
    // Keys are game input, never text.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    QWidget::showEvent(event);
}

void TFormMain::contextMenuEvent(QContextMenuEvent* event) {
    FormContextPopup(event->globalPos());
    event->accept();
}

void TFormMain::FormContextPopup(const QPoint& screenPos) {
    if (!m_Engine || m_ShutDown || m_Engine->Flow().Busy) return;
    m_Engine->Flow().Skip = false;
    TMenuRules::Inputs in;
    const TVelmorGameMode::TMenu mode = m_Engine->ModeObject().Menu();
    in.modeMessageItems = mode.messageItems;
    in.modeSaveLoad = mode.saveLoad;
    in.noReadTextSkip = m_Engine->SystemState().NoReadTextSkip;
    in.paragraphRead = m_Engine->Script().ParagraphRead();
    in.sceneReplayActive = m_Engine->Galleries().SceneReplayActive();
    const TMenuRules::States st = TMenuRules::Decide(in);
    m_ActMessWinShow->setEnabled(st.messWinShowEnabled);
    m_ActMessAutoPlay->setEnabled(st.autoPlayEnabled);
    m_ActMessSkip->setEnabled(st.skipEnabled);
    m_ActSkipToChoice->setEnabled(st.skipEnabled);
    m_ActSaveLoad->setEnabled(st.saveLoadEnabled);
    m_ActSaveLoad->setVisible(st.saveLoadVisible);
    m_ActSceneEnd->setVisible(st.sceneEndVisible);
    m_Quick->UpdateMenu();
    m_PMSystem->popup(screenPos);
}

void TFormMain::m_ActMessWinShowExecute() {
    if (!m_Engine) return;
    DeliverInput(m_Engine->Flow().WindowHidden ? TInputCode::ShowWindow : TInputCode::HideWindow,
                 -1, -1);
}

void TFormMain::m_ActMessSkipExecute() {
    if (!m_Engine) return;
    if (m_Engine->ModeObject().AcceptsSkip() && m_Engine->Flow().ClickWait) {
        m_Engine->Flow().Skip = true;
        WakeIdle();
    }
}

void TFormMain::m_ActMessAutoPlayExecute() {
    if (!m_Engine) return;
    m_Engine->Flow().AutoPlay = true;
    WakeIdle();
}

// The dialogs run their own event loops, from which anything may escape.
void TFormMain::RunDialog(void (TFormMain::*dialog)()) {
    if (!m_Engine) return;
    ++m_DialogDepth;
    Guarded([this, dialog] { (this->*dialog)(); });
    --m_DialogDepth;
}

void TFormMain::m_ActSaveLoadExecute() {
    RunDialog(&TFormMain::SaveLoadDialog);
}

void TFormMain::m_ActSystemOptionExecute() {
    RunDialog(&TFormMain::OptionDialog);
}

void TFormMain::m_ActSnapshotExecute() {
    // The menu keeps this command hidden and disabled; the runner calls it directly.
    RunDialog(&TFormMain::SnapshotDialog);
}

void TFormMain::SaveLoadDialog() {
    if (!m_FormSave) m_FormSave = new TFormSave(this, m_DllRes.get(), *m_App);
    const TGameMode mode = m_Engine->Mode();
    const std::string script = m_Engine->Script().Position().Script;
    // What a save that cannot be resumed is undone to.
    const TVelmorSnapshot before = m_Engine->Snapshot();
    try {
        m_FormSave->Prepare(*m_Engine, &m_Wallpaper);
        if (m_SaveDialogDriver)
            m_SaveDialogDriver(*m_FormSave);
        else
            m_FormSave->exec();
        if (m_FormSave->Loaded()) {
            TSaveData::Resume(*m_Engine, mode, script, before);
        } else if (m_FormSave->TitleRequested()) {
            m_Engine->Galleries().TitleReturn();
        }
    } catch (const EEngineError& e) {
        // The dialog stays for the next opening; the game goes on as it was.
        m_App->Warn(e.Text());
        return;
    }
    delete m_FormSave;
    m_FormSave = nullptr;
    WakeIdle();
}

void TFormMain::m_ActSceneEndExecute() {
    if (!m_Engine) return;
    if (Guarded([this] { m_Engine->Galleries().SceneEnd(); })) WakeIdle();
}

void TFormMain::OptionDialog() {
    TVelmorSystemState& state = m_Engine->SystemState();
    TFormOption::Values given;
    given.WindowMode = state.WindowMode ? 1 : 0;
    given.NoReadTextSkip = state.NoReadTextSkip;
    given.MessageAnimation = state.MessageAnimation;
    given.SpeedPosition = std::clamp(state.MessageAnimationSpeed / 10, 0, 10);
    given.AntiAliasText = state.AntiAliasText;
    given.FontName = state.FontName;
    given.NoResumeQuestion = state.NoResumeQuestion;
    const int32_t volumes[4] = {state.BGMVolume, state.BGEVolume, state.SoundVolume,
                                state.VoiceVolume};
    for (int i = 0; i < 4; ++i) given.Volumes[i] = std::clamp(volumes[i], 0, 10);
    TFormOption::Values result;
    {
        TFormOption dialog(this, m_Engine->Channels().Player(), &m_Wallpaper, m_DllRes.get());
        try {
            dialog.SetValues(given);
        } catch (const EEngineError& e) {
            // A picture the library lacks costs the player the dialog, not the game.
            m_App->Warn(e.Text());
            return;
        }
        if (m_OptionDialogDriver)
            m_OptionDialogDriver(dialog);
        else
            dialog.exec();
        result = dialog.Result();
    }
    TyxApplication& app = *m_App;
    if (result.WindowMode != given.WindowMode) {
        if (!state.WindowMode) {
            if (!SwitchDisplayMode()) app.Inform(SJ("ウィンドウ化できません"), SJ("お知らせ"));
        } else if (m_Services.boxes->Show(
                       SJ("フルスクリーン確認"),
                       SJ("画面をフルスクリーンにすると、\nデスクトップ上のアイコンの位置がずれたり"
                          "、\n"
                          "他のウィンドウのサイズが変わったりする場合があります。\n\n"
                          "フルスクリーンにしますか？"),
                       platform::MessageIcon::Question,
                       platform::MessageButtons::YesNo) == platform::MessageAnswer::Yes) {
            if (!SwitchDisplayMode()) app.Inform(SJ("フルスクリーン化できません"), SJ("お知らせ"));
        }
    }
    state.NoReadTextSkip = result.NoReadTextSkip;
    state.NoResumeQuestion = result.NoResumeQuestion;
    state.MessageAnimation = result.MessageAnimation;
    state.AntiAliasText = result.AntiAliasText;
    state.MessageAnimationSpeed = result.SpeedPosition * 10;
    const QString font = ToQString(result.FontName);
    for (const QString& family : QFontDatabase::families())
        if (!font.isEmpty() && family.compare(font, Qt::CaseInsensitive) == 0) {
            m_Engine->Presenter().SetMessageFont(result.FontName);
            break;
        }
    state.BGMVolume = result.Volumes[0];
    state.BGEVolume = result.Volumes[1];
    state.SoundVolume = result.Volumes[2];
    state.VoiceVolume = result.Volumes[3];
    m_Engine->Channels().ApplyVolumes();
    ApplyCDVolume();
    WakeIdle();
}

void TFormMain::m_ActLogFormExecute() {
    if (!m_FormLog) return;
    m_FormLog->show();
    m_FormLog->raise();
    m_FormLog->activateWindow();
    m_FormLog->setFocus();
}

void TFormMain::SnapshotDialog() {
    m_Engine->Presenter().FlushFrame();
    TFormSnap dialog(this, &m_Wallpaper, *m_App);
    dialog.SetSystemData(&m_Engine->SystemData());
    TVelmorScene& scene = m_Engine->Scene();
    std::vector<TSprite*> miniFaces;
    for (int i = 0; i < scene.MiniFaceCount(); ++i) miniFaces.push_back(&scene.MiniFace(i));
    dialog.SetLayers(&scene.Background(), &scene.Face(), miniFaces);
    dialog.Prepare();
    if (m_SnapDialogDriver)
        m_SnapDialogDriver(dialog);
    else
        dialog.exec();
    WakeIdle();
}

void TFormMain::m_ActAppTerminateExecute() {
    close();
}

void TFormMain::m_ActFullScreenExecute() {
    if (!m_Engine || m_ShutDown || m_Engine->Flow().Busy) return;
    const bool toFullScreen = m_Engine->SystemState().WindowMode;
    bool switched = false;
    if (!Guarded([&] { switched = SwitchDisplayMode(); })) return;
    if (!switched)
        m_App->Inform(
            toFullScreen ? SJ("フルスクリーン化できません") : SJ("ウィンドウ化できません"),
            SJ("お知らせ"));
    WakeIdle();
}

void TFormMain::RaiseWindow() {
    QWidget* front = QApplication::activeModalWidget();
    if (!front) front = this;
    if (front->isMinimized()) front->showNormal();
    front->raise();
    front->activateWindow();
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_ImgPrim->setGeometry(rect());
    if (m_Avi && m_Avi->isVisible()) m_Avi->setGeometry(rect());
}

QSize TFormMain::InitialWindowSize() const {
    const QSize game = m_ImgPrim->Image().size();
    QScreen* screen = QApplication::primaryScreen();
    if (!screen) return game;
    // The frame is not known before the window is first shown; a title bar and borders.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(16, 48);
    const double dpr = screen->devicePixelRatio();
    const int scale =
        TDisplayScaler::InitialScale(game, screen->availableGeometry().size(), dpr, frame);
    return TDisplayScaler::ClientSize(game, scale, dpr);
}

void TFormMain::wheelEvent(QWheelEvent* event) {
    if (m_Engine) m_Engine->ChoiceSkip().Stop();
    // Turning the wheel towards the player is a click where the pointer is.
    if (event->angleDelta().y() < 0) {
        QPoint p;
        if (m_ImgPrim->ToImage(m_ImgPrim->mapFrom(this, event->position()), p))
            m_ImgPrimMouseUp(Qt::LeftButton, p.x(), p.y());
    }
    event->accept();
}

void TFormMain::CDControl(TCDRequest request) {
    if (!m_Engine || !m_Engine->CD().Audio() || m_Engine->CD().Drive().empty()) return;
    TyxCDAudio& cd = *m_Engine->CD().Audio();
    const std::string& drive = m_Engine->CD().Drive();
    int index = -1;  // ripped tracks stand for no drive in particular
    if (drive != m_Engine->CD().TrackFolder()) {
        const char c = drive[0];
        if (c >= 'a' && c <= 'z') {
            index = c - 'a';
        } else if (c >= 'A' && c <= 'Z') {
            index = c - 'A';
        } else {
            m_Engine->AddErrorRecord(SJ("CDPlayer : CDドライブ ") + drive + SJ(" は存在しません"));
            return;
        }
    }
    // The end of a notified track reaches the window from the sound thread.
    const TyxCDAudio::Window window = [this](uint32_t device, uint32_t code) {
        QMetaObject::invokeMethod(
            this, [this, device, code] { CDNotify(device, code); }, Qt::QueuedConnection);
    };
    const int track = m_Engine->Channels().CDTrack();
    bool done = false;
    switch (request) {
        case TCDRequest::Open:
            done = cd.OpenDrive(index);
            break;
        case TCDRequest::Play:
            done = cd.PlayTrack(track);
            break;
        case TCDRequest::Stop:
            done = cd.Stop();
            break;
        case TCDRequest::Close:
            done = cd.Close();
            break;
        case TCDRequest::PlayNotify:
            done = cd.PlayTrackNotify(window, track);
            break;
        case TCDRequest::Pause:
            done = cd.Pause();
            break;
        case TCDRequest::Resume:
            done = cd.Resume();
            break;
        case TCDRequest::Replay:
            done = cd.Replay(window);
            break;
        default:
            return;
    }
    if (m_Monitor) m_Monitor->CDPlayback(request, track, done);
}

void TFormMain::CDNotify(uint32_t device, uint32_t code) {
    // Only a track that played to its end loops; stopped, superseded or failed ones do not.
    if (code != platform::CdAudio::kNotifySuccessful || !m_Engine || m_ShutDown) return;
    if (!m_Engine->CD().Audio() || !m_Engine->CD().Audio()->IsDevice(device)) return;
    if (Guarded([this] { CDControl(TCDRequest::PlayNotify); })) WakeIdle();
}

void TFormMain::ApplyCDVolume() {
    // CD music is the game's music: it follows the music volume.
    if (m_Engine)
        platform::CdAudio::Current().SetVolume(
            TyxDSPlayer::VolumeToAttenuation(m_Engine->SystemState().BGMVolume * 10));
}

bool TFormMain::SwitchDisplayMode() {
    if (!m_Engine || !m_DisplayMonitor) return false;
    TVelmorSystemState& state = m_Engine->SystemState();
    const int w = m_Engine->SystemData().Width, h = m_Engine->SystemData().Height;
    auto showAgain = [this] {
        show();
        activateWindow();
        setFocus();
    };
    if (state.WindowMode && m_Presentation == Presentation::Window && isVisible())
        m_WindowSize = size();
    hide();
    try {
        if (state.WindowMode) {
            TDisplayMonitor& monitor = *m_DisplayMonitor;
            if (monitor.ChangeTo(w, h, 0, 0) || monitor.ChangeToSizeAndDepth(w, h, 0) ||
                monitor.ChangeToSize(w, h)) {
                SetPresentation(Presentation::FullScreen);
                move(0, 0);
            } else if (!ShowScaledFullScreen()) {
                SetPresentation(Presentation::Window);
                showAgain();
                return false;
            }
            state.WindowMode = false;
        } else {
            m_DisplayMonitor->Restore();
            state.WindowMode = true;
            SetPresentation(Presentation::Window);
            if (QScreen* screen = QApplication::primaryScreen()) {
                const QSize frame = frameGeometry().size();
                move((screen->geometry().width() - frame.width()) / 2,
                     (screen->geometry().height() - frame.height()) / 2);
            }
        }
    } catch (...) {
        showAgain();
        throw;
    }
    if (!isVisible()) showAgain();
    ReportDisplay();
    return true;
}

void TFormMain::SetPresentation(Presentation presentation) {
    const int w = m_Engine->SystemData().Width, h = m_Engine->SystemData().Height;
    m_Presentation = presentation;
    if (presentation == Presentation::Window) {
        setWindowFlags(m_WindowFlags);
        setWindowState(Qt::WindowNoState);
        setMinimumSize(std::min(320, m_WindowSize.width()), std::min(240, m_WindowSize.height()));
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(m_WindowSize.isValid() ? m_WindowSize : QSize(w, h));
        show();
        return;
    }
    // The display now has the game's size: the picture at its own.
    setWindowFlags(m_WindowFlags | Qt::FramelessWindowHint);
    setFixedSize(w, h);
    show();
}

bool TFormMain::ShowScaledFullScreen() {
    // No display mode of the game's size: the whole screen, into which the display image
    // scales the game with its aspect kept, black beside it.
    QScreen* screen = QApplication::primaryScreen();
    if (!screen) return false;
    m_Presentation = Presentation::Scaled;
    setWindowFlags(m_WindowFlags | Qt::FramelessWindowHint);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setGeometry(screen->geometry());
    showFullScreen();
    return isFullScreen();
}

void TFormMain::ReportDisplay() {
    if (!m_Monitor || !m_Engine) return;
    const bool windowed = m_Engine->SystemState().WindowMode;
    m_Monitor->Display(windowed, width(), height());
}

void TFormMain::RefreshInfo() {
    if (!m_Engine || !m_FormInfo) return;
    const TVelmorSystemData& data = m_Engine->SystemData();
    std::vector<std::pair<std::string, std::string>> rows = {
        {"ScriptConfigPath", m_ScriptConfigPath},
        {"WindowMode", m_Engine->SystemState().WindowMode ? "WindowMode" : "FullscreenMode"},
        {"ScriptLinePresent", yx::IntToStr(m_Engine->Script().Position().Line)},
        {"ScriptTitle", data.Title},
        {"StartScript", data.StartScript},
        {"PresentScript", m_Engine->Script().Position().Script},
        {"ScreenWidth", yx::IntToStr(data.Width)},
        {"ScreenHeight", yx::IntToStr(data.Height)},
    };
    static const int kBits[] = {15, 16, 24, 32};
    if (m_PixelFormat >= 4 && m_PixelFormat <= 7)
        rows.push_back({"BitPerPixel", yx::IntToStr(kBits[m_PixelFormat - 4])});
    m_FormInfo->ShowState(rows, m_Engine->Variables().List());
}

void TFormMain::ToggleInfoWindow() {
    if (!m_FormInfo) return;
    m_FormInfo->setVisible(!m_FormInfo->isVisible());
}

void TFormMain::Shutdown() {
    if (m_ShutDown) return;
    m_ShutDown = true;
    // Refusals while the game goes down reach standard error only: no window is left for them.
    platform::GameFolders::SetRefusalHandler(nullptr);
    RemoveIdleHandler();
    if (m_Avi) {
        m_Avi->OnStopped = nullptr;
        m_Avi->Stop();
    }
    if (m_FormLog) {
        delete m_FormLog;
        m_FormLog = nullptr;
    }
    m_Engine.reset();
    // The desktop's mode comes back with the engine gone, on every way out.
    m_DisplayMonitor.reset();
    if (m_FormInfo) {
        delete m_FormInfo;
        m_FormInfo = nullptr;
    }
    m_Manager.reset();
    m_DllRes.reset();
    m_Witch.reset();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // Effects let window messages through between frames, so a close can arrive while the
    // engine is still drawing inside its own call; tearing it down there would pull the
    // pictures from under the running effect. Close once it has returned instead. A dialog
    // of ours open over the game still uses it too: it is closed first.
    if (m_InIdle || m_DialogDepth > 0 || (m_Engine && m_Engine->Flow().Busy)) {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && m_DialogDepth > 0)
            modal->close();
        event->ignore();
        QTimer::singleShot(10, this, [this] { close(); });
        return;
    }
    // A game left in the middle leaves its automatic save; one that ended or failed, none.
    if (!m_ShutDown) m_Quick->Closing(m_Failed);
    Shutdown();
    event->accept();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (m_DeveloperMode && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    if (!m_DeveloperMode || !m_Engine || event->mimeData()->urls().isEmpty()) return;
    const QString path = event->mimeData()->urls().first().toLocalFile();
    const std::string dropped = platform::FileSystem::FromHostPath(path.toStdString());
    platform::GameFolders::AllowReadFile(dropped);  // the developer chose it
    if (Guarded([&] { m_Engine->Interpreter().LoadDroppedScript(dropped); })) WakeIdle();
}
