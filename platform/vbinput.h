#pragma once
// Mouse buttons and shift states as the controls' handlers take them: button 1 left,
// 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt (summed).

#include <Qt>

namespace korvel::platform {

inline int VbButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

inline int VbButtons(Qt::MouseButtons buttons) {
    int result = 0;
    if (buttons & Qt::LeftButton) result |= 1;
    if (buttons & Qt::RightButton) result |= 2;
    if (buttons & Qt::MiddleButton) result |= 4;
    return result;
}

inline int VbShift(Qt::KeyboardModifiers modifiers) {
    int result = 0;
    if (modifiers & Qt::ShiftModifier) result |= 1;
    if (modifiers & Qt::ControlModifier) result |= 2;
    if (modifiers & Qt::AltModifier) result |= 4;
    return result;
}

// Key codes of the handlers: Enter 13, Delete 46, arrows 37..40; letters and digits as
// their upper-case character; any other key as Qt numbers it.
inline int VbKeyCode(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    default: return qtKey;
    }
}

} // namespace korvel::platform
