#include "platform/qt_message_box.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

#include "platform/sjis.h"
#include "platform/sjis_qt.h"

namespace platform {
namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// Without a widget application or a screen there is no one to ask: the text goes to the
// error stream and the box gets its cautious answer, instead of waiting forever.
MessageAnswer AnswerWithoutWindow(const std::string& caption, const std::string& text,
                                  MessageButtons buttons) {
    std::fprintf(stderr, "%s: %s\n", SjisToUtf8(caption).c_str(), SjisToUtf8(text).c_str());
    switch (buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::YesNo:
            return MessageAnswer::No;
        case MessageButtons::OkCancel:
        case MessageButtons::YesNoCancel:
            break;
    }
    return MessageAnswer::Cancel;
}

bool HasScreen() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace

MessageAnswer QtMessageBox::Show(const std::string& caption, const std::string& text,
                                 MessageIcon icon, MessageButtons buttons) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !HasScreen()) {
        return AnswerWithoutWindow(caption, text, buttons);
    }
    QMessageBox box(QtIcon(icon), ToQString(caption), ToQString(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    if (buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel) {
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    }
    if (buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel) {
        yes = box.addButton(QString::fromUtf8("はい(&Y)"), QMessageBox::YesRole);
        no = box.addButton(QString::fromUtf8("いいえ(&N)"), QMessageBox::NoRole);
    }
    if (buttons == MessageButtons::OkCancel || buttons == MessageButtons::YesNoCancel) {
        cancel = box.addButton(QString::fromUtf8("キャンセル"), QMessageBox::RejectRole);
    }
    box.setDefaultButton(ok ? ok : yes);
    if (cancel)
        box.setEscapeButton(cancel);
    else if (no)
        box.setEscapeButton(no);
    else
        box.setEscapeButton(ok);
    box.exec();

    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == ok) return MessageAnswer::Ok;
    if (clicked && clicked == yes) return MessageAnswer::Yes;
    if (clicked && clicked == no) return MessageAnswer::No;
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    if (buttons == MessageButtons::YesNo) return MessageAnswer::No;
    return MessageAnswer::Cancel;
}

}  // namespace platform
