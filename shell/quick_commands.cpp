#include "shell/quick_commands.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include "engine/velmor.h"
#include "save/quick_slots.h"
#include "shell/form_main.h"

TQuickCommands::TQuickCommands(TFormMain& window, Runner run)
    : QObject(&window), m_Window(window), m_Run(std::move(run)) {
    struct Entry {
        QAction** field;
        const char* name;
        const char* caption;
        Qt::Key key;
        void (TQuickCommands::*command)();
    };
    const Entry entries[] = {
        {&m_ActQuickSave, "m_ActQuickSave", "クイックセーブ(&Q)", Qt::Key_F6,
         &TQuickCommands::QuickSave},
        {&m_ActQuickLoad, "m_ActQuickLoad", "クイックロード(&W)", Qt::Key_F7,
         &TQuickCommands::QuickLoad},
    };
    for (const Entry& entry : entries) {
        auto* action = new QAction(QString::fromUtf8(entry.caption), &window);
        action->setObjectName(entry.name);
        action->setShortcut(QKeySequence(entry.key));
        action->setShortcutContext(Qt::WindowShortcut);
        const auto command = entry.command;
        connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
        window.addAction(action);
        *entry.field = action;
    }
    // A child of the window over the display image: no shot or save ever holds it.
    m_Notice = new QLabel(&window);
    m_Notice->setObjectName("m_QuickNotice");
    m_Notice->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(0, 0, 0, 160); color: white; padding: 6px 12px; }"));
    m_Notice->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_Notice->hide();
    m_NoticeTimer = new QTimer(this);
    m_NoticeTimer->setSingleShot(true);
    connect(m_NoticeTimer, &QTimer::timeout, m_Notice, &QWidget::hide);
}

void TQuickCommands::AddToMenu(QMenu& menu) {
    menu.addSeparator();
    menu.addAction(m_ActQuickSave);
    menu.addAction(m_ActQuickLoad);
    // The keys stay live after the menu: the commands check their rules themselves.
    connect(&menu, &QMenu::aboutToHide, this, [this] {
        m_ActQuickSave->setEnabled(true);
        m_ActQuickLoad->setEnabled(true);
    });
}

void TQuickCommands::UpdateMenu() {
    TVelmor* engine = m_Window.Engine();
    const TQuickSlots quick(*engine);
    m_ActQuickSave->setEnabled(quick.CanSave());
    m_ActQuickLoad->setEnabled(quick.CanLoad() && quick.Exists(TQuickSlots::Slot::Quick));
}

void TQuickCommands::ShowNotice(const char* utf8) {
    m_Notice->setText(QString::fromUtf8(utf8));
    m_Notice->adjustSize();
    m_Notice->move(12, 12);
    m_Notice->raise();
    m_Notice->show();
    m_NoticeTimer->start(kNoticeMs);
}

void TQuickCommands::QuickSave() {
    TVelmor* engine = m_Window.Engine();
    if (!engine) return;
    m_Run([this, engine] {
        if (TQuickSlots(*engine).QuickSave() == TQuickSlots::Outcome::Saved)
            ShowNotice("クイックセーブしました");
    });
}

void TQuickCommands::QuickLoad() {
    TVelmor* engine = m_Window.Engine();
    if (!engine) return;
    m_Run([this, engine] {
        if (TQuickSlots(*engine).QuickLoad() == TQuickSlots::Outcome::Loaded)
            ShowNotice("クイックロードしました");
    });
}

void TQuickCommands::Closing(bool ended) {
    if (TVelmor* engine = m_Window.Engine()) TQuickSlots(*engine).Closing(ended, m_AutoSaveOnClose);
}

void TQuickCommands::OfferResume(bool resume) {
    TVelmor* engine = m_Window.Engine();
    if (!engine) return;
    m_Run([engine, resume] { TQuickSlots(*engine).OfferResume(resume); });
}
