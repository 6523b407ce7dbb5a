#pragma once
// Message boxes, behind an interface so tests and the headless runner answer them.
#include <string>

namespace platform {

enum class MessageIcon { None, Information, Warning, Question, Stop };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // caption and text are Shift-JIS.
    virtual MessageAnswer Show(const std::string& caption, const std::string& text,
                               MessageIcon icon, MessageButtons buttons) = 0;

    // The installed responder (not owned); nullptr restores the Qt message boxes.
    static MessageBox& Current();
    static void SetCurrent(MessageBox* box);
};

}  // namespace platform
