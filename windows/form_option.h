#pragma once
// The player's settings: window or full screen, text skipping and animation, the message font,
// and the four volumes, which change at once while their sliders move.
#include <QDialog>
#include <string>

#include "platform/image_list.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QTabWidget;
class TyxDllRes;
class TyxDSPlayer;
namespace platform {
class Bitmap;
}

class TFormOption : public QDialog {
    Q_OBJECT
public:
    struct Values {
        uint8_t WindowMode = 1;  // 0 full screen, 1 window
        bool NoReadTextSkip = false;
        bool MessageAnimation = true;
        int SpeedPosition = 1;  // 0 to 10, 10 ms each
        bool AntiAliasText = true;
        std::string FontName;
        int Volumes[4] = {10, 10, 10, 10};  // music, ambient, effects, voice; 0 to 10
        bool NoResumeQuestion = false;
    };

    TFormOption(QWidget* owner, TyxDSPlayer& player, platform::Bitmap* wallpaper,
                TyxDllRes* dllRes);
    // Shows the values; throws EEngineError when a button picture is missing.
    void SetValues(const Values& values);
    // The given values, or the controls' states after OK.
    const Values& Result() const { return m_Values; }

    // The player's two ways out (OK also by Enter; Escape keeps the given values).
    void Ok();
    void Cancel();

    QTabWidget* m_PageControl;
    QCheckBox* m_CBWindowMode;
    QCheckBox* m_CBNoReadTextSkip;
    QCheckBox* m_CBAntiAliasText;
    QCheckBox* m_CBMessageAnimation;
    QCheckBox* m_CBNoResumeQuestion;
    QLabel* m_LMessageAnimation1;
    QLabel* m_LMessageAnimation2;
    QLabel* m_LMessageAnimation3;
    QSlider* m_TBMessageAnimation;
    QComboBox* cbFontName;
    QSlider* m_TBVolumes[4];

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AnimationClicked();
    void ShowPicture(QLabel* button, int index);
    TyxDSPlayer& m_Player;
    platform::Bitmap* m_Wallpaper;
    TyxDllRes* m_DllRes;
    platform::ImageList m_Images;
    Values m_Values;
    QLabel* m_ImgOK;
    QLabel* m_ImgCancel;
};
