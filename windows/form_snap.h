#pragma once
// The snapshot dialog: the scene without its message window (background, optionally the
// standing character and the small faces) saved as a JPEG or a 24-bit bitmap.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class TSprite;
struct TVelmorSystemData;
namespace platform {
class Bitmap;
}

class TyxApplication;

class TFormSnap : public QDialog {
    Q_OBJECT
public:
    // Asks for the file name with the dialog's filter and a proposed name; false when the
    // player cancels. Tests and the runner answer it themselves.
    using FileQuestion = std::function<bool(const std::string& filter, std::string& fileName)>;

    TFormSnap(QWidget* owner, platform::Bitmap* wallpaper, TyxApplication& app);
    ~TFormSnap() override;

    // Set by the main window before Prepare; all borrowed.
    void SetSystemData(const TVelmorSystemData* data) { m_SystemData = data; }
    void SetLayers(TSprite* background, TSprite* face, std::vector<TSprite*> miniFaces);
    void Prepare();
    void Compose();
    void SetFileQuestion(FileQuestion question) { m_FileQuestion = std::move(question); }

    void m_BtnJpegClick();
    void m_BtnBitmapClick();
    // Product, date and time without the characters file names cannot hold, and the extension.
    static std::string ProposedName(const std::string& product, const std::string& date,
                                    const std::string& time, const char* extension);
    // The chosen name with the extension the format needs appended when it has another.
    static std::string WithExtension(const std::string& name, bool jpeg);
    const platform::Bitmap& WorkBitmap() const;

    QLabel* m_ImgScreen;
    QFrame* Shape1;
    QCheckBox* m_CBImgFace;
    QLabel* m_LabelImgFace;
    QCheckBox* m_CBImgMini;
    QLabel* m_LabelImgMini;
    QLabel* m_LJpegQTitle;
    QLabel* m_LJpegQ;
    QSlider* m_TBQuality;
    QPushButton* m_BtnJpeg;
    QPushButton* m_BtnBitmap;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Save(bool jpeg);
    bool AskFileName(const std::string& filter, std::string& fileName);

    platform::Bitmap* m_Wallpaper;
    TyxApplication& m_App;
    std::unique_ptr<TSprite> m_Work;
    const TVelmorSystemData* m_SystemData = nullptr;
    TSprite* m_Background = nullptr;
    TSprite* m_Face = nullptr;
    std::vector<TSprite*> m_MiniFaces;
    FileQuestion m_FileQuestion;
};
