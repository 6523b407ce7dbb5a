#include "shell/form_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>

#include "engine/velmor.h"
#include "engine/velmor_monitor.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/sjis.h"
#include "resources/application.h"
#include "resources/bcl_manager.h"
#include "resources/dir_list.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/engine_key.h"
#include "resources/sjis_text.h"
#include "resources/witch.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"
#include "shell/display_image.h"
#include "shell/form_select.h"
#include "windows/form_info.h"
#include "windows/form_log.h"

namespace {
const char* const kProjectExtension = ".vsc";
QString Q(const std::string& sjis) {
    return QString::fromStdString(platform::SjisToUtf8(sjis));
}
std::string S(const QString& text) {
    return platform::Utf8ToSjis(text.toStdString());
}
}  // namespace

TFormMain::TFormMain() : QWidget(nullptr) {
    setWindowTitle("velmor");
    setMinimumSize(320, 240);
    resize(312, 213);
    setEnabled(false);
    m_ImgPrim = new TDisplayImage(this);
    m_ImgPrim->move(0, 0);
    m_ImgPrim->setEnabled(false);
    // There is no system menu to extend here, so its added item is an action with a key.
    m_ActAbout = new QAction(QString::fromUtf8("システムについて"), this);
    m_ActAbout->setShortcut(QKeySequence(Qt::Key_F1));
    m_ActAbout->setShortcutContext(Qt::WindowShortcut);
    connect(m_ActAbout, &QAction::triggered, this, [this] { ToggleInfoWindow(); });
    addAction(m_ActAbout);
}

TFormMain::~TFormMain() {
    Shutdown();
}

bool TFormMain::FormCreate(const std::vector<std::string>& args) {
    m_ProgramFolder = platform::FileSystem::ProgramFolder();
    platform::FileSystem::SetCurrentFolder(m_ProgramFolder);
    if (!args.empty() && yx::SameTextAscii(yx::ExtractFileExt(args[0]), kProjectExtension))
        m_ScriptConfigPath = args[0];
    m_Witch = std::make_unique<TyxWitch>(0);
    if (!StartUp()) {
        Shutdown();
        return false;
    }
    m_Engine->ComposeFrame();
    m_Engine->PresentFrame();
    InstallIdleHandler();
    return true;
}

