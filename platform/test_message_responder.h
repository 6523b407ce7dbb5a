#pragma once
#include <deque>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace platform {

// Records every box and gives the scripted answers in order; an unscripted box gets Yes or Ok.
class TestMessageResponder : public MessageBox {
public:
    struct Record {
        MessageIcon icon;
        MessageButtons buttons;
        std::string caption;  // Shift-JIS
        std::string text;     // Shift-JIS
        MessageAnswer answer;
    };
    MessageAnswer Show(const std::string& caption, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override;
    void PushAnswer(MessageAnswer answer) { m_Answers.push_back(answer); }
    const std::vector<Record>& Records() const { return m_Records; }
    void Clear() {
        m_Records.clear();
        m_Answers.clear();
    }

private:
    std::deque<MessageAnswer> m_Answers;
    std::vector<Record> m_Records;
};

}  // namespace platform
