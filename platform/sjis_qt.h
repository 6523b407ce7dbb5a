#pragma once
// The one bridge between engine text (Shift-JIS bytes) and Qt text; every window and
// platform piece that shows engine text or hands Qt text back goes through it.
#include <QString>
#include <string>
#include <string_view>

#include "platform/sjis.h"

namespace platform {

inline QString ToQString(std::string_view sjis) {
    return QString::fromStdString(SjisToUtf8(sjis));
}
inline std::string FromQString(const QString& text) {
    return Utf8ToSjis(text.toStdString());
}

}  // namespace platform
