#include "platform/paintsurface.h"

#include "platform/iconstore.h"
#include "platform/qtext.h"

#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <QToolTip>

#include <algorithm>
#include <cstdlib>

namespace korvel::platform {
namespace {

int Button(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return korvel::kLeftButton;
    case Qt::RightButton: return korvel::kRightButton;
    case Qt::MiddleButton: return korvel::kMiddleButton;
    default: return 0;
    }
}

int Buttons(Qt::MouseButtons buttons) {
    int result = 0;
    if (buttons & Qt::LeftButton) result |= korvel::kLeftButton;
    if (buttons & Qt::RightButton) result |= korvel::kRightButton;
    if (buttons & Qt::MiddleButton) result |= korvel::kMiddleButton;
    return result;
}

int Shift(Qt::KeyboardModifiers modifiers) {
    int result = 0;
    if (modifiers & Qt::ShiftModifier) result |= korvel::kShiftKey;
    if (modifiers & Qt::ControlModifier) result |= korvel::kCtrlKey;
    if (modifiers & Qt::AltModifier) result |= korvel::kAltKey;
    return result;
}

QIcon DayTypeImage(int index) {
    QPixmap pixmap(kDayTypeImageSize, kDayTypeImageSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = QColor::fromHsv((index % 8) * 45, 200, 230);
    p.setPen(QPen(fill.darker(170), 1));
    p.setBrush(fill);
    const QRectF box(0.5, 0.5, kDayTypeImageSize - 1, kDayTypeImageSize - 1);
    if (index < 8) {
        p.drawEllipse(box);
    } else {
        QPainterPath diamond;
        diamond.moveTo(box.center().x(), box.top());
        diamond.lineTo(box.right(), box.center().y());
        diamond.lineTo(box.center().x(), box.bottom());
        diamond.lineTo(box.left(), box.center().y());
        diamond.closeSubpath();
        p.drawPath(diamond);
    }
    // A highlight, so the marks read as small badges on any background.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QRectF(3, 2.5, 3, 2.5));
    p.end();
    return QIcon(pixmap);
}

} // namespace

IconStore DayTypeImages() {
    IconStore store;
    for (int i = 0; i < 16; ++i) store.Add(DayTypeImage(i));
    return store;
}

PaintSurfaceWidget::PaintSurfaceWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The widgets' geometry is in pixels and leaves about 13 pixels per text line.
    QFont f = font();
    f.setPixelSize(kDefaultFontPixelSize);
    setFont(f);
    m_Background = palette().color(QPalette::Window);
    m_Image = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_Image.fill(m_Background);
}

void PaintSurfaceWidget::setBackgroundColour(const QColor& colour) {
    m_Background = colour;
    m_BackgroundFromPalette = false;
    clear();
}

void PaintSurfaceWidget::setImageStore(const IconStore* store, QSize imageSize) {
    m_Images = store;
    m_ImageSize = imageSize;
}

void PaintSurfaceWidget::clear() {
    syncImageSize();
    m_Image.fill(m_Background);
    update();
}

void PaintSurfaceWidget::refresh() {
    clear();
    emit paintRequested();
}

QColor PaintSurfaceWidget::resolve(korvel::Colour colour) const {
    switch (colour.kind) {
    case korvel::Colour::Kind::GrayText: return palette().color(QPalette::Disabled, QPalette::WindowText);
    case korvel::Colour::Kind::ButtonText: return palette().color(QPalette::Active, QPalette::ButtonText);
    case korvel::Colour::Kind::Background: return m_Background;
    case korvel::Colour::Kind::Rgb: break;
    }
    return QColor(colour.r, colour.g, colour.b);
}

bool PaintSurfaceWidget::syncImageSize() {
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (wanted == m_Image.size()) return false;
    // The picture keeps what fits; new parts are background until the host draws.
    QImage image(wanted, QImage::Format_RGB32);
    image.fill(m_Background);
    QPainter p(&image);
    p.drawImage(0, 0, m_Image);
    p.end();
    m_Image = std::move(image);
    return true;
}

void PaintSurfaceWidget::setPixel(int x, int y, QRgb rgb) {
    if (x < 0 || y < 0 || x >= m_Image.width() || y >= m_Image.height()) return;
    reinterpret_cast<QRgb*>(m_Image.scanLine(y))[x] = rgb;
}

