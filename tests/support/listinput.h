#pragma once
// The operator's hand on a control's list view: clicks on rows and column headers, whole
// double-clicks with keys held, the pointer moving over the rows, keys pressed. Each sends
// the events the window system would, so the control's own handlers run as they do for
// the operator.

#include "platform/listview.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <initializer_list>

namespace korvel::testing {

// A point inside the row at 1-based position, xPixels from the list's left edge.
inline QPoint RowPoint(const platform::ListView& list, int position, int xPixels = 40) {
    QPoint p = list.visualRect(list.model()->index(position - 1, 0)).center();
    p.setX(xPixels);
    return p;
}

inline void SendMouse(QWidget* target, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held,
                      Qt::KeyboardModifiers keys) {
    QMouseEvent event(type, p, target->mapToGlobal(p), button, held, keys);
    QApplication::sendEvent(target, &event);
}

// A click of the left button on a row.
inline void ClickRow(platform::ListView& list, int position, int xPixels = 40,
                     Qt::KeyboardModifiers keys = Qt::NoModifier) {
    list.scrollTo(list.model()->index(position - 1, 0));
    const QPoint p = RowPoint(list, position, xPixels);
    SendMouse(list.viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, keys);
    SendMouse(list.viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton, keys);
}

// A whole double-click of the left button as the window system delivers it: press,
// release, double-click, release, all with the same keys held.
inline void DoubleClickRow(platform::ListView& list, int position, int xPixels,
                           Qt::KeyboardModifiers keys = Qt::NoModifier) {
    list.scrollTo(list.model()->index(position - 1, 0));
    const QPoint p = RowPoint(list, position, xPixels);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        SendMouse(list.viewport(), type, p, Qt::LeftButton, held, keys);
    }
}

// A click on the header of the 1-based column.
inline void ClickHeader(platform::ListView& list, int column) {
    QHeaderView* header = list.header();
    const int logical = column - 1;
    const QPoint p(header->sectionViewportPosition(logical) + header->sectionSize(logical) / 2, header->height() / 2);
    SendMouse(header->viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    SendMouse(header->viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
}

// The pointer moved over the list, no button held, xPixels from its left edge.
inline void MovePointer(platform::ListView& list, int xPixels) {
    SendMouse(list.viewport(), QEvent::MouseMove, QPoint(xPixels, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
}

inline void PressKey(QWidget& target, int key, Qt::KeyboardModifiers keys = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, keys, text);
    QApplication::sendEvent(&target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, keys, text);
    QApplication::sendEvent(&target, &release);
}

// The operator ticks or unticks a row's check box: the row is clicked, then Space.
inline void SetTick(platform::ListView& list, int position, bool on) {
    if (list.Checked(position) == on) return;
    ClickRow(list, position);
    PressKey(list, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
}

// The operator chooses an entry of a drop-down list with the keyboard: Home, then Down
// until the entry is reached; the list reports each entry it moves to as chosen.
inline void ChooseEntry(QComboBox& combo, int index) {
    PressKey(combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i) PressKey(combo, Qt::Key_Down);
}

} // namespace korvel::testing
