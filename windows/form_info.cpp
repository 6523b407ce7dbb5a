#include "windows/form_info.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cctype>
#include <vector>

#include "platform/bitmap_qt.h"
#include "platform/file_system.h"
#include "platform/sjis.h"
#include "platform/sjis_qt.h"
#include "resources/application.h"
#include "resources/bcl_manager.h"
#include "resources/dll_res.h"
#include "resources/memory_stream.h"
#include "resources/sjis_text.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"
#include "windows/rich_text.h"

using platform::FromQString;
using platform::ToQString;

namespace {

// Puts name and value into the first row with both cells empty, growing the grid when none.
void GridPutPair(QTableWidget* grid, const std::string& name, const std::string& value) {
    auto empty = [&](int row, int column) {
        const QTableWidgetItem* item = grid->item(row, column);
        return !item || item->text().isEmpty();
    };
    int row = 0;
    while (row < grid->rowCount() && !(empty(row, 0) && empty(row, 1))) ++row;
    if (row == grid->rowCount()) grid->setRowCount(row + 1);
    grid->setItem(row, 0, new QTableWidgetItem(ToQString(name)));
    grid->setItem(row, 1, new QTableWidgetItem(ToQString(value)));
}

// Updates the row with that caption (case-insensitively) or appends one.
void ListViewPutPair(QTreeWidget* list, const std::string& caption, const std::string& value) {
    const QString c = ToQString(caption), v = ToQString(value);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list->topLevelItem(i);
        if (row->text(0).compare(c, Qt::CaseInsensitive) != 0) continue;
        if (row->text(1).compare(v, Qt::CaseInsensitive) != 0) row->setText(1, v);
        return;
    }
    list->addTopLevelItem(new QTreeWidgetItem({c, v}));
}

}  // namespace

TFormInfo::TFormInfo(QWidget* owner, platform::Bitmap* wallpaper, TyxWitch* witch,
                     TyxDllRes* dllRes, TyxApplication& app)
    : QWidget(owner, Qt::Window),
      m_Wallpaper(wallpaper),
      m_Witch(witch),
      m_DllRes(dllRes),
      m_App(app) {
    setWindowTitle("velmor");
    setMinimumSize(320, 240);
    BuildAbout();
    BuildCopyMenu();
    BuildDebugPanel();
    BuildVariableMenu();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_About);
    layout->addWidget(m_PnlInfo);
    hide();
}

// The engine's name and version, its notice, and the game's own about text.
void TFormInfo::BuildAbout() {
    m_About = new QWidget(this);
    auto* about = new QVBoxLayout(m_About);
    auto* head = new QHBoxLayout;
    m_ImgLogo = new QLabel(m_About);
    m_ImgLogo->installEventFilter(this);
    m_ImgLogo->setFixedSize(32, 32);
    head->addWidget(m_ImgLogo);
    auto* names = new QVBoxLayout;
    names->addWidget(new QLabel(QStringLiteral("velmor"), m_About));
    auto* version = new QHBoxLayout;
    version->addWidget(new QLabel(QStringLiteral("version:"), m_About));
    m_EditPass = new QLineEdit(m_About);
    m_EditPass->setReadOnly(true);
    version->addWidget(m_EditPass);
    names->addLayout(version);
    head->addLayout(names);
    m_ImgTitle = new QLabel(m_About);
    head->addWidget(m_ImgTitle);
    about->addLayout(head);
    m_RECopyright = new QTextEdit(m_About);
    m_RECopyright->setReadOnly(true);
    m_RECopyright->setLineWrapMode(QTextEdit::WidgetWidth);
    about->addWidget(m_RECopyright);
    m_SB = new QScrollArea(m_About);
    auto* game = new QWidget;
    auto* gameLayout = new QHBoxLayout(game);
    m_ImgRSC = new QLabel(game);
    gameLayout->addWidget(m_ImgRSC, 0, Qt::AlignTop);
    auto* gameText = new QVBoxLayout;
    m_EditRSCTitle = new QLineEdit(game);
    m_EditRSCTitle->setReadOnly(true);
    m_REditRSC = new QTextEdit(game);
    m_REditRSC->setReadOnly(true);
    gameText->addWidget(m_EditRSCTitle);
    gameText->addWidget(m_REditRSC);
    gameLayout->addLayout(gameText);
    m_SB->setWidget(game);
    m_SB->setWidgetResizable(true);
    about->addWidget(m_SB);
}

