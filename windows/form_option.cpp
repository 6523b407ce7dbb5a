#include "windows/form_option.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/bitmap_qt.h"
#include "platform/canvas.h"
#include "platform/sjis.h"
#include "platform/sjis_qt.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "sound/ds_player.h"

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QSlider* Slider(QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(0, 10);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    return slider;
}

}  // namespace

TFormOption::TFormOption(QWidget* owner, TyxDSPlayer& player, platform::Bitmap* wallpaper,
                         TyxDllRes* dllRes)
    : QDialog(owner), m_Player(player), m_Wallpaper(wallpaper), m_DllRes(dllRes) {
    setWindowTitle(U("設定"));
    setFixedSize(299, 361);
    QFont font(U("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);

    m_PageControl = new QTabWidget(this);
    auto* view = new QWidget;
    auto* viewLayout = new QVBoxLayout(view);
    m_CBWindowMode = new QCheckBox(U("フルスクリーン表示(&F)"), view);
    m_CBNoReadTextSkip = new QCheckBox(U("未読文章もスキップする(&N)"), view);
    m_CBAntiAliasText = new QCheckBox(U("メッセージをアンチエイリアス表示(&A)"), view);
    m_CBMessageAnimation = new QCheckBox(U("メッセージをアニメ表示させる(&M)"), view);
    m_CBNoResumeQuestion = new QCheckBox(U("前回の続きから再開するか尋ねない(&R)"), view);
    for (QCheckBox* box : {m_CBWindowMode, m_CBNoReadTextSkip, m_CBAntiAliasText,
                           m_CBMessageAnimation, m_CBNoResumeQuestion})
        viewLayout->addWidget(box);
    m_LMessageAnimation1 = new QLabel(U("メッセージアニメスピード"), view);
    viewLayout->addWidget(m_LMessageAnimation1);
    auto* speed = new QHBoxLayout;
    m_LMessageAnimation2 = new QLabel(U("速"), view);
    m_TBMessageAnimation = Slider(view);
    m_LMessageAnimation3 = new QLabel(U("遅"), view);
    speed->addWidget(m_LMessageAnimation2);
    speed->addWidget(m_TBMessageAnimation);
    speed->addWidget(m_LMessageAnimation3);
    viewLayout->addLayout(speed);
    viewLayout->addWidget(new QLabel(U("表示フォント"), view));
    cbFontName = new QComboBox(view);
    viewLayout->addWidget(cbFontName);
    viewLayout->addStretch();
    m_PageControl->addTab(view, U("表示設定(&V)"));
    connect(m_CBMessageAnimation, &QCheckBox::clicked, this, [this] { AnimationClicked(); });

    auto* sound = new QWidget;
    auto* soundLayout = new QVBoxLayout(sound);
    const char* const panels[] = {"BGM音量", "環境音音量", "効果音音量", "音声音量"};
    for (int channel = 0; channel < 4; ++channel) {
        auto* panel = new QGroupBox(U(panels[channel]), sound);
        auto* row = new QHBoxLayout(panel);
        m_TBVolumes[channel] = Slider(panel);
        m_TBVolumes[channel]->setProperty("Tag", channel);
        row->addWidget(m_TBVolumes[channel]);
        row->addWidget(new QLabel(QStringLiteral("max"), panel));
        soundLayout->addWidget(panel);
        // The player hears the level while the slider moves.
        connect(m_TBVolumes[channel], &QSlider::valueChanged, this,
                [this, channel](int position) { m_Player.SetVolume(channel, position * 10); });
    }
    soundLayout->addStretch();
    m_PageControl->addTab(sound, U("サウンド設定(&S)"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_PageControl);
    auto* buttons = new QHBoxLayout;
    m_ImgOK = new QLabel(this);
    m_ImgCancel = new QLabel(this);
    for (QLabel* button : {m_ImgOK, m_ImgCancel}) {
        button->setCursor(Qt::PointingHandCursor);
        button->setFixedSize(141, 38);
        button->installEventFilter(this);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
}

void TFormOption::SetValues(const Values& values) {
    m_Values = values;
    m_CBWindowMode->setChecked(values.WindowMode == 0);
    m_CBNoReadTextSkip->setChecked(values.NoReadTextSkip);
    m_CBAntiAliasText->setChecked(values.AntiAliasText);
    m_CBMessageAnimation->setChecked(values.MessageAnimation);
    m_CBNoResumeQuestion->setChecked(values.NoResumeQuestion);
    m_TBMessageAnimation->setValue(values.SpeedPosition);
    AnimationClicked();
    cbFontName->clear();
    for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese))
        cbFontName->addItem(family);
    int shown = cbFontName->findText(platform::ToQString(values.FontName), Qt::MatchFixedString);
    // A face of the original platform's (the default is one) is drawn in the installed face
    // it maps to; the box names that one rather than stay blank.
    const std::string host = platform::Canvas::HostFace(values.FontName);
    if (shown < 0 && host != platform::SjisToUtf8(values.FontName)) {
        const QFont used(QString::fromStdString(host));
        shown = cbFontName->findText(QFontInfo(used).family(), Qt::MatchFixedString);
    }
    cbFontName->setCurrentIndex(shown);
    // Set before the volumes are shown, so showing them changes nothing that is heard.
    for (int channel = 0; channel < 4; ++channel) {
        QSignalBlocker quiet(m_TBVolumes[channel]);
        m_TBVolumes[channel]->setValue(values.Volumes[channel]);
    }
    m_Images.Clear();
    for (const char* picture : {"IDB_IMAGEBUTTON_OK0", "IDB_IMAGEBUTTON_CANCEL0",
                                "IDB_IMAGEBUTTON_OK1", "IDB_IMAGEBUTTON_CANCEL1"}) {
        platform::ImageList::Entry entry;
        if (!m_DllRes || !m_DllRes->LoadBitmap(entry.picture, picture))
            throw EEngineError(SJ("リソースロードエラー\n") + picture + SJ("が見つかりません"));
        m_Images.Add(std::move(entry));
    }
    ShowPicture(m_ImgOK, 0);
    ShowPicture(m_ImgCancel, 1);
}

void TFormOption::AnimationClicked() {
    const bool on = m_CBMessageAnimation->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{m_LMessageAnimation1, m_LMessageAnimation2,
                                                      m_LMessageAnimation3, m_TBMessageAnimation})
        w->setEnabled(on);
}

void TFormOption::Ok() {
    m_Values.WindowMode = m_CBWindowMode->isChecked() ? 0 : 1;
    m_Values.NoReadTextSkip = m_CBNoReadTextSkip->isChecked();
    m_Values.MessageAnimation = m_CBMessageAnimation->isChecked();
    m_Values.AntiAliasText = m_CBAntiAliasText->isChecked();
    m_Values.NoResumeQuestion = m_CBNoResumeQuestion->isChecked();
    m_Values.SpeedPosition = m_TBMessageAnimation->value();
    m_Values.FontName = platform::FromQString(cbFontName->currentText());
    for (int channel = 0; channel < 4; ++channel)
        m_Values.Volumes[channel] = m_TBVolumes[channel]->value();
    accept();
}

void TFormOption::Cancel() {
    for (int channel = 0; channel < 4; ++channel)
        m_Player.SetVolume(channel, m_Values.Volumes[channel] * 10);
    reject();
}

void TFormOption::ShowPicture(QLabel* button, int index) {
    if (index >= m_Images.Count()) return;
    button->setPixmap(QPixmap::fromImage(platform::QImageOf(m_Images.At(index).picture)));
}

bool TFormOption::eventFilter(QObject* watched, QEvent* event) {
    const bool ok = watched == m_ImgOK;
    if (!ok && watched != m_ImgCancel) return QDialog::eventFilter(watched, event);
    auto* button = static_cast<QLabel*>(watched);
    const bool left = (event->type() == QEvent::MouseButtonPress ||
                       event->type() == QEvent::MouseButtonRelease) &&
                      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (left && event->type() == QEvent::MouseButtonPress) {
        ShowPicture(button, ok ? 2 : 3);
        return true;
    }
    if (left) {
        ShowPicture(button, ok ? 0 : 1);
        if (button->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            ok ? Ok() : Cancel();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormOption::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Ok();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormOption::paintEvent(QPaintEvent*) {
    if (!m_Wallpaper || m_Wallpaper->Empty()) return;
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), QPixmap::fromImage(platform::QImageOf(*m_Wallpaper)));
}
