#pragma once
// What the operator sees of, and does with, the text message control's composer: the
// ticked receivers, the length limit as the control states it, the editor's text and the
// panels of its status bar, found by their object names.

#include "controls/textmessage/statusbar.h"
#include "tests/support/children.h"
#include "tests/support/listinput.h"

#include "core/codec.h"
#include "platform/listview.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>

namespace korvel::testing {

inline platform::ListView& ComposerList(const QWidget& control) {
    return Child<platform::ListView>(control, "ListView_Receivers");
}
inline textmessage::StatusBar& ComposerBar(const QWidget& control) {
    return Child<textmessage::StatusBar>(control, "StatusBar");
}
inline QPlainTextEdit& ComposerText(const QWidget& control) { return Child<QPlainTextEdit>(control, "Text_FreeText"); }

// The identities of the ticked rows in list order, each followed by the character 255:
// the form in which the control sends and keeps the last message's receivers.
inline Bytes TickedList(const QWidget& control) {
    const platform::ListView& list = ComposerList(control);
    Bytes out;
    for (int i = 1; i <= list.ListCount(); ++i) {
        if (list.Checked(i)) out += list.Key(i).mid(1).toStdString() + '\xFF';
    }
    return out;
}

// The longest text the control lets go out now, read from what it says when the text is
// longer than any limit can be; the text typed before is put back.
inline int ShownLimit(const QWidget& control) {
    QPlainTextEdit& text = ComposerText(control);
    const QString typed = text.toPlainText();
    text.setPlainText(QString(9000, QLatin1Char('x')));
    const QString said = ComposerBar(control).PanelText(2);
    text.setPlainText(typed);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("(\\d+)\\D*\\(9000\\)$")).match(said);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// A click of the left button on a panel (1-based) of the status bar.
inline void ClickPanel(const QWidget& control, int panel) {
    QWidget* target = ComposerBar(control).findChildren<QWidget*>()[panel - 1];
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

// The operator ticks or unticks the row of a receiver.
inline void TickReceiver(const QWidget& control, int identity, bool on = true) {
    platform::ListView& list = ComposerList(control);
    const int position = list.FindKey(QStringLiteral("K%1").arg(identity));
    if (position > 0) SetTick(list, position, on);
}

} // namespace korvel::testing
