#pragma once
// The interface every control plug-in exports. The host finds a plug-in by the
// programmatic identifier in its metadata ("ProgrammaticId", e.g.
// "Korvel3SysLog.Component") without loading it, then loads it and asks it for a
// Component widget. The widget carries the automation properties (ServerAddress,
// ServerPort, Area, Password, ...) as Qt properties that the host sets by name.

#include <QString>
#include <QWidget>
#include <QtPlugin>

namespace korvel::platform {

class IControlPlugin {
public:
    virtual ~IControlPlugin() = default;
    virtual QString ProgrammaticId() const = 0;
    // A new instance of the control inside parent. Every instance made by one plug-in
    // shares the plug-in's client state.
    virtual QWidget* CreateComponent(QWidget* parent) = 0;
};

} // namespace korvel::platform

#define KORVEL_CONTROL_PLUGIN_IID "org.korvel.ControlPlugin/3"
Q_DECLARE_INTERFACE(korvel::platform::IControlPlugin, KORVEL_CONTROL_PLUGIN_IID)
