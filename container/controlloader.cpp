#include "container/controlloader.h"

#include "platform/controlplugin.h"
#include "platform/qtext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QLibrary>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QWidget>

#include <exception>

#ifndef KORVEL_INSTALLED_PLUGIN_DIR
#define KORVEL_INSTALLED_PLUGIN_DIR "/usr/local/lib/korvel/plugins"
#endif

namespace korvel::container {

QStringList PluginFolders() {
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("KORVEL_PLUGIN_DIR");
    if (!fromEnvironment.isEmpty()) candidates << fromEnvironment;
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty()) {
        candidates << programFolder + QStringLiteral("/plugins");
        candidates << programFolder + QStringLiteral("/../plugins");
        candidates << programFolder + QStringLiteral("/../lib/korvel/plugins"); // installed elsewhere
    }
    candidates << QStringLiteral(KORVEL_INSTALLED_PLUGIN_DIR);

    QStringList folders;
    for (const QString& candidate : candidates) {
        const QString path = QDir::cleanPath(QDir(candidate).absolutePath());
        if (!folders.contains(path)) folders << path;
    }
    return folders;
}

QString FindControlPlugin(const QString& programmaticId, const QStringList& folders) {
    for (const QString& folder : folders) {
        const QDir dir(folder);
        if (!dir.exists()) continue;
        const auto files = dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo& file : files) {
            if (!QLibrary::isLibrary(file.fileName())) continue;
            QPluginLoader loader(file.absoluteFilePath());
            const QJsonObject meta = loader.metaData(); // read without loading the code
            if (meta.value(QStringLiteral("IID")).toString() != QLatin1String(KORVEL_CONTROL_PLUGIN_IID))
                continue;
            const QString id = platform::ProgrammaticIdOf(meta);
            if (id.compare(programmaticId, Qt::CaseInsensitive) == 0) return file.absoluteFilePath();
        }
    }
    return {};
}

QWidget* CreateControl(const QString& programmaticId, QWidget* parent, QString& error,
                       const QStringList& folders) {
    const QString file = FindControlPlugin(programmaticId, folders);
    if (file.isEmpty()) {
        error = QStringLiteral("no control with the identifier %1 in %2")
                    .arg(programmaticId, folders.join(QStringLiteral(", ")));
        return nullptr;
    }
    QPluginLoader loader(file);
    QObject* instance = loader.instance(); // the loader keeps the plug-in loaded
    if (!instance) {
        error = loader.errorString();
        return nullptr;
    }
    auto* plugin = qobject_cast<platform::IControlPlugin*>(instance);
    if (!plugin) {
        error = QStringLiteral("%1 is not a Korvel control").arg(file);
        return nullptr;
    }
    QWidget* control = nullptr;
    try {
        control = plugin->CreateComponent(parent);
    } catch (const std::exception& failure) {
        error = QString::fromLocal8Bit(failure.what());
        return nullptr;
    } catch (...) {
        error = QStringLiteral("%1 failed while creating its control").arg(programmaticId);
        return nullptr;
    }
    if (!control) {
        error = QStringLiteral("%1 created no control").arg(programmaticId);
        return nullptr;
    }
    return control;
}

bool SetControlProperty(QObject* control, const char* name, const QVariant& value) {
    if (!control) return false;
    const QMetaObject* meta = control->metaObject();
    const int index = meta->indexOfProperty(name);
    if (index < 0) return false;
    const QMetaProperty property = meta->property(index);
    if (!property.isWritable()) return false;
    return property.write(control, value);
}

void ApplyConnectionParameters(QObject* control, const StartupParameters& p) {
    SetControlProperty(control, "ServerAddress", platform::ToQString(p.ServerAddress));
    SetControlProperty(control, "ServerPort", PortNumber(p.ServerPort));
    SetControlProperty(control, "Area", platform::ToQString(p.Area));
    SetControlProperty(control, "Password", platform::ToQString(p.Password));
}

} // namespace korvel::container
