#pragma once
// The host window's position, remembered per control in the stored parameters as
// name & ".Top", ".Left", ".Height", ".Width" in twips.

#include "core/settingsstore.h"

#include <QRect>
#include <QSize>

#include <string>

class QWidget;

namespace korvel::container {

struct TwipsRect {
    int Top = 0;
    int Left = 0;
    int Height = 0;
    int Width = 0;
    bool operator==(const TwipsRect&) const = default;
};

// Keeps a remembered position within a screen of the given size (twips): a Top or Left
// beyond the screen becomes its height or width less 100, a Height or Width larger than
// the screen becomes the screen's, and a negative value becomes 0.
TwipsRect ClampToScreen(TwipsRect rect, QSize screenTwips);

// Reads the remembered position (an absent value keeps the window's own, a value that
// is not a number reads as 0), clamps it to the screens, and applies it when the result
// lies on an available screen; otherwise the window stays where it is.
void RestoreWindowPosition(QWidget* window, const std::string& name, const ISettingsStore& store);

// Stores the position of a window in its normal state; a minimized, maximized or
// full-screen window stores nothing.
void SaveWindowPosition(const QWidget* window, const std::string& name, ISettingsStore& store);

} // namespace korvel::container
