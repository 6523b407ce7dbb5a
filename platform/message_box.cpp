#include "platform/message_box.h"

#include <atomic>

#include "platform/qt_message_box.h"

namespace platform {
namespace {
std::atomic<MessageBox*> g_Current{nullptr};
}  // namespace

MessageBox& MessageBox::Current() {
    if (MessageBox* box = g_Current.load()) return *box;
    static QtMessageBox qtBox;
    return qtBox;
}

void MessageBox::SetCurrent(MessageBox* box) {
    g_Current.store(box);
}

}  // namespace platform
