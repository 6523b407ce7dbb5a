#include "windows/form_info.h"

#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/sjis.h"

namespace {
QString Q(const std::string& sjis) { return QString::fromStdString(platform::SjisToUtf8(sjis)); }
}  // namespace

TFormInfo::TFormInfo(QWidget* owner, platform::Bitmap* wallpaper, TyxWitch* witch,
                     TyxDllRes* dllRes)
    : QWidget(owner, Qt::Window), m_Wallpaper(wallpaper), m_Witch(witch), m_DllRes(dllRes) {
    setWindowTitle("velmor");
    setMinimumSize(320, 240);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("velmor", this));
    m_PageControl = new QTabWidget(this);
    m_LBError = new QListWidget(m_PageControl);
    m_PageControl->addTab(m_LBError, QString::fromUtf8("エラー情報"));
    layout->addWidget(m_PageControl);
    m_PageControl->setVisible(false);
    hide();
}

void TFormInfo::ShowAbout(const std::string& /*projectPath*/, const std::string& title) {
    setWindowTitle(title.empty() ? QString("velmor") : Q(title));
}

void TFormInfo::ShowErrorPage() { m_PageControl->setCurrentWidget(m_LBError); }

void TFormInfo::showEvent(QShowEvent* event) {
    m_PageControl->setVisible(!m_Restricted);
    RefreshErrors();
    if (OnRefresh) OnRefresh();
    QWidget::showEvent(event);
}

void TFormInfo::RefreshErrors() {
    m_LBError->clear();
    for (const auto& line : m_ErrorLines) m_LBError->addItem(Q(line));
}
