#pragma once
// The profiles editor as a control plug-in ("Korvel3Profiles.Component"). Every instance
// it makes shares the one client state of this plug-in.

#include "platform/controlplugin.h"

#include <QObject>

namespace korvel::profiles {

class Plugin final : public QObject, public platform::IControlPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KORVEL_CONTROL_PLUGIN_IID FILE "profiles.json")
    Q_INTERFACES(korvel::platform::IControlPlugin)
public:
    QString ProgrammaticId() const override;
    QWidget* CreateComponent(QWidget* parent) override;
};

} // namespace korvel::profiles
