#pragma once
#include <QWidget>
#include <deque>
#include <string>

class QListWidget;

// The message history: the newest messages, oldest dropped beyond the capacity.
class TFormLog : public QWidget {
    Q_OBJECT
public:
    TFormLog(QWidget* owner, int capacity);
    void AddMessage(const std::string& sjisText);
    const std::deque<std::string>& Messages() const { return m_Messages; }
    int Capacity() const { return m_Capacity; }

private:
    int m_Capacity;
    std::deque<std::string> m_Messages;
    QListWidget* m_LVLog;
};
