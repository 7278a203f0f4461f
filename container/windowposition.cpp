#include "container/windowposition.h"

#include "container/commandline.h"
#include "core/numeric.h"
#include "platform/windowhelpers.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace korvel::container {
namespace {

using platform::kTwipsPerPixel;

// The default that tells "nothing stored" apart from any stored text.
const std::string kNothing(1, '\0');

bool IsStored(const ISettingsStore& store, const std::string& key) {
    return store.Get(kApplication, kSection, key, kNothing) != kNothing;
}

int StoredTwips(const ISettingsStore& store, const std::string& key, int current) {
    const std::string text = store.Get(kApplication, kSection, key, kNothing);
    if (text == kNothing) return current;
    // A value that is not wholly a number ("1500abc" too) counts as 0.
    if (!IsNumeric(text)) return 0;
    return NumericValueAsInt32(text).value_or(0);
}

int ToPixels(int twips) { return twips / kTwipsPerPixel; }

} // namespace

TwipsRect ClampToScreen(TwipsRect r, QSize screen) {
    if (r.Top > screen.height()) r.Top = screen.height() - 100;
    if (r.Left > screen.width()) r.Left = screen.width() - 100;
    if (r.Height > screen.height()) r.Height = screen.height();
    if (r.Width > screen.width()) r.Width = screen.width();
    for (int* value : {&r.Top, &r.Left, &r.Height, &r.Width})
        if (*value < 0) *value = 0;
    return r;
}

void RestoreWindowPosition(QWidget* window, const std::string& name, const ISettingsStore& store) {
    if (!window) return;
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    // Never remembered: the window manager places the window.
    if (!IsStored(store, name + ".Top") && !IsStored(store, name + ".Left") &&
        !IsStored(store, name + ".Height") && !IsStored(store, name + ".Width"))
        return;
    // All screens together, so that a window on a second screen comes back there.
    const QSize screenTwips = screen->virtualSize() * kTwipsPerPixel;
    TwipsRect r;
    r.Top = StoredTwips(store, name + ".Top", window->y() * kTwipsPerPixel);
    r.Left = StoredTwips(store, name + ".Left", window->x() * kTwipsPerPixel);
    r.Height = StoredTwips(store, name + ".Height", window->height() * kTwipsPerPixel);
    r.Width = StoredTwips(store, name + ".Width", window->width() * kTwipsPerPixel);
    r = ClampToScreen(r, screenTwips);

    const QRect target(ToPixels(r.Left), ToPixels(r.Top), ToPixels(r.Width), ToPixels(r.Height));
    if (!platform::LiesOnAvailableScreen(target)) return;
    window->move(target.topLeft());
    window->resize(target.size());
}

void SaveWindowPosition(const QWidget* window, const std::string& name, ISettingsStore& store) {
    if (!window) return;
    if (window->isMinimized() || window->isMaximized() || window->isFullScreen()) return;
    auto save = [&](const char* suffix, int pixels) {
        store.Save(kApplication, kSection, name + suffix, std::to_string(pixels * kTwipsPerPixel));
    };
    save(".Top", window->y());
    save(".Left", window->x());
    save(".Height", window->height());
    save(".Width", window->width());
}

} // namespace korvel::container
