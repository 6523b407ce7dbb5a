#pragma once
// The window's quick save (F6) and quick load (F7), their menu items and the short notice
// shown over the game, which is the window's own and never part of the game's picture; also
// the automatic save on closing and the offer to resume at the next start.
#include <QObject>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QTimer;
class TFormMain;

class TQuickCommands : public QObject {
    Q_OBJECT
public:
    // run carries out a command that may open a box and change the game, as the window
    // runs its dialogs.
    using Runner = std::function<void(const std::function<void()>&)>;
    TQuickCommands(TFormMain& window, Runner run);

    // The two items, after the menu's own.
    void AddToMenu(QMenu& menu);
    // As the context menu opens: offered where the save dialog would save or load.
    void UpdateMenu();
    void QuickSave();
    void QuickLoad();
    // The window closes, after the game's end or a failure (ended) or in its middle; the
    // automatic save only once the host asked for it (the program does, tests and the runner
    // when they mean it).
    void Closing(bool ended);
    void SetAutoSaveOnClose(bool on) { m_AutoSaveOnClose = on; }
    void OfferResume(bool resume);

    QAction* m_ActQuickSave;
    QAction* m_ActQuickLoad;
    QLabel* Notice() const { return m_Notice; }
    // How long the notice stays, in ms.
    static constexpr int kNoticeMs = 1500;

private:
    void ShowNotice(const char* utf8);
    TFormMain& m_Window;
    Runner m_Run;
    QLabel* m_Notice;
    QTimer* m_NoticeTimer;
    bool m_AutoSaveOnClose = false;
};
