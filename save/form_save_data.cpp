#include "save/form_save_data.h"

#include <QBitmap>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/bitmap_qt.h"
#include "platform/sjis.h"
#include "platform/sjis_qt.h"
#include "resources/dll_res.h"
#include "resources/sjis_text.h"

using platform::FromQString;
using platform::ToQString;

TFormSaveData::TFormSaveData(QWidget* owner, platform::Bitmap* wallpaper, TyxDllRes* dllRes)
    : QDialog(owner), m_Wallpaper(wallpaper), m_DllRes(dllRes) {
    setWindowTitle(QString::fromUtf8("セーブ"));
    setFixedSize(331, 238);
    auto* outer = new QVBoxLayout(this);
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* form = new QFormLayout(panel);
    m_EdtDataName = new QLineEdit(panel);
    m_EdtDataDate = new QLineEdit(panel);
    m_EdtDataTime = new QLineEdit(panel);
    m_EdtDataComment = new QLineEdit(panel);
    for (QLineEdit* shown : {m_EdtDataName, m_EdtDataDate, m_EdtDataTime}) {
        shown->setReadOnly(true);
        shown->setFocusPolicy(Qt::NoFocus);
    }
    form->addRow(QString::fromUtf8("データ名"), m_EdtDataName);
    form->addRow(QString::fromUtf8("日付"), m_EdtDataDate);
    form->addRow(QString::fromUtf8("時刻"), m_EdtDataTime);
    form->addRow(QString::fromUtf8("コメント"), m_EdtDataComment);
    outer->addWidget(panel);
    auto* buttons = new QHBoxLayout;
    m_ImgOK = new QLabel(this);
    m_ImgCancel = new QLabel(this);
    for (QLabel* button : {m_ImgOK, m_ImgCancel}) {
        button->setCursor(Qt::PointingHandCursor);
        button->installEventFilter(this);
        buttons->addStretch();
        buttons->addWidget(button);
    }
    // Shown instead of the pictures when the resource library lacks them.
    m_BtnOK = new QPushButton(QStringLiteral("OK"), this);
    m_BtnCancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    m_BtnOK->setObjectName("m_BtnOK");
    m_BtnCancel->setObjectName("m_BtnCancel");
    for (QPushButton* button : {m_BtnOK, m_BtnCancel}) {
        button->setAutoDefault(false);
        button->hide();
        buttons->addWidget(button);
    }
    connect(m_BtnOK, &QPushButton::clicked, this, [this] {
        m_Accepted = true;
        accept();
    });
    connect(m_BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addStretch();
    outer->addLayout(buttons);
    m_EdtDataComment->setFocus();
}

void TFormSaveData::Fill(const std::string& name, const std::string& date, const std::string& time,
                         const std::string& comment) {
    m_EdtDataName->setText(ToQString(name));
    m_EdtDataDate->setText(ToQString(date));
    m_EdtDataTime->setText(ToQString(time));
    m_EdtDataComment->setText(ToQString(comment));
    m_Images.Clear();
    bool pictures = true;
    for (const char* picture : {"IDB_IMAGEBUTTON_OK0", "IDB_IMAGEBUTTON_CANCEL0",
                                "IDB_IMAGEBUTTON_OK1", "IDB_IMAGEBUTTON_CANCEL1"}) {
        platform::ImageList::Entry entry;
        if (!m_DllRes || !m_DllRes->LoadBitmap(entry.picture, picture)) {
            pictures = false;
            break;
        }
        m_Images.Add(std::move(entry));
    }
    // The program carries no pictures of its own: without the library's, plain buttons,
    // so that a save can still be written.
    if (!pictures) m_Images.Clear();
    m_ImgOK->setVisible(pictures);
    m_ImgCancel->setVisible(pictures);
    m_BtnOK->setVisible(!pictures);
    m_BtnCancel->setVisible(!pictures);
    ShowPicture(m_ImgOK, 0);
    ShowPicture(m_ImgCancel, 1);
    m_EdtDataComment->setFocus();
}

std::string TFormSaveData::Date() const {
    return FromQString(m_EdtDataDate->text());
}
std::string TFormSaveData::Time() const {
    return FromQString(m_EdtDataTime->text());
}
std::string TFormSaveData::Comment() const {
    return FromQString(m_EdtDataComment->text());
}

void TFormSaveData::ShowPicture(QLabel* button, int index) {
    if (index >= m_Images.Count()) return;
    const QPixmap pixmap = QPixmap::fromImage(platform::QImageOf(m_Images.At(index).picture));
    button->setPixmap(pixmap);
    button->setFixedSize(pixmap.size());
}

bool TFormSaveData::eventFilter(QObject* watched, QEvent* event) {
    const bool ok = watched == m_ImgOK;
    if (!ok && watched != m_ImgCancel) return QDialog::eventFilter(watched, event);
    auto* button = static_cast<QLabel*>(watched);
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ShowPicture(button, ok ? 2 : 3);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ShowPicture(button, ok ? 0 : 1);
        // A release away from the button is a change of mind.
        if (button->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            if (ok) m_Accepted = true;
            ok ? accept() : reject();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormSaveData::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_Accepted = true;
        accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormSaveData::paintEvent(QPaintEvent*) {
    if (!m_Wallpaper || m_Wallpaper->Empty()) return;
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), QPixmap::fromImage(platform::QImageOf(*m_Wallpaper)));
}
