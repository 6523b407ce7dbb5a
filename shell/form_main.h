#pragma once
#include <QIcon>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/velmor_codes.h"
#include "platform/bitmap.h"
#include "platform/game_folders.h"
#include "platform/image_list.h"
#include "resources/string_list.h"
#include "shell/display_scaler.h"
#include "shell/joystick_input.h"

class QTimer;
class TVelmorMonitor;
class QAction;
class QMenu;
class TDisplayImage;
class TDisplayMonitor;
class TFormInfo;
class TFormLog;
class TFormOption;
class TFormSnap;
class TyxAvi;
class TFormSave;
class TQuickCommands;
class TVelmor;
class TyxDllRes;
class TyxWitch;
class TyxBCLManager;
class TyxApplication;
class TyxPictureDecoder;
namespace platform {
class HostCdAudio;
class Clock;
class Joystick;
class MessageBox;
}  // namespace platform

// The game window: builds the shared services, the engine and the auxiliary windows, runs the
// game from its idle handler and releases everything in reverse order on close.
class TFormMain : public QWidget {
    Q_OBJECT
public:
    // What the window hands to the engine and the dialogs. The program entry and the runner
    // make them; by default the platform's own.
    struct TServices {
        platform::Clock* clock;
        platform::MessageBox* boxes;
        platform::Joystick* joystick;
    };
    static TServices PlatformServices();
    explicit TFormMain(TServices services = PlatformServices());
    ~TFormMain() override;
    TyxApplication& App() { return *m_App; }

    // Runs the start-up sequence; false when the game cannot start (the player was told why
    // and nothing is shown). args are the command-line arguments after the program name: a
    // project file, or a folder to look for project files in instead of the program's.
    bool FormCreate(const std::vector<std::string>& args);
    // The command line's choice of filter, over the state file's; set before FormCreate.
    void SetScaling(std::optional<TDisplayScaler::Filter> filter) { m_ScalingChoice = filter; }
    // Brings the game's window (or the dialog in front of it) to the front.
    void RaiseWindow();
    void Shutdown();
    // Orderly stop after a fatal script error: the stop message, then the window closes.
    void StopAfterFatalError();

    TVelmor* Engine() { return m_Engine.get(); }
    TDisplayImage* ImgPrim() { return m_ImgPrim; }
    TFormInfo* FormInfo() { return m_FormInfo; }
    TFormLog* FormLog() { return m_FormLog; }
    TyxAvi* Avi() { return m_Avi; }
    const std::string& ScriptConfigPath() const { return m_ScriptConfigPath; }
    bool DeveloperMode() const { return m_DeveloperMode; }
    const platform::ImageList& MenuImages() const { return m_ILSysPM; }
    // The main window's mode switch: to the other presentation, changing the display mode or,
    // where no mode of the game's size can be had, scaling the game to the whole screen.
    bool SwitchDisplayMode();
    bool Scaled() const { return m_Presentation == Presentation::Scaled; }
    TDisplayMonitor* DisplayMonitor() { return m_DisplayMonitor.get(); }
    // One pass of the idle handler; returns false once it has been removed.
    bool IdlePass();
    bool IdleHandlerInstalled() const { return m_IdleInstalled; }
    // The zero timer runs (the game has work now); when it does not, the deadline timer's
    // interval in ms, or -1 when only an input wakes the game.
    bool IdleRunning() const;
    int WakeInterval() const;
    // What the game needs next: run at once, a tick-count deadline, or an input.
    enum class Rest { Run, Deadline, Input };
    Rest NextRest(uint32_t& deadline) const;
    // A driver of its own (the headless runner) calls IdlePass itself; no timers run then.
    void SetExternalDriver(bool on) { m_ExternalDriver = on; }
    // Runs the save dialog in place of its modal run (tests and the headless runner answer it).
    void SetSaveDialogDriver(std::function<void(TFormSave&)> driver) {
        m_SaveDialogDriver = std::move(driver);
    }
    // The same for the options dialog.
    void SetOptionDialogDriver(std::function<void(TFormOption&)> driver) {
        m_OptionDialogDriver = std::move(driver);
    }
    // The same for the snapshot dialog.
    void SetSnapDialogDriver(std::function<void(TFormSnap&)> driver) {
        m_SnapDialogDriver = std::move(driver);
    }
    // Set before FormCreate: resume the automatic save without asking.
    void SetContinue(bool on) { m_Continue = on; }
    TQuickCommands& Quick() { return *m_Quick; }
    // Set before FormCreate; handed to the engine when it is built.
    void SetMonitor(TVelmorMonitor* monitor) { m_Monitor = monitor; }
    // For a host that looks at the screen only when it says so (the runner).
    void SetFramesOnDemand(bool onDemand) { m_FramesOnDemand = onDemand; }
    // An input code with its display-image position to the present mode's handler.
    void DeliverInput(TInputCode code, int x, int y);
    void DeliverMouseMove(int x, int y);
    // A key pressed or released on the window, for a plug-in.
    void DeliverKey(int key, bool down, bool repeat);

