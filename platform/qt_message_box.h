#pragma once
#include "platform/message_box.h"

namespace platform {

// QMessageBox with the active window as parent.
class QtMessageBox : public MessageBox {
public:
    MessageAnswer Show(const std::string& caption, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override;
};

}  // namespace platform
