#pragma once
#include <QWidget>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/velmor_int_variable.h"
#include "resources/string_list.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QScrollArea;
class QTabWidget;
class QTableWidget;
class QTextEdit;
class QTreeWidget;
class TyxWitch;
class TyxDllRes;
class TyxApplication;
class TyxBCLManager;
namespace platform {
class Bitmap;
}

// The about window with the hidden debug panel; its error list is the engine's.
class TFormInfo : public QWidget {
    Q_OBJECT
public:
    TFormInfo(QWidget* owner, platform::Bitmap* wallpaper, TyxWitch* witch, TyxDllRes* dllRes,
              TyxApplication& app);

    TStringList& ErrorLines() { return m_ErrorLines; }
    void Restrict() { m_Restricted = true; }
    void Unrestrict() { m_Restricted = false; }
    bool Restricted() const { return m_Restricted; }
    void SetResourceManager(TyxBCLManager* manager) { m_Manager = manager; }
    // The engine's and the game's about texts, read once.
    void ShowAbout(const std::string& projectPath, const std::string& title);
    void ShowErrorPage();
    // The engine added a record: the open window's list follows it.
    void ErrorsChanged();
    // Opens the debug panel (as a double-click on the logo does); nothing when restricted.
    void OpenDebugPanel();
    void CloseDebugPanel();
    bool DebugPanelOpen() const;

    // What the refresh shows: system information rows (name, value) and the variables.
    void ShowState(const std::vector<std::pair<std::string, std::string>>& systemInfo,
                   const std::vector<TVelmorIntVariable>& variables);
    // The main window's services: the variable writer and the refresh.
    std::function<void(const std::string&, int32_t)> OnSetVariable;
    std::function<void()> OnRefresh;

    QAction* m_ActVar_Read;
    QAction* m_ActVar_Write;
    QAction* m_ActRichEdit_Copy;
    QListWidget* m_LBError;
    QTreeWidget* m_LVSysData;
    QTableWidget* m_SGVariable;
    QLabel* m_PnlVariable;
    QTextEdit* m_RECopyright;
    QTextEdit* m_REditRSC;
    QLineEdit* m_EditRSCTitle;
    QLineEdit* m_EditPass;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window's parts, built in this order by the constructor.
    void BuildAbout();
    void BuildCopyMenu();
    void BuildDebugPanel();
    void BuildVariableMenu();
    void RefreshErrors();
    void WriteVariables();
    void WriteGridHeader();
    TStringList m_ErrorLines;
    bool m_Restricted = true;
    bool m_Filling = false;
    bool m_ErrorsPending = false;
    platform::Bitmap* m_Wallpaper;
    TyxWitch* m_Witch;
    TyxDllRes* m_DllRes;
    TyxApplication& m_App;
    TyxBCLManager* m_Manager = nullptr;
    QWidget* m_About;
    QLabel* m_ImgLogo;
    QLabel* m_ImgTitle;
    QLabel* m_ImgRSC;
    QScrollArea* m_SB;
    QWidget* m_PnlInfo;
    QTabWidget* m_PageControl;
};
