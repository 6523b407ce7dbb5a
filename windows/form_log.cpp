#include "windows/form_log.h"

#include <QListWidget>
#include <QVBoxLayout>

#include "platform/sjis.h"

TFormLog::TFormLog(QWidget* owner, int capacity) : QWidget(owner, Qt::Window), m_Capacity(capacity) {
    setWindowTitle(QString::fromUtf8("メッセージ履歴"));
    auto* layout = new QVBoxLayout(this);
    m_LVLog = new QListWidget(this);
    layout->addWidget(m_LVLog);
    resize(480, 360);
    hide();
}

void TFormLog::AddMessage(const std::string& sjisText) {
    m_Messages.push_back(sjisText);
    m_LVLog->addItem(QString::fromStdString(platform::SjisToUtf8(sjisText)));
    while (static_cast<int>(m_Messages.size()) > m_Capacity) {
        m_Messages.pop_front();
        delete m_LVLog->takeItem(0);
    }
}
