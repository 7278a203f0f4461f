#include "platform/statuslabel.h"

#include <QEvent>

namespace korvel::platform {

StatusLabel::StatusLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText); // the server's address is part of the text
    setAlignment(Qt::AlignCenter);
    if (parent) parent->installEventFilter(this);
}

void StatusLabel::SetText(const QString& text) {
    if (text != this->text()) {
        setText(text);
        adjustSize();
    }
    Centre();
}

void StatusLabel::Centre() {
    QWidget* p = parentWidget();
    if (!p) return;
    const QRect inner = p->contentsRect();
    move(inner.left() + (inner.width() - width()) / 2, inner.top() + (inner.height() - height()) / 2);
}

bool StatusLabel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) Centre();
    return QLabel::eventFilter(watched, event);
}

} // namespace korvel::platform
