#include "platform/windowhelpers.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace korvel::platform {

void SetFormTopMost(QWidget* window, bool on) {
    if (!window) return;
    window = window->window();
    Qt::WindowFlags flags = window->windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == on) return;
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    if (QWindow* handle = window->windowHandle(); handle && window->isVisible()) {
        // Changing the flags of a shown widget re-creates and hides it (a modal dialog
        // would even leave its loop); tell the native window instead.
        window->overrideWindowFlags(flags);
        handle->setFlags(flags);
        return;
    }
    const QPoint position = window->pos();
    const QSize size = window->size();
    const bool moved = window->testAttribute(Qt::WA_Moved);
    window->setWindowFlags(flags);
    if (moved) window->move(position);
    window->resize(size);
}

void CenterForm(QWidget* window) {
    if (!window) return;
    window = window->window();
    QScreen* screen = window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize frame = window->frameGeometry().size();
    const int left = std::max(0, (area.width() - frame.width()) / 2);
    const int top = std::max(0, (area.height() - frame.height()) / 2);
    window->move(area.left() + left, area.top() + top);
}

bool LiesOnAvailableScreen(const QRect& rect) {
    if (rect.isEmpty()) return false;
    const int needWidth = std::min(rect.width(), 100);
    const int needHeight = std::min(rect.height(), 50);
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = rect.intersected(screen->availableGeometry());
        if (common.width() >= needWidth && common.height() >= needHeight) return true;
    }
    return false;
}

} // namespace korvel::platform
