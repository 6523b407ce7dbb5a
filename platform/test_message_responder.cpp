#include "platform/test_message_responder.h"

namespace platform {

MessageAnswer TestMessageResponder::Show(const std::string& caption, const std::string& text,
                                         MessageIcon icon, MessageButtons buttons) {
    MessageAnswer answer;
    if (!m_Answers.empty()) {
        answer = m_Answers.front();
        m_Answers.pop_front();
    } else {
        bool yesNo = buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel;
        answer = yesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    m_Records.push_back({icon, buttons, caption, text, answer});
    return answer;
}

}  // namespace platform
