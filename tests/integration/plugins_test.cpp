// Control plug-ins loaded side by side in one process each keep their own client state.
#include "tests/support/harness.h"

#include "platform/controlplugin.h"

#include <QDir>
#include <QJsonObject>
#include <QPluginLoader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace korvel;

TEST(ControlPlugins, DifferentPluginsInOneProcessKeepTheirOwnState) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QString dir = qEnvironmentVariable("KORVEL_PLUGIN_DIR");
    if (dir.isEmpty()) dir = QStringLiteral(KORVEL_BUILD_PLUGIN_DIR);

    std::vector<platform::IControlPlugin*> plugins;
    QStringList ids;
    for (const QString& file : QDir(dir).entryList({"*.so"}, QDir::Files)) {
        QPluginLoader loader(QDir(dir).filePath(file));
        const QString id = platform::ProgrammaticIdOf(loader.metaData());
        if (id.isEmpty()) continue;
        if (auto* p = qobject_cast<platform::IControlPlugin*>(loader.instance())) {
            plugins.push_back(p);
            ids << id;
        }
    }
    ASSERT_EQ(plugins.size(), 6u) << ids.join(' ').toStdString();

    std::vector<std::unique_ptr<QWidget>> controls;
    for (auto* p : plugins) controls.emplace_back(p->CreateComponent(nullptr));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        ASSERT_TRUE(controls[i]) << ids[static_cast<int>(i)].toStdString();
        controls[i]->setProperty("ServerPort", static_cast<int>(1000 + i));
    }
    for (std::size_t i = 0; i < controls.size(); ++i)
        EXPECT_EQ(controls[i]->property("ServerPort").toInt(), static_cast<int>(1000 + i))
            << ids[static_cast<int>(i)].toStdString();
}