    // Input.
    const TJoystickInput& Joystick() const { return m_Joystick; }
    bool JoystickPresent() const { return m_JoystickPresent; }
    void PollJoystick();
    // Delivers the press again for each held key the platform does not repeat by itself
    // (Shift and Ctrl on most X11 set-ups); the repeat timer calls it.
    void RepeatHeldKeys();

    // The context menu on the right button: only when the engine is not busy.
    void FormContextPopup(const QPoint& screenPos);
    QMenu* PMSystem() { return m_PMSystem; }

    // The player's commands.
    void m_ActMessWinShowExecute();
    void m_ActMessSkipExecute();
    void m_ActMessAutoPlayExecute();
    void m_ActSaveLoadExecute();
    void m_ActSceneEndExecute();
    void m_ActSystemOptionExecute();
    void m_ActLogFormExecute();
    void m_ActSnapshotExecute();
    void m_ActAppTerminateExecute();
    // F11: window or full screen, the same switch as the options dialog's.
    void m_ActFullScreenExecute();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void AllowArchiveData();
    void ConfineToGame(const std::string& projectFolder);
    void RecordRefusal(const std::string& file, const std::string& rule);
    bool StartUp();
    // Start-up steps, in their order.
    void OpenProjectArchives(const std::string& projectFolder);
    void SetProjectIcon();
    void ConnectEngineServices();
    void ConnectInfoWindow();
    bool ShowGameWindow();
    bool ScenarioLookup();
    void InstallIdleHandler();
    void RemoveIdleHandler();
    // The dialogs' commands, run guarded by their actions.
    void RunDialog(void (TFormMain::*dialog)());
    void SaveLoadDialog();
    void OptionDialog();
    void SnapshotDialog();
    // Stops the idle passes until the next deadline or input, when the game has nothing to do.
    void RestUntilNeeded();
    void WakeIdle();
    // Runs what the event loop called; whatever escapes it ends the game through Fail, and
    // false says so.
    template <class Body>
    bool Guarded(Body&& body);
    // The game cannot go on: shows why (the end of the scenario quietly, as a game ends) and
    // closes the window in order, so the player's progress is written.
    void Fail(std::exception_ptr error);
    void m_ImgPrimMouseUp(Qt::MouseButton button, int x, int y);
    void ClickAtPointer();
    void MovePointer(int dx, int dy);
    void CreateActions();
    void SetActionImages();
    void StartKeyRepeat(int key);
    void StopKeyRepeat(int key);
    void CDControl(TCDRequest request);
    // A CD play sent with notification has ended (MM_MCINOTIFY): a normal end plays it again.
    void CDNotify(uint32_t device, uint32_t code);
    void ApplyCDVolume();
    // Full screen for a window or a window for full screen (WindowMode tells which it is now).
    enum class Presentation { Window, FullScreen, Scaled };
    void SetPresentation(Presentation presentation);
    bool ShowScaledFullScreen();
    // The first window: the largest whole multiple of the game's size the screen holds.
    QSize InitialWindowSize() const;
    void ReportDisplay();
    void ToggleInfoWindow();
    // The information window's system rows and variable table, from the engine.
    void RefreshInfo();