void TFormInfo::BuildCopyMenu() {
    m_ActRichEdit_Copy = new QAction(QString::fromUtf8("コピー(&C)"), this);
    m_ActRichEdit_Copy->setShortcut(QKeySequence::Copy);
    connect(m_ActRichEdit_Copy, &QAction::triggered, this, [this] {
        if (m_REditRSC->hasFocus())
            m_REditRSC->copy();
        else
            m_RECopyright->copy();
    });
    for (QTextEdit* edit : {m_RECopyright, m_REditRSC}) {
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(edit, &QWidget::customContextMenuRequested, this, [this, edit](const QPoint& at) {
            QMenu menu;
            menu.addAction(m_ActRichEdit_Copy);
            menu.exec(edit->viewport()->mapToGlobal(at));
        });
    }
}

// The error list, the system information and the variable table, hidden until unlocked.
void TFormInfo::BuildDebugPanel() {
    m_PnlInfo = new QWidget(this);
    m_PnlInfo->installEventFilter(this);
    auto* panel = new QVBoxLayout(m_PnlInfo);
    m_PageControl = new QTabWidget(m_PnlInfo);
    m_LBError = new QListWidget;
    m_PageControl->addTab(m_LBError, QString::fromUtf8("エラー情報"));
    m_LVSysData = new QTreeWidget;
    m_LVSysData->setColumnCount(2);
    m_LVSysData->setHeaderLabels({QString::fromUtf8("名前"), QString::fromUtf8("値")});
    m_LVSysData->setRootIsDecorated(false);
    m_LVSysData->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_LVSysData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_PageControl->addTab(m_LVSysData, QString::fromUtf8("システム情報"));
    auto* variables = new QWidget;
    auto* variableLayout = new QVBoxLayout(variables);
    m_SGVariable = new QTableWidget(12, 2, variables);
    m_SGVariable->verticalHeader()->hide();
    m_SGVariable->setColumnWidth(0, 256);
    m_SGVariable->setColumnWidth(1, 256);
    m_SGVariable->setTabKeyNavigation(true);
    variableLayout->addWidget(m_SGVariable);
    m_PnlVariable = new QLabel(variables);
    variableLayout->addWidget(m_PnlVariable);
    m_PageControl->addTab(variables, QString::fromUtf8("ゲーム変数"));
    panel->addWidget(m_PageControl);
    m_PnlInfo->hide();
}

void TFormInfo::BuildVariableMenu() {
    m_ActVar_Read = new QAction(QString::fromUtf8("最新の変数データの読み込み(&R)"), this);
    m_ActVar_Write = new QAction(QString::fromUtf8("変数データの書き込み(&W)"), this);
    connect(m_ActVar_Read, &QAction::triggered, this, [this] {
        m_PnlVariable->clear();
        if (OnRefresh) OnRefresh();
    });
    connect(m_ActVar_Write, &QAction::triggered, this, [this] { WriteVariables(); });
    m_SGVariable->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_SGVariable, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu;
        menu.addAction(m_ActVar_Read);
        menu.addAction(m_ActVar_Write);
        menu.exec(m_SGVariable->viewport()->mapToGlobal(at));
    });
    connect(m_SGVariable, &QTableWidget::itemChanged, this, [this] {
        if (!m_Filling)
            m_PnlVariable->setText(QString::fromUtf8(
                "変更した変数の値は右クリック「変数データの書き込み」で有効になります"));
    });
    WriteGridHeader();
}

void TFormInfo::WriteGridHeader() {
    m_SGVariable->setHorizontalHeaderLabels(
        {QString::fromUtf8("変数名"), QString::fromUtf8("値（数値のみ）")});
}

void TFormInfo::ShowAbout(const std::string& projectPath, const std::string& title) {
    // Without an icon of the program or the game the logo would be an empty spot nobody can
    // double-click.
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    setWindowIcon(icon);
    m_ImgLogo->setPixmap(icon.pixmap(32, 32));
    m_ImgRSC->setPixmap(icon.pixmap(32, 32));
    m_EditPass->setText(
        ToQString(TyxApplication::FileVersion(platform::FileSystem::ProgramFileName())));
    platform::Bitmap picture;
    if (m_DllRes && m_DllRes->LoadBitmap(picture, "IDB_VELMOR_TITLE"))
        m_ImgTitle->setPixmap(QPixmap::fromImage(platform::QImageOf(picture)));
    TMemoryStream document;
    if (m_DllRes && m_DllRes->LoadResourceStream(document, "IDR_VELMOR_COPYRIGHT_DOC", "RICHTEXT"))
        m_RECopyright->setHtml(RichTextToHtml(
            std::string(reinterpret_cast<const char*>(document.Data()), document.Size())));
    m_EditRSCTitle->setText(ToQString(title));
    TXiniFile project(projectPath, true);
    const std::string aboutFile = project.ReadString("ScenarioAbout", "ScenarioAboutFile", "");
    if (!aboutFile.empty()) {
        std::vector<uint8_t> bytes;
        if (platform::FileSystem::FileExists(aboutFile) &&
            platform::FileSystem::ReadFile(aboutFile, bytes)) {
            m_REditRSC->setHtml(RichTextToHtml(std::string(bytes.begin(), bytes.end())));
        } else if (m_Manager) {
            TStringList lines;
            if (m_Manager->LoadStrings(lines, aboutFile)) {
                std::string text;
                for (const auto& line : lines) text += line + "\n";
                m_REditRSC->setHtml(RichTextToHtml(text));
            }
        }
    }
    WriteGridHeader();
}

