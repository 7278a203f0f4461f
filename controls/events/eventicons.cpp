#include "controls/events/eventicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korvel::events {
namespace {

// Drawn on a 32 x 32 grid; the icon is used at 16 x 16 and at twice that.
constexpr int kSize = 32;

QPixmap Canvas() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void Bell(QPainter& p, const QColor& colour) {
    QPainterPath body;
    body.moveTo(6, 24);
    body.cubicTo(9, 21, 8, 16, 9, 12);
    body.cubicTo(10, 6, 14, 4, 16, 4);
    body.cubicTo(18, 4, 22, 6, 23, 12);
    body.cubicTo(24, 16, 23, 21, 26, 24);
    body.closeSubpath();
    p.setPen(QPen(colour.darker(160), 1.6));
    p.setBrush(colour);
    p.drawPath(body);
    p.setBrush(colour.darker(130));
    p.drawEllipse(QPointF(16, 26.5), 3, 3);
    p.setPen(QPen(colour.lighter(170), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 11), QPointF(11.5, 17));
}

void ListBadge(QPainter& p) {
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(18.5, 16.5, 13, 15), 2, 2);
    p.setPen(QPen(QColor(40, 40, 40), 1.8));
    for (int y : {21, 25, 29}) p.drawLine(21, y, 29, y);
}

QPixmap AlarmImage(const QColor& colour, bool withLines) {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    Bell(p, colour);
    if (withLines) ListBadge(p);
    return pixmap;
}

QPixmap LineImage(int number) {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    auto pen = [&](const QColor& c, qreal w) {
        p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
    };
    switch (number) {
    case 3: { // arrow
        const QColor c(30, 90, 200);
        pen(c, 4);
        p.drawLine(5, 16, 24, 16);
        p.setBrush(c);
        p.drawPolygon(QPolygonF({QPointF(18, 8), QPointF(28, 16), QPointF(18, 24)}));
        break;
    }
    case 4: { // envelope
        p.setPen(QPen(QColor(90, 70, 30), 2));
        p.setBrush(QColor(250, 230, 170));
        p.drawRect(QRectF(4, 8, 24, 17));
        p.drawPolyline(QPolygonF({QPointF(4, 8), QPointF(16, 18), QPointF(28, 8)}));
        break;
    }
    case 5: { // telephone handset
        QPainterPath handset;
        handset.moveTo(7, 5);
        handset.lineTo(12, 5);
        handset.lineTo(13, 11);
        handset.lineTo(10, 13);
        handset.cubicTo(12, 18, 14, 20, 19, 22);
        handset.lineTo(21, 19);
        handset.lineTo(27, 20);
        handset.lineTo(27, 25);
        handset.cubicTo(16, 28, 4, 16, 7, 5);
        p.setPen(QPen(QColor(20, 80, 60), 1.5));
        p.setBrush(QColor(40, 150, 110));
        p.drawPath(handset);
        break;
    }
    case 6: // tick
        pen(QColor(30, 150, 50), 5);
        p.drawPolyline(QPolygonF({QPointF(5, 17), QPointF(13, 25), QPointF(27, 7)}));
        break;
    case 7: // cross
        pen(QColor(200, 30, 30), 5);
        p.drawLine(7, 7, 25, 25);
        p.drawLine(25, 7, 7, 25);
        break;
    case 8: { // hourglass
        const QColor c(110, 110, 120);
        p.setPen(QPen(c.darker(150), 2));
        p.setBrush(QColor(225, 200, 120));
        p.drawPolygon(QPolygonF({QPointF(8, 5), QPointF(24, 5), QPointF(16, 16), QPointF(24, 27),
                                 QPointF(8, 27), QPointF(16, 16)}));
        pen(c.darker(150), 3);
        p.drawLine(6, 4, 26, 4);
        p.drawLine(6, 28, 26, 28);
        break;
    }
    case 15: // double tick
        pen(QColor(10, 100, 40), 4);
        p.drawPolyline(QPolygonF({QPointF(2, 17), QPointF(9, 24), QPointF(21, 8)}));
        p.drawPolyline(QPolygonF({QPointF(11, 21), QPointF(14, 24), QPointF(29, 8)}));
        break;
    default:
        break;
    }
    return pixmap;
}

} // namespace

EventIconStore::EventIconStore() {
    const QColor grey(150, 150, 155), red(215, 40, 35), amber(240, 160, 20), blue(50, 110, 210);
    m_Icons[0] = QIcon(AlarmImage(grey, false));
    m_Icons[1] = QIcon(AlarmImage(grey, true));
    m_Icons[8] = QIcon(AlarmImage(red, false));
    m_Icons[9] = QIcon(AlarmImage(red, true));
    m_Icons[10] = QIcon(AlarmImage(amber, false));
    m_Icons[11] = QIcon(AlarmImage(amber, true));
    m_Icons[12] = QIcon(AlarmImage(blue, false));
    m_Icons[13] = QIcon(AlarmImage(blue, true));
    for (int number : {3, 4, 5, 6, 7, 8, 15}) m_Icons[number - 1] = QIcon(LineImage(number));
}

QIcon EventIconStore::Icon(int number) const {
    if (number < 1 || number > kEventIconCount) return QIcon();
    return m_Icons[number - 1];
}

const EventIconStore& EventIcons() {
    static const EventIconStore store;
    return store;
}

} // namespace korvel::events