    std::string m_ScriptConfigPath;
    std::string m_ProgramFolder;
    // The scenario file dialog's first folder: the one given, or the current one at start.
    std::string m_DialogFolder;
    std::string m_LookupFolder;
    // Where the player started the game: the folder given or searched, or the picked project's.
    std::string m_StartFolder;
    // Error records told before the engine exists.
    TStringList m_PendingRecords;
    std::optional<TDisplayScaler::Filter> m_ScalingChoice;
    QSize m_WindowSize;
    TDisplayImage* m_ImgPrim;
    QAction* m_ActAbout;
    QTimer* m_IdleTimer = nullptr;
    QTimer* m_WakeTimer = nullptr;
    bool m_IdleInstalled = false;
    bool m_ExternalDriver = false;
    bool m_InIdle = false;
    // The dialogs of the commands open now (their event loops run the idle passes too).
    int m_DialogDepth = 0;
    TVelmorMonitor* m_Monitor = nullptr;
    bool m_FramesOnDemand = false;
    bool m_ShutDown = false;
    // Fail has run: a second failure on the way out shows nothing more.
    bool m_Failed = false;
    bool m_DeveloperMode = false;

    QIcon m_AppIcon;
    platform::Bitmap m_Wallpaper;
    std::unique_ptr<TyxDllRes> m_DllRes;
    // Gives back the file confinement that was in force before this window (last to go).
    platform::GameFolders::Scope m_FoldersBefore;
    std::unique_ptr<TyxWitch> m_Witch;
    TServices m_Services;
    std::unique_ptr<TyxApplication> m_App;
    std::unique_ptr<TyxPictureDecoder> m_Pictures;
    std::unique_ptr<TyxBCLManager> m_Manager;
    // The host's CD audio, the current driver unless one was installed before this window;
    // it outlives the engine, which stops and closes its devices.
    std::unique_ptr<platform::HostCdAudio> m_HostCd;
    bool m_HostCdInstalled = false;
    const int m_SysMenuCommand = 10;
    const uint8_t m_PixelFormat = 7;
    bool m_JoystickPresent = false;
    TJoystickInput m_Joystick;
    QTimer* m_JoyTimer = nullptr;
    platform::ImageList m_ILSysPM;
    TFormSave* m_FormSave = nullptr;
    TyxAvi* m_Avi = nullptr;
    std::function<void(TFormSave&)> m_SaveDialogDriver;
    std::function<void(TFormOption&)> m_OptionDialogDriver;
    std::function<void(TFormSnap&)> m_SnapDialogDriver;
    // False when the saved script cannot be loaded (nothing has moved then).

    std::unique_ptr<TQuickCommands> m_Quick;
    bool m_Continue = false;

    QMenu* m_PMSystem = nullptr;
    QAction* m_ActMessWinShow = nullptr;
    QAction* m_ActMessSkip = nullptr;
    QAction* m_ActMessAutoPlay = nullptr;
    QAction* m_ActSaveLoad = nullptr;
    QAction* m_ActSceneEnd = nullptr;
    QAction* m_ActSystemOption = nullptr;
    QAction* m_ActLogForm = nullptr;
    QAction* m_ActSnapshot = nullptr;
    QAction* m_ActAppTerminate = nullptr;
    QAction* m_ActFullScreen = nullptr;
    // F3: skipping on to the next choice; last in the menu, after the original's items.
    QAction* m_ActSkipToChoice = nullptr;

    // Held keys repeated by the form itself; a key the platform repeats leaves the list.
    QTimer* m_RepeatTimer = nullptr;
    std::vector<int> m_RepeatKeys;

    TFormInfo* m_FormInfo = nullptr;
    TFormLog* m_FormLog = nullptr;
    std::unique_ptr<TVelmor> m_Engine;
    std::unique_ptr<TDisplayMonitor> m_DisplayMonitor;
    Qt::WindowFlags m_WindowFlags;
    Presentation m_Presentation = Presentation::Window;
};
