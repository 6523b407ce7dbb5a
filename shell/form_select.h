#pragma once
#include <QDialog>
#include <string>

#include "resources/string_list.h"

class QLabel;
class QListWidget;
class QPushButton;
class TyxBCLManager;
namespace platform { class Bitmap; }

// Offers the project files found beside the program when there are several.
class TFormSelect : public QDialog {
    Q_OBJECT
public:
    TFormSelect(QWidget* owner, platform::Bitmap* wallpaper);
    void SetCandidates(const TStringList& candidates, TyxBCLManager* manager);
    const std::string& ChosenPath() const { return m_ChosenPath; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Choose();
    TStringList m_Candidates;
    std::string m_ChosenPath;
    platform::Bitmap* m_Wallpaper;
    TyxBCLManager* m_Manager = nullptr;
    QLabel* m_ImgIcon;
    QListWidget* m_LVTitle;
    QPushButton* m_BtnOK;
};