bool TFormMain::StartUp() {
    auto& app = TyxApplication::Instance();
    // 1. The scrambler's key.
    m_Witch->SetKey(EngineKeyText());
    // 2, 3. The resource library and the wallpaper.
    try {
        m_DllRes = std::make_unique<TyxDllRes>(m_ProgramFolder + "VELMORRC.DLL", true);
    } catch (const EEngineError& e) {
        app.Warn(e.Text());
        return false;
    }
    if (!m_DllRes->LoadBitmap(m_Wallpaper, "IDB_KABEGAMI")) {
        app.Warn(SJ("リソースが読み込めません"));
        return false;
    }
    // 4. Archives beside the program.
    m_Manager = std::make_unique<TyxBCLManager>(m_Witch.get());
    m_Manager->AddFolder(m_ProgramFolder, 0);
    // 5. The project file.
    if (m_ScriptConfigPath.empty() && !ScenarioLookup()) return false;
    // 6. The project's folder becomes the current folder.
    const std::string projectFolder = yx::ExtractFilePath(m_ScriptConfigPath);
    platform::FileSystem::SetCurrentFolder(projectFolder);
    if (!yx::SameText(yx::IncludeTrailingBackslash(projectFolder),
                      yx::IncludeTrailingBackslash(m_ProgramFolder)))
        m_Manager->AddFolder(projectFolder, 0);
    // 7. The project's archive list, relative to the program's folder.
    {
        TXiniFile project(m_ScriptConfigPath, true);
        TStringList archives;
        project.ReadSectionLines("BCL", archives);
        std::string missing;
        for (const auto& name : archives) {
            const std::string full =
                name.size() > 0 && name[0] == '/' ? name : m_ProgramFolder + name;
            if (!m_Manager->AddArchive(full)) missing += full + "\r\n";
        }
        if (!missing.empty()) app.Warn(missing + SJ("以上のファイルが見つかりません。"));
    }
    // 8. The program's icon.
    m_AppIcon = QApplication::windowIcon();
    // 9. The message font.
    const QString pGothic = QString::fromUtf8("ＭＳ Ｐゴシック");
    std::string fontName = SJ("ＭＳ ゴシック");
    for (const QString& family : QFontDatabase::families())
        if (family.compare(pGothic, Qt::CaseInsensitive) == 0) fontName = S(pGothic);
    // 10. The information window.
    m_FormInfo = new TFormInfo(this, &m_Wallpaper, m_Witch.get(), m_DllRes.get());
    // 11. Pixel format and joystick.
    m_JoystickPresent = false;
    // 12. The engine.
    try {
        m_Engine = std::make_unique<TVelmor>(
            m_ScriptConfigPath, m_DllRes.get(), &m_FormInfo->ErrorLines(), nullptr, fontName,
            m_PixelFormat, m_ImgPrim, m_Witch.get(), m_Manager.get());
    } catch (const EEngineError& e) {
        app.Warn(e.Text());
        return false;
    }
    m_Engine->SetMonitor(m_Monitor);
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
    // 14. The application title.
    app.SetTitle(data.Title);
    // 15. CD control.
    m_Engine->SetCDControl([this](int request) { CDControl(request); });
    m_Engine->CDControlRequest(TVelmor::kCDOpen);
    // 16, 17. Sampled sound and the video player come with their own layers.
    // 18. The history window.
    m_FormLog = new TFormLog(this, 100);
    m_Engine->OnMessageLogged = [this](const std::string& text) { m_FormLog->AddMessage(text); };
    // 19. The information window's services.
    m_FormInfo->SetResourceManager(m_Manager.get());
    m_FormInfo->ShowAbout(m_ScriptConfigPath, data.Title);
    m_FormInfo->OnSetVariable = [this](const std::string& name, int32_t value) {
        int32_t old;
        if (!m_Engine || !m_Engine->GetIntVariable(name, old)) return;
        m_Engine->SetIntVariable(name, value);
        if (m_Engine->OnVariablesChanged) m_Engine->OnVariablesChanged();
        WakeIdle();
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
    // 21. Menu pictures.
    for (const char* name :
         {"IDB_MI_MESSWINDOW", "IDB_MI_SKIP", "IDB_MI_AUTOPLAY", "IDB_MI_SAVE", "IDB_MI_RETURN",
          "IDB_MI_OPTION", "IDB_MI_LOG", "IDB_MI_SNAP", "IDB_MI_EXIT"})
        m_DllRes->AddMasked(m_ILSysPM, name, 0x800080);
    // 22. Window size and caption.
    m_ImgPrim->SetImageSize(data.Width, data.Height);
    setFixedSize(data.Width, data.Height);
    setWindowTitle(Q(data.Title));
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // 23. Window or full screen.
    if (m_Engine->SystemState().WindowMode) {
        show();
    } else {
        m_Engine->SystemState().WindowMode = true;
        showFullScreen();
        if (!isFullScreen()) {
            app.Inform(SJ("フルスクリーン化できません"), SJ("お知らせ"));
            m_Engine->SystemState().WindowMode = true;
            showNormal();
        }
    }
    // 24.
    m_ImgPrim->setEnabled(true);
    setEnabled(true);
    return true;
}

bool TFormMain::ScenarioLookup() {
    auto& app = TyxApplication::Instance();
    TStringList candidates;
    TDirList(m_ProgramFolder, 0).FindFiles(candidates, kProjectExtension);
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
                                     QString::fromStdString(platform::SjisToUtf8(m_ProgramFolder)),
                                     QString::fromUtf8("シナリオファイル(*.vsc) (*.vsc)"));
    if (chosen.isEmpty()) {
        app.Warn(SJ("終了します"));
        return false;
    }
    m_ScriptConfigPath = platform::FileSystem::FromHostPath(chosen.toStdString());
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
}

void TFormMain::RemoveIdleHandler() {
    m_IdleInstalled = false;
    for (QTimer** timer : {&m_IdleTimer, &m_WakeTimer}) {
        if (!*timer) continue;
        (*timer)->stop();
        (*timer)->deleteLater();
        *timer = nullptr;
    }
}

bool TFormMain::IdlePass() {
    // Effects pump events between their frames; a pass must not start inside another.
    if (!m_IdleInstalled || !m_Engine || m_InIdle) return m_IdleInstalled;
    m_InIdle = true;
    try {
        switch (m_Engine->Mode()) {
            case TVelmor::kModeNone:
            case TVelmor::kModeScript:
            case TVelmor::kModeChoice:
                m_Engine->Tick();
                break;
            default:
                break;  // the warp map's tick and the plug-in's clock come with them
        }
    } catch (const EEngineError& e) {
        m_InIdle = false;
        FatalError(e.Text());
        return false;
    }
    m_InIdle = false;
    RestUntilNeeded();
    return true;
}

TFormMain::Rest TFormMain::NextRest(uint32_t& deadline) const {
    deadline = 0;
    if (!m_Engine) return Rest::Input;
    switch (m_Engine->Mode()) {
        case TVelmor::kModeNone:
        case TVelmor::kModeScript:
        case TVelmor::kModeChoice:
            break;
        default:
            return Rest::Input;
    }
    const TVelmor::IdleWait wait = m_Engine->NextWait();
    if (wait.kind == TVelmor::IdleWait::kDeadline) {
        deadline = wait.deadline;
        return Rest::Deadline;
    }
    return wait.kind == TVelmor::IdleWait::kInput ? Rest::Input : Rest::Run;
}