void PaintSurfaceWidget::drawLine(int x1, int y1, int x2, int y2, korvel::Colour colour) {
    if (x1 == x2 && y1 == y2) return;
    syncImageSize();
    const QRgb rgb = resolve(colour).rgb();
    if (y1 == y2 || x1 == x2) {
        // Straight lines: the pixels from the start up to, not including, the end,
        // clipped to the picture.
        int a = y1 == y2 ? x1 : y1, b = y1 == y2 ? x2 : y2;
        const int from = a < b ? a : b + 1;
        const int to = a < b ? b - 1 : a;
        const int limit = (y1 == y2 ? m_Image.width() : m_Image.height()) - 1;
        const int fixed = y1 == y2 ? y1 : x1;
        if (fixed < 0 || fixed > (y1 == y2 ? m_Image.height() : m_Image.width()) - 1) return;
        const int lo = std::max(from, 0), hi = std::min(to, limit);
        for (int v = lo; v <= hi; ++v) {
            if (y1 == y2) reinterpret_cast<QRgb*>(m_Image.scanLine(fixed))[v] = rgb;
            else reinterpret_cast<QRgb*>(m_Image.scanLine(v))[fixed] = rgb;
        }
    } else {
        // Bresenham from the start, stopping before the end point.
        const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
        const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
        int err = dx + dy, x = x1, y = y1;
        while (x != x2 || y != y2) {
            setPixel(x, y, rgb);
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
    }
    update(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))));
}

void PaintSurfaceWidget::fillRect(int x, int y, int width, int height, korvel::Colour colour) {
    if (width <= 0 || height <= 0) return;
    const QRect rect(x, y, width, height);
    syncImageSize();
    QPainter p(&m_Image);
    p.fillRect(rect, resolve(colour));
    p.end();
    update(rect);
}

QFont PaintSurfaceWidget::textFont() const {
    QFont f = font();
    f.setBold(m_Bold);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

void PaintSurfaceWidget::setBold(bool bold) { m_Bold = bold; }

void PaintSurfaceWidget::drawText(int x, int y, std::string_view text) {
    const QString s = ToQString(text);
    const QFont f = textFont();
    const QFontMetrics metrics(f);
    syncImageSize();
    QPainter p(&m_Image);
    p.setFont(f);
    p.setPen(resolve(m_Fore));
    p.drawText(QPoint(x, y + metrics.ascent()), s);
    p.end();
    update(QRect(x, y, metrics.horizontalAdvance(s) + 2, metrics.height()));
}

int PaintSurfaceWidget::textWidth(std::string_view text) {
    return QFontMetrics(textFont()).horizontalAdvance(ToQString(text));
}

int PaintSurfaceWidget::textHeight(std::string_view) { return QFontMetrics(textFont()).height(); }

void PaintSurfaceWidget::drawImage(int number, int x, int y, bool transparent) {
    if (!m_Images || !m_Images->Has(number)) return;
    const QPixmap pixmap = m_Images->Icon(number).pixmap(m_ImageSize, 1.0);
    syncImageSize();
    QPainter p(&m_Image);
    const QRect box(QPoint(x, y), m_ImageSize);
    if (!transparent) p.fillRect(box, m_Background);
    p.drawPixmap(box, pixmap);
    p.end();
    update(box);
}

void PaintSurfaceWidget::setPointer(korvel::PointerShape shape) {
    if (shape == korvel::PointerShape::SizeWestEast) setCursor(Qt::SizeHorCursor);
    else unsetCursor();
}

void PaintSurfaceWidget::setToolTipText(std::string_view text) {
    const QString tip = ToQString(text);
    if (tip == toolTip()) return;
    setToolTip(tip);
    // A tip on show follows the day under the pointer.
    if (QToolTip::isVisible() && underMouse()) {
        if (tip.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(QCursor::pos(), tip, this);
    }
}

void PaintSurfaceWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect(), m_Image, event->rect());
    // Outside the picture (only while it is being resized) the background shows.
    for (const QRect& outside : QRegion(event->rect()).subtracted(QRegion(m_Image.rect())))
        p.fillRect(outside, m_Background);
}

void PaintSurfaceWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!syncImageSize()) return;
    update();
    emit paintRequested();
}

void PaintSurfaceWidget::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit mousePressed(Button(event->button()), Shift(event->modifiers()), p.x(), p.y());
}

void PaintSurfaceWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit mouseMoved(Buttons(event->buttons()), Shift(event->modifiers()), p.x(), p.y());
}

void PaintSurfaceWidget::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit mouseReleased(Button(event->button()), Shift(event->modifiers()), p.x(), p.y());
}

void PaintSurfaceWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Colours and fonts of the desktop changed: the host draws the picture again.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        if (m_BackgroundFromPalette) m_Background = palette().color(QPalette::Window);
        refresh();
    }
}

} // namespace korvel::platform
