#pragma once
#include <QWidget>
#include <string>

class QAction;
class QMenu;
class QStatusBar;
class QTableWidget;

// The message history: one row per message shown, the oldest dropped beyond the capacity;
// the player reads them back and copies them. Closing only hides it.
class TFormLog : public QWidget {
    Q_OBJECT
public:
    explicit TFormLog(QWidget* owner);
    // The list starts empty; gameWindow is what the focus action brings forward.
    void Setup(int capacity, QWidget* gameWindow);
    void AddLine(const std::string& text);

    int Capacity() const { return m_Capacity; }
    int RowCount() const;
    std::string RowText(int row) const;
    int ColumnWidth() const;
    // The selected rows' texts, top to bottom, each ended by a line feed.
    std::string SelectedText() const;
    // Selects exactly these rows.
    void SelectRows(std::initializer_list<int> rows);

    void m_ActCopyExecute();
    void m_ActSelectAllExecute();
    void m_ActFocusExecute();
    void m_ActCloseExecute();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FitColumn() const;

    int m_Capacity = 0;
    mutable bool m_ColumnStale = false;
    QWidget* m_GameWindow = nullptr;
    QTableWidget* m_LVLog;
    QStatusBar* m_SBLog;
    QMenu* m_PMLog;
    QAction* m_ActCopy;
    QAction* m_ActSelectAll;
    QAction* m_ActFocus;
    QAction* m_ActClose;
};
