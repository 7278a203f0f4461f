#pragma once
// The operator's hand on an open pop-up menu (platform/popuplist.h): keys and pointer
// events delivered as the window system delivers them while pop-ups are open: keys to
// the focus widget of the pop-up on top, pointer events to the pop-up on top (to its
// widget under the pointer), wherever the pointer is.

#include "platform/popuplist.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace korvel::testing {

// The pop-up list on top of the open ones, or none.
inline platform::PopupList* OpenList() { return platform::PopupList::Active(); }

// A key pressed and let go in the pop-up on top; `text` is what the key types.
inline void MenuKey(int key, const QString& text = {}) {
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup) {
        ADD_FAILURE() << "no pop-up is open";
        return;
    }
    QWidget* target = popup->focusWidget() ? popup->focusWidget() : popup;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    if (QWidget* still = QApplication::activePopupWidget()) QApplication::sendEvent(still, &release);
}

// The middle of a row of the list, on the screen.
inline QPoint RowOnScreen(const platform::PopupList& list, int row) {
    return list.Rows()->mapToGlobal(list.RowRect(row).center());
}

// A pointer event at a point of the screen.
inline void MenuPointer(QEvent::Type type, QPoint global, Qt::MouseButton button = Qt::LeftButton) {
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup) {
        ADD_FAILURE() << "no pop-up is open";
        return;
    }
    QWidget* target = popup->childAt(popup->mapFromGlobal(global));
    if (!target) target = popup;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// The pointer comes to rest on the point, then presses and lets go there.
inline void MenuClick(QPoint global) {
    MenuPointer(QEvent::MouseMove, global);
    MenuPointer(QEvent::MouseButtonPress, global);
    MenuPointer(QEvent::MouseButtonRelease, global);
}

} // namespace korvel::testing
