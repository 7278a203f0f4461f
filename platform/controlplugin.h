#pragma once
// The interface every control plug-in exports. The host finds a plug-in by the
// programmatic identifier in its metadata ("ProgrammaticId", e.g.
// "Korvel3SysLog.Component") without loading it, then loads it and asks it for a
// Component widget. The widget carries the automation properties (ServerAddress,
// ServerPort, Area, Password, ...) as Qt properties that the host sets by name.

#include <QJsonObject>
#include <QString>
#include <QWidget>
#include <QtPlugin>

namespace korvel::platform {

class IControlPlugin {
public:
    virtual ~IControlPlugin() = default;
    // A new instance of the control inside parent. Every instance made by one plug-in
    // shares the plug-in's client state.
    virtual QWidget* CreateComponent(QWidget* parent) = 0;
};

// The programmatic identifier in a plug-in's metadata (QPluginLoader::metaData(), read
// without loading the plug-in's code); empty when it names none.
inline QString ProgrammaticIdOf(const QJsonObject& pluginMetaData) {
    return pluginMetaData.value(QStringLiteral("MetaData")).toObject().value(QStringLiteral("ProgrammaticId")).toString();
}

} // namespace korvel::platform

// Version 4: the identifier lives only in the metadata.
#define KORVEL_CONTROL_PLUGIN_IID "org.korvel.ControlPlugin/4"
Q_DECLARE_INTERFACE(korvel::platform::IControlPlugin, KORVEL_CONTROL_PLUGIN_IID)
