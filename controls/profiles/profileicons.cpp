#include "controls/profiles/profileicons.h"

#include "platform/iconstore.h"

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace korvel::profiles {
namespace {

constexpr int kSize = 16;

QIcon Box(QColor fill, bool ticked, QColor tick = Qt::black) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(fill);
    p.drawRect(2, 2, 11, 11);
    if (ticked) {
        p.setPen(QPen(tick, 2));
        p.drawLine(4, 8, 7, 11);
        p.drawLine(7, 11, 12, 4);
    }
    return QIcon(pixmap);
}

QIcon Person(QColor body, bool mark, bool missing) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawEllipse(5, 1, 6, 6);
    p.drawRoundedRect(3, 8, 10, 7, 3, 3);
    if (missing) {
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(2, 2, 14, 14);
    }
    if (mark) {
        p.setPen(QPen(QColor(0, 120, 0), 2));
        p.drawLine(10, 12, 12, 14);
        p.drawLine(12, 14, 15, 9);
    }
    return QIcon(pixmap);
}

} // namespace

void FillTreeIcons(platform::IconStore& store) {
    store.Add(Box(QColor(230, 255, 230), true, QColor(0, 140, 0))); // enabled
    store.Add(Box(QColor(255, 235, 235), false));                     // disabled
    store.Add(Box(QColor(225, 225, 225), false));                     // intermediate
}

void FillReceiverIcons(platform::IconStore& store) {
    const QColor known(40, 90, 170);
    const QColor missing(150, 150, 150);
    store.Add(Person(known, false, false));
    store.Add(Person(known, true, false));
    store.Add(Person(missing, true, true));
    store.Add(Person(missing, false, true));
    store.Add(Person(missing, false, true));
}

} // namespace korvel::profiles
