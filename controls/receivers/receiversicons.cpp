#include "controls/receivers/receiversicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korvel::receivers {
namespace {

constexpr int kSize = 16;

QPixmap Blank() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QIcon Arrow(bool down) {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 90));
    QPainterPath path;
    if (down) {
        path.moveTo(3, 5);
        path.lineTo(13, 5);
        path.lineTo(8, 11);
    } else {
        path.moveTo(3, 11);
        path.lineTo(13, 11);
        path.lineTo(8, 5);
    }
    path.closeSubpath();
    p.drawPath(path);
    return QIcon(pixmap);
}

QIcon Box(bool ticked) {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 2.5, 11, 11));
    if (ticked) {
        p.setPen(QPen(QColor(20, 130, 40), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(4.5, 8);
        tick.lineTo(7, 10.5);
        tick.lineTo(11.5, 5);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    }
    return QIcon(pixmap);
}

} // namespace

const platform::IconStore& SortingIcons() {
    static const platform::IconStore store = [] {
        platform::IconStore s;
        s.Add(Arrow(true));   // 1 descending
        s.Add(Arrow(false));  // 2 ascending
        return s;
    }();
    return store;
}

const platform::IconStore& CheckBoxIcons() {
    static const platform::IconStore store = [] {
        platform::IconStore s;
        s.Add(Box(true));   // 1 enabled
        s.Add(Box(false));  // 2 disabled
        return s;
    }();
    return store;
}

} // namespace korvel::receivers
