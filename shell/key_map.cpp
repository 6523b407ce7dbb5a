#include "shell/key_map.h"

#include <Qt>

namespace {
TKeyMap::Action Code(int code) {
    return {TKeyMap::Action::kCode, code, 0, 0};
}
TKeyMap::Action Move(int dx, int dy) {
    return {TKeyMap::Action::kMovePointer, 0, dx, dy};
}
}  // namespace

TKeyMap::Action TKeyMap::Press(int key, bool alt) {
    constexpr int s = kPointerStep;
    switch (key) {
        case Qt::Key_Shift:
            return Code(3);
        case Qt::Key_Control:
            return Code(2);
        case Qt::Key_Left:
            return alt ? Move(-s, 0) : Code(7);
        case Qt::Key_Right:
            return alt ? Move(s, 0) : Code(8);
        case Qt::Key_Up:
            return alt ? Move(0, -s) : Code(5);
        case Qt::Key_Down:
            return alt ? Move(0, s) : Code(6);
        case Qt::Key_PageUp:
            return Code(5);
        case Qt::Key_PageDown:
            return Code(6);
        default:
            return {};
    }
}

TKeyMap::Action TKeyMap::Release(int key, bool alt) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            return alt ? Action{Action::kClickAtPointer, 0, 0, 0} : Code(1);
        case Qt::Key_Shift:
            return Code(4);
        default:
            return {};
    }
}
