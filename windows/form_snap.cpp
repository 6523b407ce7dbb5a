#include "windows/form_snap.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>

#include "engine/velmor_system_data.h"
#include "graphics/sprite.h"
#include "platform/bitmap.h"
#include "platform/bitmap_qt.h"
#include "platform/file_system.h"
#include "platform/game_folders.h"
#include "platform/message_box.h"
#include "platform/picture_writer.h"
#include "platform/sjis.h"
#include "platform/sjis_qt.h"
#include "resources/application.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

namespace {
QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}
// Blue, underlined, with a hand: a label that works the box beside it.
QLabel* LinkLabel(const char* caption, QWidget* parent) {
    auto* label = new QLabel(U(caption), parent);
    label->setStyleSheet("color: blue; text-decoration: underline;");
    label->setCursor(Qt::PointingHandCursor);
    return label;
}
}  // namespace

TFormSnap::TFormSnap(QWidget* owner, platform::Bitmap* wallpaper, TyxApplication& app)
    : QDialog(owner),
      m_Wallpaper(wallpaper),
      m_App(app),
      m_Work(std::make_unique<TSprite>(7, false, nullptr, nullptr, nullptr)) {
    setWindowTitle(U("スナップショット"));
    setFixedSize(422, 173);
    QFont font(U("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);

    Shape1 = new QFrame(this);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setGeometry(7, 7, 164, 124);
    m_ImgScreen = new QLabel(this);
    m_ImgScreen->setGeometry(9, 9, 160, 120);

    m_CBImgFace = new QCheckBox(this);
    m_CBImgFace->setGeometry(184, 10, 16, 16);
    m_LabelImgFace = LinkLabel("立ちキャラクター", this);
    m_LabelImgFace->setGeometry(202, 10, 120, 16);
    m_CBImgMini = new QCheckBox(this);
    m_CBImgMini->setGeometry(184, 32, 16, 16);
    m_LabelImgMini = LinkLabel("顔グラフィック", this);
    m_LabelImgMini->setGeometry(202, 32, 120, 16);
    m_CBImgFace->setChecked(true);
    m_CBImgFace->setEnabled(false);
    m_CBImgMini->setChecked(false);
    m_CBImgMini->setEnabled(false);
    m_LabelImgFace->installEventFilter(this);
    m_LabelImgMini->installEventFilter(this);
    connect(m_CBImgFace, &QCheckBox::clicked, this, [this] { Compose(); });
    connect(m_CBImgMini, &QCheckBox::clicked, this, [this] { Compose(); });

    m_LJpegQTitle = new QLabel(U("JPEG品質 :"), this);
    m_LJpegQTitle->setGeometry(184, 60, 70, 16);
    m_LJpegQ = new QLabel(U("100"), this);
    m_LJpegQ->setGeometry(256, 60, 40, 16);
    m_TBQuality = new QSlider(Qt::Horizontal, this);
    m_TBQuality->setGeometry(184, 78, 230, 24);
    m_TBQuality->setRange(0, 100);
    m_TBQuality->setValue(100);
    m_TBQuality->setSingleStep(5);
    m_TBQuality->setPageStep(10);
    m_TBQuality->setTickPosition(QSlider::TicksBelow);
    m_TBQuality->setTickInterval(10);
    m_TBQuality->setToolTip(U("値が小さいほど画質の劣化が激しくなります（JPEG保存のみ）"));
    connect(m_TBQuality, &QSlider::valueChanged, this,
            [this](int value) { m_LJpegQ->setText(QString::number(value)); });

    m_BtnJpeg = new QPushButton(U("JPEG形式で画面を保存(&J)"), this);
    m_BtnJpeg->setGeometry(7, 140, 200, 25);
    m_BtnJpeg->setToolTip(U("画質は劣化しますが、ファイルサイズは小さくなります"));
    m_BtnBitmap = new QPushButton(U("24ビットBitmap形式で画面を保存(&P)"), this);
    m_BtnBitmap->setGeometry(214, 140, 200, 25);
    m_BtnBitmap->setToolTip(U("画質の劣化はありませんが、ファイルサイズが大きいです"));
    connect(m_BtnJpeg, &QPushButton::clicked, this, [this] { m_BtnJpegClick(); });
    connect(m_BtnBitmap, &QPushButton::clicked, this, [this] { m_BtnBitmapClick(); });

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TFormSnap::~TFormSnap() = default;

void TFormSnap::SetLayers(TSprite* background, TSprite* face, std::vector<TSprite*> miniFaces) {
    m_Background = background;
    m_Face = face;
    m_MiniFaces = std::move(miniFaces);
}

const platform::Bitmap& TFormSnap::WorkBitmap() const {
    return m_Work->Image();
}

void TFormSnap::Prepare() {
    if (m_Face && m_Face->Visible()) m_CBImgFace->setEnabled(true);
    const int count = m_SystemData
                          ? std::min<int>(m_SystemData->Count, static_cast<int>(m_MiniFaces.size()))
                          : static_cast<int>(m_MiniFaces.size());
    for (int i = 0; i < count; ++i)
        if (m_MiniFaces[static_cast<size_t>(i)] && m_MiniFaces[static_cast<size_t>(i)]->Visible())
            m_CBImgMini->setEnabled(true);
    if (m_Background) m_Work->Image() = m_Background->Image();
    Compose();
}

void TFormSnap::Compose() {
    if (m_Background && m_Background->Visible()) m_Background->DrawTo(*m_Work);
    if (m_Face && m_Face->Visible() && m_CBImgFace->isChecked()) m_Face->DrawTo(*m_Work);
    if (m_CBImgMini->isChecked())
        for (TSprite* mini : m_MiniFaces)
            if (mini && mini->Visible()) mini->DrawTo(*m_Work);
    if (m_Work->Image().Empty()) {
        m_ImgScreen->clear();
        return;
    }
    const QImage& picture = platform::QImageOf(m_Work->Image());
    m_ImgScreen->setPixmap(QPixmap::fromImage(
        picture.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

std::string TFormSnap::ProposedName(const std::string& product, const std::string& date,
                                    const std::string& time, const char* extension) {
    static const std::string kForbidden = "\"*/:<>?\\|";
    std::string out;
    for (const std::string& part : {product, date, time})
        for (size_t i = 0; i < part.size(); ++i) {
            const auto c = static_cast<unsigned char>(part[i]);
            // The second byte of a double-byte character may look like a backslash.
            if (platform::IsSjisLeadByte(c) && i + 1 < part.size()) {
                out += part.substr(i, 2);
                ++i;
            } else if (kForbidden.find(static_cast<char>(c)) == std::string::npos) {
                out += static_cast<char>(c);
            }
        }
    return out + extension;
}

std::string TFormSnap::WithExtension(const std::string& name, bool jpeg) {
    const std::string ext = yx::ExtractFileExt(name);
    if (jpeg) {
        for (const char* known : {".jpg", ".jpeg", ".jpe"})
            if (yx::SameTextAscii(ext, known)) return name;
        return name + ".jpg";
    }
    return yx::SameTextAscii(ext, ".bmp") ? name : name + ".bmp";
}

bool TFormSnap::AskFileName(const std::string& filter, std::string& fileName) {
    if (m_FileQuestion) return m_FileQuestion(filter, fileName);
    // The filter's own separators are the original's; Qt wants ";;" between entries and
    // blanks between patterns.
    QString qtFilter = platform::ToQString(filter);
    QStringList parts = qtFilter.split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        entries << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    const QString chosen = QFileDialog::getSaveFileName(
        this, U("保存ファイル名を指定してください"), platform::ToQString(fileName),
        entries.join(";;"), nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty()) return false;
    fileName = platform::FileSystem::FromHostPath(chosen.toStdString());
    return true;
}

void TFormSnap::Save(bool jpeg) {
    const std::string filter =
        jpeg ? SJ("JPEGイメージ(*.jpg)|*.jpg;*.jpeg;*.jpe|すべてのファイル|*.*")
             : SJ("Bitmapイメージ(*.bmp)|*.bmp|すべてのファイル|*.*");
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    std::string name =
        ProposedName(m_SystemData ? m_SystemData->Product : std::string(),
                     platform::FromQString(locale.toString(now.date(), QLocale::ShortFormat)),
                     platform::FromQString(locale.toString(now.time(), QLocale::LongFormat)),
                     jpeg ? ".jpg" : ".bmp");
    if (!AskFileName(filter, name)) return;
    name = WithExtension(name, jpeg);
    // The player named this file; game data never does.
    platform::GameFolders::AllowWriteFile(name);
    if (platform::FileSystem::FileExists(name) &&
        m_App.Boxes().Show(SJ("上書き確認"), name + SJ(" は存在します\n上書きしてもよろしいですか"),
                           platform::MessageIcon::Question,
                           platform::MessageButtons::OkCancel) != platform::MessageAnswer::Ok)
        return;
    const bool saved =
        jpeg ? platform::PictureWriter::SaveJpeg(m_Work->Image(), name, m_TBQuality->value())
             : platform::PictureWriter::SaveBmp24(m_Work->Image(), name);
    TyxApplication& app = m_App;
    // A picture that could not be written is never reported as saved.
    if (saved)
        app.ShowMessage(name + SJ(" に保存しました"));
    else
        app.Warn(name + SJ(" に保存できませんでした"));
}

void TFormSnap::m_BtnJpegClick() {
    Save(true);
}

void TFormSnap::m_BtnBitmapClick() {
    Save(false);
}

void TFormSnap::paintEvent(QPaintEvent*) {
    if (!m_Wallpaper || m_Wallpaper->Empty()) return;
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), QPixmap::fromImage(platform::QImageOf(*m_Wallpaper)));
}

void TFormSnap::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFormSnap::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        QCheckBox* box = watched == m_LabelImgFace   ? m_CBImgFace
                         : watched == m_LabelImgMini ? m_CBImgMini
                                                     : nullptr;
        if (box && box->isEnabled()) {
            box->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
