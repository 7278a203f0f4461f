#pragma once
// The host program's main window: creates the chosen control inside itself, hands it
// the connection parameters, keeps it filling the window and remembers the window's
// position per control.

#include "container/commandline.h"
#include "core/settingsstore.h"

#include <QString>
#include <QWidget>

#include <string>

namespace korvel::container {

inline constexpr const char* kDesignCaption = "Korvel Remote Admin";
inline constexpr const char* kVersion = "3.0.09";
inline constexpr const char* kControlName = "KorvelActiveX";

class HostWindow final : public QWidget {
    Q_OBJECT
public:
    HostWindow(const StartupParameters& parameters, ISettingsStore& store,
               QWidget* parent = nullptr);

    // Creates the control of the chosen component and prepares the window (parameters,
    // remembered position, keep-on-top, caption). False, with error set, when the
    // control cannot be created; the window is then not to be shown.
    bool Load(QString& error);
    bool Load(QString& error, const QStringList& pluginFolders);

    QWidget* Control() const { return m_Control; }

signals:
    // The window was closed and its position saved: the program is to end.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    StartupParameters m_Parameters;
    ISettingsStore& m_Store;
    std::string m_WindowName;
    QWidget* m_Control = nullptr;
};

} // namespace korvel::container
