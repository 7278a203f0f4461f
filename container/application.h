#pragma once
// The host program's start-up sequence.

#include "core/settingsstore.h"

#include <QStringList>

class QWidget;

#include <memory>

namespace korvel::container {

class HostWindow;

struct StartupResult {
    int exitCode = 0;
    // The host window to run, or none when the program is to end.
    std::unique_ptr<HostWindow> window;
};

// Reads the command line (arguments after the program name, as the shell split them)
// and the stored parameters, shows the usage text, cleans up, or asks the operator
// through the selection window, and creates the host window with its control. A control
// that cannot be created is reported in a message box and ends the program.
StartupResult Start(const QStringList& arguments, ISettingsStore& store);

// For tests of the whole program (documented in docs/container.md):
// KORVEL_QUIT_AFTER_MS=n closes the window (the host window, or the selection window,
// which then counts as cancelled) n milliseconds after it is shown;
// KORVEL_GRAB_PNG=path saves a picture of the window to path just before.
void InstallTestHooks(QWidget& window);

} // namespace korvel::container
