#pragma once
// Window placement helpers: keeping a window above all others, centring it, and telling
// whether a remembered rectangle still lies on one of the screens.

#include "platform/twips.h"

#include <QRect>

class QWidget;

namespace korvel::platform {

// Keeps the top-level window above all others (on) or stops doing so (off), without
// moving, resizing, hiding or showing it.
void SetFormTopMost(QWidget* window, bool on);

// Centres the window on the available area of its screen; a negative left or top
// (window larger than the screen) becomes the screen's left or top edge.
void CenterForm(QWidget* window);

// True when enough of the rectangle (global pixels) lies on the available area of one
// screen to see and grab the window: at least 100 x 50 pixels of it, or all of it
// when it is smaller.
bool LiesOnAvailableScreen(const QRect& rect);

} // namespace korvel::platform
