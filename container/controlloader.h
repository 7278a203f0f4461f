#pragma once
// Creating a control at run time by its programmatic identifier, and handing it the
// connection parameters through its properties by name. The host program links none of
// the controls: each is a plug-in whose metadata carries its identifier.

#include "container/commandline.h"

#include <QString>
#include <QStringList>
#include <QVariant>

class QObject;
class QWidget;

namespace korvel::container {

// Where the host looks for control plug-ins, in this order: the folder named by the
// environment variable KORVEL_PLUGIN_DIR, <program folder>/plugins,
// <program folder>/../plugins (the build tree), <program folder>/../lib/korvel/plugins
// (an installation moved elsewhere), and the installed plug-in folder.
QStringList PluginFolders();

// The plug-in file in the folders whose metadata names the programmatic identifier
// (any case), or "" when none does. The first folder that holds one wins.
QString FindControlPlugin(const QString& programmaticId, const QStringList& folders);

// Loads the plug-in of the identifier and creates its control inside parent. On failure
// returns nullptr and sets error to a text for the operator.
QWidget* CreateControl(const QString& programmaticId, QWidget* parent, QString& error,
                       const QStringList& folders = PluginFolders());

// Writes a declared, writable property of the control. A name the control does not
// declare is skipped (never added as a dynamic property); a value the property
// refuses is dropped. True when the value was written.
bool SetControlProperty(QObject* control, const char* name, const QVariant& value);

// ServerAddress, ServerPort (as a number), Area and Password, in this order.
void ApplyConnectionParameters(QObject* control, const StartupParameters& parameters);

} // namespace korvel::container