void TFormInfo::ShowErrorPage() {
    m_PageControl->setCurrentWidget(m_LBError);
}

void TFormInfo::OpenDebugPanel() {
    if (m_Restricted) return;
    RefreshErrors();
    m_About->hide();
    m_PnlInfo->show();
}

void TFormInfo::CloseDebugPanel() {
    m_PnlInfo->hide();
    m_About->show();
}

bool TFormInfo::DebugPanelOpen() const {
    return m_PnlInfo->isVisibleTo(const_cast<TFormInfo*>(this));
}

void TFormInfo::ShowState(const std::vector<std::pair<std::string, std::string>>& systemInfo,
                          const std::vector<TVelmorIntVariable>& variables) {
    RefreshErrors();
    for (const auto& [name, value] : systemInfo) ListViewPutPair(m_LVSysData, name, value);
    m_Filling = true;
    for (int row = 0; row < m_SGVariable->rowCount(); ++row)
        for (int column = 0; column < 2; ++column) m_SGVariable->setItem(row, column, nullptr);
    for (const auto& v : variables) GridPutPair(m_SGVariable, v.Name, yx::IntToStr(v.Value));
    // Always a free row to type a name into.
    const int last = m_SGVariable->rowCount() - 1;
    if (last < 0 || (m_SGVariable->item(last, 0) && !m_SGVariable->item(last, 0)->text().isEmpty()))
        m_SGVariable->setRowCount(m_SGVariable->rowCount() + 1);
    m_Filling = false;
}

void TFormInfo::WriteVariables() {
    m_PnlVariable->setText(QStringLiteral(" "));
    // Taken from the table first: each write refreshes the table under the loop.
    std::vector<std::pair<std::string, std::string>> rows;
    for (int row = 0; row < m_SGVariable->rowCount(); ++row) {
        const QTableWidgetItem* name = m_SGVariable->item(row, 0);
        const QTableWidgetItem* value = m_SGVariable->item(row, 1);
        if (!name || !value || name->text().isEmpty() || value->text().isEmpty()) continue;
        rows.emplace_back(FromQString(name->text()), FromQString(value->text()));
    }
    for (const auto& [name, value] : rows) {
        int32_t number = 0;
        if (!yx::TryStrToInt(value, number)) {
            m_App.ShowMessage(value + SJ(" は不正な値です"));
            continue;
        }
        if (OnSetVariable) OnSetVariable(name, number);
    }
    if (OnRefresh) OnRefresh();
}

void TFormInfo::showEvent(QShowEvent* event) {
    RefreshErrors();
    if (OnRefresh) OnRefresh();
    QWidget::showEvent(event);
}

void TFormInfo::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

bool TFormInfo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == m_ImgLogo) {
            OpenDebugPanel();
            return true;
        }
        if (watched == m_PnlInfo) {
            CloseDebugPanel();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormInfo::paintEvent(QPaintEvent*) {
    if (!m_Wallpaper || m_Wallpaper->Empty()) return;
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), QPixmap::fromImage(platform::QImageOf(*m_Wallpaper)));
}

void TFormInfo::ErrorsChanged() {
    // Records can come every tick; the list is redrawn once per pass of the event loop.
    if (!isVisible() || m_ErrorsPending) return;
    m_ErrorsPending = true;
    QTimer::singleShot(0, this, [this] {
        m_ErrorsPending = false;
        RefreshErrors();
    });
}

void TFormInfo::RefreshErrors() {
    QScrollBar* bar = m_LBError->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    m_LBError->clear();
    for (const auto& line : m_ErrorLines) m_LBError->addItem(ToQString(line));
    if (atEnd) m_LBError->scrollToBottom();
}
