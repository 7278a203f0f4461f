#pragma once
// The host program's start-up sequence.

#include "core/settingsstore.h"
#include "platform/dialogservice.h"

#include <QStringList>

#include <memory>

class QWidget;

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

// For runs of the whole program without a display (documented in docs/container.md):
// KORVEL_QUIT_AFTER_MS=n closes the window n milliseconds after it is shown;
// KORVEL_GRAB_PNG=path saves a picture of the window to path just before.
void InstallTestHooks(QWidget& window);

// While it lives and KORVEL_QUIT_AFTER_MS is set, the modal windows that the start-up
// runs through the dialog service (the selection window, which then counts as
// cancelled) get the same hooks: the Qt service, with InstallTestHooks on each window
// before it runs. Without the variable it changes nothing.
class StartupTestHooks final {
public:
    StartupTestHooks();
    ~StartupTestHooks();
    StartupTestHooks(const StartupTestHooks&) = delete;
    StartupTestHooks& operator=(const StartupTestHooks&) = delete;

private:
    std::unique_ptr<platform::IDialogService> m_Previous;
    bool m_Installed = false;
};

} // namespace korvel::container