void TFormMain::RestUntilNeeded() {
    if (!m_IdleTimer) return;
    uint32_t deadline = 0;
    const Rest rest = NextRest(deadline);
    if (rest == Rest::Run) return;
    m_IdleTimer->stop();
    if (rest == Rest::Deadline) {
        const uint32_t now = platform::Clock::Current().TickCount();
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

void TFormMain::FatalError(const std::string& text) {
    // The handler goes first, so no tick runs while the boxes are open.
    RemoveIdleHandler();
    if (m_Monitor) m_Monitor->Fatal(text);
    TyxApplication::Instance().Warn(text);
    StopAfterFatalError();
}

void TFormMain::StopAfterFatalError() {
    TyxApplication::Instance().Stop(SJ("問題が発生したので終了します"));
    close();
}

void TFormMain::DeliverInput(int code, int x, int y) {
    if (!m_Engine || m_ShutDown) return;
    try {
        m_Engine->Input(code, x, y);
    } catch (const EEngineError& e) {
        FatalError(e.Text());
        return;
    }
    WakeIdle();
}

void TFormMain::DeliverMouseMove(int x, int y) {
    if (!m_Engine || m_ShutDown) return;
    try {
        m_Engine->MouseMove(x, y);
    } catch (const EEngineError& e) {
        FatalError(e.Text());
        return;
    }
    WakeIdle();
}

void TFormMain::m_ImgPrimMouseUp(Qt::MouseButton button, int x, int y) {
    if (button == Qt::LeftButton) DeliverInput(1, x, y);
}

void TFormMain::ClickAtPointer() {
    const QPoint p = m_ImgPrim->mapFromGlobal(QCursor::pos());
    m_ImgPrimMouseUp(Qt::LeftButton, p.x(), p.y());
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
    const bool alt = event->modifiers() & Qt::AltModifier;
    auto movePointer = [](int dx, int dy) { QCursor::setPos(QCursor::pos() + QPoint(dx, dy)); };
    switch (event->key()) {
        case Qt::Key_Shift:
            DeliverInput(3, -1, -1);
            break;
        case Qt::Key_Control:
            DeliverInput(2, -1, -1);
            break;
        case Qt::Key_Left:
            alt ? movePointer(-8, 0) : DeliverInput(7, -1, -1);
            break;
        case Qt::Key_Right:
            alt ? movePointer(8, 0) : DeliverInput(8, -1, -1);
            break;
        case Qt::Key_Up:
            alt ? movePointer(0, -8) : DeliverInput(5, -1, -1);
            break;
        case Qt::Key_Down:
            alt ? movePointer(0, 8) : DeliverInput(6, -1, -1);
            break;
        case Qt::Key_PageUp:
            DeliverInput(5, -1, -1);
            break;
        case Qt::Key_PageDown:
            DeliverInput(6, -1, -1);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void TFormMain::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat() && event->key() != Qt::Key_Shift) {
        event->accept();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (event->modifiers() & Qt::AltModifier)
                ClickAtPointer();
            else
                DeliverInput(1, -1, -1);
            break;
        case Qt::Key_Shift:
            if (!event->isAutoRepeat()) DeliverInput(4, -1, -1);
            break;
        default:
            QWidget::keyReleaseEvent(event);
            return;
    }
    event->accept();
}

void TFormMain::wheelEvent(QWheelEvent* event) {
    // Turning the wheel towards the player is a click where the pointer is.
    if (event->angleDelta().y() < 0) {
        const QPoint p = m_ImgPrim->mapFrom(this, event->position().toPoint());
        m_ImgPrimMouseUp(Qt::LeftButton, p.x(), p.y());
    }
    event->accept();
}

void TFormMain::CDControl(int /*request*/) {
    // The CD device arrives with the sound layer.
}

void TFormMain::ToggleInfoWindow() {
    if (!m_FormInfo) return;
    m_FormInfo->setVisible(!m_FormInfo->isVisible());
}

void TFormMain::Shutdown() {
    if (m_ShutDown) return;
    m_ShutDown = true;
    RemoveIdleHandler();
    if (m_FormLog) {
        delete m_FormLog;
        m_FormLog = nullptr;
    }
    m_Engine.reset();
    if (m_FormInfo) {
        delete m_FormInfo;
        m_FormInfo = nullptr;
    }
    m_Manager.reset();
    m_DllRes.reset();
    m_Witch.reset();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    Shutdown();
    event->accept();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (m_DeveloperMode && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    if (!m_DeveloperMode || !m_Engine || event->mimeData()->urls().isEmpty()) return;
    const QString path = event->mimeData()->urls().first().toLocalFile();
    m_Engine->LoadDroppedScript(platform::FileSystem::FromHostPath(path.toStdString()));
    WakeIdle();
}
