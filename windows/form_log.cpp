#include "windows/form_log.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QShowEvent>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/canvas.h"
#include "platform/sjis.h"
#include "platform/sjis_qt.h"
#include "resources/sjis_text.h"

using platform::FromQString;
using platform::ToQString;

TFormLog::TFormLog(QWidget* owner) : QWidget(owner, Qt::Window) {
    setWindowTitle(QString::fromUtf8("メッセージ履歴"));
    resize(640, 480);
    QFont font(QString::fromStdString(platform::Canvas::HostFace(SJ("ＭＳ Ｐゴシック"))));
    font.setPixelSize(12);
    setFont(font);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_LVLog = new QTableWidget(0, 1, this);
    m_LVLog->setHorizontalHeaderItem(0, new QTableWidgetItem(QString::fromUtf8("メッセージ")));
    m_LVLog->horizontalHeader()->hide();
    m_LVLog->verticalHeader()->hide();
    m_LVLog->setShowGrid(true);
    m_LVLog->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_LVLog->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_LVLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_LVLog->setFrameShape(QFrame::NoFrame);
    m_LVLog->setWordWrap(false);
    layout->addWidget(m_LVLog);
    m_SBLog = new QStatusBar(this);
    m_SBLog->setFixedHeight(12);
    m_SBLog->setSizeGripEnabled(false);
    layout->addWidget(m_SBLog);

    auto action = [this](const char* caption, QKeySequence key, void (TFormLog::*run)()) {
        auto* a = new QAction(QString::fromUtf8(caption), this);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, run] { (this->*run)(); });
        addAction(a);
        return a;
    };
    m_ActCopy =
        action("コピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C), &TFormLog::m_ActCopyExecute);
    m_ActCopy->setObjectName("m_ActCopy");
    m_ActSelectAll = action("すべて選択(&A)", QKeySequence(Qt::CTRL | Qt::Key_A),
                            &TFormLog::m_ActSelectAllExecute);
    m_ActSelectAll->setObjectName("m_ActSelectAll");
    m_ActFocus =
        action("ゲーム画面を前に(&F)", QKeySequence(Qt::Key_F8), &TFormLog::m_ActFocusExecute);
    m_ActFocus->setObjectName("m_ActFocus");
    m_ActClose =
        action("閉じる(&L)", QKeySequence(Qt::CTRL | Qt::Key_F4), &TFormLog::m_ActCloseExecute);
    m_ActClose->setObjectName("m_ActClose");

    m_PMLog = new QMenu(this);
    m_PMLog->addAction(m_ActSelectAll);
    m_PMLog->addAction(m_ActCopy);
    m_PMLog->addSeparator();
    m_PMLog->addAction(m_ActFocus);
    m_PMLog->addSeparator();
    m_PMLog->addAction(m_ActClose);
    m_LVLog->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_LVLog, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { m_PMLog->popup(m_LVLog->viewport()->mapToGlobal(p)); });
    hide();
}

void TFormLog::Setup(int capacity, QWidget* gameWindow) {
    m_Capacity = capacity;
    m_GameWindow = gameWindow;
    m_LVLog->setRowCount(0);
    m_ColumnStale = true;
}

void TFormLog::AddLine(const std::string& text) {
    const int row = m_LVLog->rowCount();
    m_LVLog->insertRow(row);
    auto* item = new QTableWidgetItem(ToQString(text));
    item->setData(Qt::UserRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    m_LVLog->setItem(row, 0, item);
    if (m_LVLog->rowCount() > m_Capacity) m_LVLog->removeRow(0);
    // The column just fits the widest row present, growing and shrinking with the rows.
    // Fitting measures every row, so a hidden history waits until it is looked at.
    m_ColumnStale = true;
    if (isVisible()) FitColumn();
}

void TFormLog::FitColumn() const {
    if (!m_ColumnStale) return;
    m_ColumnStale = false;
    m_LVLog->resizeColumnToContents(0);
}

void TFormLog::showEvent(QShowEvent* event) {
    FitColumn();
    QWidget::showEvent(event);
}

int TFormLog::RowCount() const {
    return m_LVLog->rowCount();
}

std::string TFormLog::RowText(int row) const {
    const QTableWidgetItem* item = m_LVLog->item(row, 0);
    if (!item) return {};
    return item->data(Qt::UserRole).toByteArray().toStdString();
}

int TFormLog::ColumnWidth() const {
    FitColumn();
    return m_LVLog->columnWidth(0);
}

std::string TFormLog::SelectedText() const {
    std::string out;
    for (int row = 0; row < m_LVLog->rowCount(); ++row)
        if (m_LVLog->selectionModel()->isRowSelected(row, QModelIndex()))
            out += RowText(row) + "\n";
    return out;
}

void TFormLog::SelectRows(std::initializer_list<int> rows) {
    m_LVLog->clearSelection();
    for (int row : rows)
        m_LVLog->selectionModel()->select(m_LVLog->model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TFormLog::m_ActCopyExecute() {
    QApplication::clipboard()->setText(ToQString(SelectedText()));
}

void TFormLog::m_ActSelectAllExecute() {
    m_LVLog->selectAll();
}

void TFormLog::m_ActFocusExecute() {
    if (!m_GameWindow) return;
    m_GameWindow->activateWindow();
    m_GameWindow->raise();
    m_GameWindow->setFocus();
}

void TFormLog::m_ActCloseExecute() {
    hide();
}

void TFormLog::closeEvent(QCloseEvent* event) {
    // The rows stay for the next time the player opens the history.
    hide();
    event->ignore();
}
