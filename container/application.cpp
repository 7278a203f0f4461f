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
            platform::RunModal(selection);
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

namespace {

// The delay KORVEL_QUIT_AFTER_MS asks for, or -1 when it asks for none.
int QuitAfterMs() {
    bool ok = false;
    const int quitAfter = qEnvironmentVariableIntValue("KORVEL_QUIT_AFTER_MS", &ok);
    return ok && quitAfter >= 0 ? quitAfter : -1;
}

// The Qt dialog service, with the test hooks on every window it runs.
class SelfClosingWindows final : public platform::IDialogService {
public:
    platform::MessageResult Message(const platform::MessageRequest& request, QWidget* parent) override {
        return m_Qt.Message(request, parent);
    }
    std::optional<QString> Input(const platform::InputRequest& request, QWidget* parent) override {
        return m_Qt.Input(request, parent);
    }
    int Run(QDialog& window) override {
        InstallTestHooks(window);
        return m_Qt.Run(window);
    }
    void Popup(platform::Menu& menu, const QPoint& globalPosition) override { m_Qt.Popup(menu, globalPosition); }

private:
    platform::QtDialogService m_Qt;
};

} // namespace

StartupTestHooks::StartupTestHooks() {
    if (QuitAfterMs() < 0) return;
    m_Previous = platform::InstallDialogService(std::make_unique<SelfClosingWindows>());
    m_Installed = true;
}

StartupTestHooks::~StartupTestHooks() {
    if (m_Installed) platform::InstallDialogService(std::move(m_Previous));
}

void InstallTestHooks(QWidget& window) {
    const int quitAfter = QuitAfterMs();
    if (quitAfter < 0) return;
    QTimer::singleShot(quitAfter, &window, [&window] {
        const QString path = qEnvironmentVariable("KORVEL_GRAB_PNG");
        if (!path.isEmpty()) window.grab().save(path, "PNG");
        window.close();
    });
}

} // namespace korvel::container
