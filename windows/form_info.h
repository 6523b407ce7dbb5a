#pragma once
#include <QWidget>
#include <functional>
#include <string>

#include "resources/string_list.h"

class QListWidget;
class QTabWidget;
class TyxWitch;
class TyxDllRes;
class TyxBCLManager;
namespace platform { class Bitmap; }

// The about window with the hidden debug panel; its error list is the engine's.
class TFormInfo : public QWidget {
    Q_OBJECT
public:
    TFormInfo(QWidget* owner, platform::Bitmap* wallpaper, TyxWitch* witch, TyxDllRes* dllRes);

    TStringList& ErrorLines() { return m_ErrorLines; }
    void Restrict() { m_Restricted = true; }
    void Unrestrict() { m_Restricted = false; }
    bool Restricted() const { return m_Restricted; }
    void SetResourceManager(TyxBCLManager* manager) { m_Manager = manager; }
    void ShowAbout(const std::string& projectPath, const std::string& title);
    void ShowErrorPage();
    std::function<void(const std::string&, int32_t)> OnSetVariable;
    std::function<void()> OnRefresh;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void RefreshErrors();
    TStringList m_ErrorLines;
    bool m_Restricted = true;
    platform::Bitmap* m_Wallpaper;
    TyxWitch* m_Witch;
    TyxDllRes* m_DllRes;
    TyxBCLManager* m_Manager = nullptr;
    QTabWidget* m_PageControl;
    QListWidget* m_LBError;
};
