// KorvelContainer: shows one of the six Korvel controls in its own window.

#include "container/application.h"
#include "container/hostwindow.h"
#include "platform/plaintext.h"
#include "platform/settingsstore.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Every text of the host and of the control it loads is shown as plain text.
    korvel::platform::InstallPlainTextRule();
    QApplication::setApplicationName(QStringLiteral("KorvelContainer"));
    korvel::platform::QtSettingsStore store;

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst(); // the program itself
    auto started = korvel::container::Start(arguments, store);
    if (!started.window) return started.exitCode;
    // Closing the host window ends the program at once, whatever other windows the
    // control has open.
    QObject::connect(started.window.get(), &korvel::container::HostWindow::Closed, &app,
                     [] { QCoreApplication::exit(0); });
    started.window->show();
    korvel::container::InstallTestHooks(*started.window);
    return app.exec();
}
