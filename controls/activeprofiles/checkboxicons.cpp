#include "controls/activeprofiles/checkboxicons.h"

#include "platform/iconstore.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korvel::activeprofiles {
namespace {

QIcon CheckBox(bool ticked) {
    constexpr int kSize = 16;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, kSize - 3, kSize - 3));
    if (ticked) {
        QPainterPath tick;
        tick.moveTo(4.0, 8.5);
        tick.lineTo(7.0, 11.5);
        tick.lineTo(12.0, 4.5);
        p.setPen(QPen(QColor(0x10, 0x80, 0x20), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace

void AddCheckBoxIcons(platform::IconStore& store) {
    store.Add(CheckBox(true));
    store.Add(CheckBox(false));
}

} // namespace korvel::activeprofiles
