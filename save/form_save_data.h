#pragma once
// The details of one save: name, date and time shown, the comment typed by the player.
#include <QDialog>
#include <string>

#include "platform/image_list.h"

class QLineEdit;
class QLabel;
class QPushButton;
class TyxDllRes;
namespace platform { class Bitmap; }

class TFormSaveData : public QDialog {
    Q_OBJECT
public:
    TFormSaveData(QWidget* owner, platform::Bitmap* wallpaper, TyxDllRes* dllRes);
    // Plain buttons stand in when the library lacks a button picture.
    void Fill(const std::string& name, const std::string& date, const std::string& time,
              const std::string& comment);
    bool Accepted() const { return m_Accepted; }
    std::string Date() const;
    std::string Time() const;
    std::string Comment() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPicture(QLabel* button, int index);
    platform::Bitmap* m_Wallpaper;
    TyxDllRes* m_DllRes;
    platform::ImageList m_Images;
    bool m_Accepted = false;
    QLineEdit* m_EdtDataName;
    QLineEdit* m_EdtDataDate;
    QLineEdit* m_EdtDataTime;
    QLineEdit* m_EdtDataComment;
    QLabel* m_ImgOK;
    QLabel* m_ImgCancel;
    QPushButton* m_BtnOK;
    QPushButton* m_BtnCancel;
};
