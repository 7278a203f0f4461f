#include "container/application.h"

#include "container/commandline.h"
#include "container/hostwindow.h"
#include "container/selectionwindow.h"
#include "platform/dialogservice.h"
#include "platform/qtext.h"

#include <QPixmap>
#include <QTimer>

#include <string>
#include <vector>

namespace korvel::container {

using platform::MessageButtons;
using platform::MessageIcon;

StartupResult Start(const QStringList& arguments, ISettingsStore& store) {
    std::vector<std::string> split;
    split.reserve(static_cast<std::size_t>(arguments.size()));
    for (const QString& argument : arguments) split.push_back(platform::FromQString(argument));
    const std::string commandLine = RebuildCommandLine(split);

    StartupResult result;
    if (AsksForUsage(commandLine)) {
        platform::ShowMessage(platform::ToQString(UsageText()), QString::fromLatin1(kUsageTitle),
                              MessageIcon::None, MessageButtons::Ok);
        return result;
    }
    if (AsksForCleanUp(commandLine)) {
        CleanUp(store);
        platform::ShowMessage(QString::fromLatin1(kCleanUpText), QString::fromLatin1(kUsageTitle),
                              MessageIcon::Information, MessageButtons::Ok);
        return result;
    }

    StartupParameters parameters = ReadStartupParameters(commandLine, store);
    if (!ParametersValid(parameters)) {
        PrepareForSelection(parameters, store);
        {
            SelectionWindow selection(parameters, store);
            selection.Prepare();
            InstallTestHooks(selection);
            selection.exec();
        }
        StoreAfterSelection(parameters, store);
    }
    if (!ParametersValid(parameters)) return result;

    auto window = std::make_unique<HostWindow>(parameters, store);
    QString error;
    if (!window->Load(error)) {
        platform::ShowMessage(QStringLiteral("Korvel Component failed to load, error: ") + error,
                              QStringLiteral("Korvel Container"), MessageIcon::Critical,
                              MessageButtons::Ok);
        result.exitCode = 1;
        return result;
    }
    result.window = std::move(window);
    return result;
}

void InstallTestHooks(QWidget& window) {
    bool ok = false;
    const int quitAfter = qEnvironmentVariableIntValue("KORVEL_QUIT_AFTER_MS", &ok);
    if (!ok || quitAfter < 0) return;
    QTimer::singleShot(quitAfter, &window, [&window] {
        const QString path = qEnvironmentVariable("KORVEL_GRAB_PNG");
        if (!path.isEmpty()) window.grab().save(path, "PNG");
        window.close();
    });
}

} // namespace korvel::container
