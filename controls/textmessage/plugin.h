#pragma once
// The text message control as a control plug-in. Every instance it makes shares the one client
// state of this plug-in. Its programmatic identifier is given once, in its metadata (the
// JSON file named below), where the host reads it without loading the plug-in.

#include "platform/controlplugin.h"

#include <QObject>

namespace korvel::textmessage {

class Plugin final : public QObject, public platform::IControlPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KORVEL_CONTROL_PLUGIN_IID FILE "textmessage.json")
    Q_INTERFACES(korvel::platform::IControlPlugin)
public:
    QWidget* CreateComponent(QWidget* parent) override;
};

} // namespace korvel::textmessage
