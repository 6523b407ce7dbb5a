#include "shell/key_map.h"

#include <Qt>

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
