#include "shell/key_map.h"

#include <Qt>
#include <utility>

#define VELMOR_PLUGIN_HOST
#include "plugin/velmor_plugin.h"

namespace {
TKeyMap::Action Code(TInputCode code) {
    return {TKeyMap::Action::kCode, code, 0, 0};
}
TKeyMap::Action Move(int dx, int dy) {
    return {TKeyMap::Action::kMovePointer, TInputCode::Confirm, dx, dy};
}
}  // namespace

TKeyMap::Action TKeyMap::Press(int key, bool alt) {
    constexpr int s = kPointerStep;
    switch (key) {
        case Qt::Key_Shift:
            return Code(TInputCode::HideWindow);
        case Qt::Key_Control:
            return Code(TInputCode::SkipHeld);
        case Qt::Key_Left:
            return alt ? Move(-s, 0) : Code(TInputCode::First);
        case Qt::Key_Right:
            return alt ? Move(s, 0) : Code(TInputCode::Last);
        case Qt::Key_Up:
            return alt ? Move(0, -s) : Code(TInputCode::Up);
        case Qt::Key_Down:
            return alt ? Move(0, s) : Code(TInputCode::Down);
        case Qt::Key_PageUp:
            return Code(TInputCode::Up);
        case Qt::Key_PageDown:
            return Code(TInputCode::Down);
        default:
            return {};
    }
}

TKeyMap::Action TKeyMap::Release(int key, bool alt) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            return alt ? Action{Action::kClickAtPointer, TInputCode::Confirm, 0, 0}
                       : Code(TInputCode::Confirm);
        case Qt::Key_Shift:
            return Code(TInputCode::ShowWindow);
        default:
            return {};
    }
}

int32_t TKeyMap::PluginKey(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) ||
        key == Qt::Key_Space)
        return key;  // the same ASCII codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return VELMOR_KEY_F1 + (key - Qt::Key_F1);
    static constexpr std::pair<int, int32_t> kKeys[] = {
        {Qt::Key_Backspace, VELMOR_KEY_BACKSPACE}, {Qt::Key_Tab, VELMOR_KEY_TAB},
        {Qt::Key_Return, VELMOR_KEY_RETURN},       {Qt::Key_Enter, VELMOR_KEY_RETURN},
        {Qt::Key_Shift, VELMOR_KEY_SHIFT},         {Qt::Key_Control, VELMOR_KEY_CONTROL},
        {Qt::Key_Alt, VELMOR_KEY_ALT},             {Qt::Key_Escape, VELMOR_KEY_ESCAPE},
        {Qt::Key_PageUp, VELMOR_KEY_PAGEUP},       {Qt::Key_PageDown, VELMOR_KEY_PAGEDOWN},
        {Qt::Key_End, VELMOR_KEY_END},             {Qt::Key_Home, VELMOR_KEY_HOME},
        {Qt::Key_Left, VELMOR_KEY_LEFT},           {Qt::Key_Up, VELMOR_KEY_UP},
        {Qt::Key_Right, VELMOR_KEY_RIGHT},         {Qt::Key_Down, VELMOR_KEY_DOWN},
        {Qt::Key_Insert, VELMOR_KEY_INSERT},       {Qt::Key_Delete, VELMOR_KEY_DELETE}};
    for (const auto& [qt, code] : kKeys)
        if (qt == key) return code;
    return 0;
}
