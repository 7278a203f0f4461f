// KorvelContainer: shows one of the six Korvel controls in its own window.

#include "container/application.h"
#include "container/hostwindow.h"
#include "platform/plaintext.h"
#include "platform/quitsignals.h"
#include "platform/settingsstore.h"

#include <QApplication>
#include <QPointer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Ctrl+C or a kill ends the program as closing its window does (the position is
    // saved), from the event loop rather than from inside the signal; the exit code is
    // the shell's for that signal. A modal box or the selection window that is open
    // then ends with it. Installed before anything else runs: a start-up step that
    // keeps the event loop from running ends too (platform/quitsignals.h).
    QPointer<korvel::container::HostWindow> shown;
    korvel::platform::QuitSignals quit([&shown](int signal) {
        if (shown) shown->close();
        QCoreApplication::exit(korvel::platform::ExitCodeForSignal(signal));
    });
    // Every text of the host and of the control it loads is shown as plain text.
    korvel::platform::InstallPlainTextRule();
    QApplication::setApplicationName(QStringLiteral("KorvelContainer"));
    korvel::platform::QtSettingsStore store;

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst(); // the program itself
    auto started = [&] {
        const korvel::container::StartupTestHooks hooks; // KORVEL_QUIT_AFTER_MS: the selection window too
        return korvel::container::Start(arguments, store);
    }();
    // A signal that came while the start-up ran without the event loop ends it here,
    // before the window is shown.
    quit.DeliverPending();
    if (quit.Received() != 0) return korvel::platform::ExitCodeForSignal(quit.Received());
    if (!started.window) return started.exitCode;
    shown = started.window.get();
    // Closing the host window ends the program at once, whatever other windows the
    // control has open.
    QObject::connect(started.window.get(), &korvel::container::HostWindow::Closed, &app, [&quit] {
        QCoreApplication::exit(quit.Received() ? korvel::platform::ExitCodeForSignal(quit.Received()) : 0);
    });
    started.window->show();
    korvel::container::InstallTestHooks(*started.window);
    return app.exec();
}
