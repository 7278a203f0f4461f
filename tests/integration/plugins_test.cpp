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
    korvel::testing::EnsureApplication();
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QString dir = qEnvironmentVariable("KORVEL_PLUGIN_DIR");
    if (dir.isEmpty()) dir = QStringLiteral(KORVEL_BUILD_PLUGIN_DIR);

    std::vector<platform::IControlPlugin*> plugins;
    for (const QString& file : QDir(dir).entryList({"*.so"}, QDir::Files)) {
        QPluginLoader loader(QDir(dir).filePath(file));
        if (loader.metaData().value("MetaData").toObject().value("ProgrammaticId").toString().isEmpty()) continue;
        if (auto* p = qobject_cast<platform::IControlPlugin*>(loader.instance())) plugins.push_back(p);
    }
    if (plugins.size() < 2) GTEST_SKIP() << "only " << plugins.size() << " control plug-in built";

    std::vector<std::unique_ptr<QWidget>> controls;
    for (auto* p : plugins) controls.emplace_back(p->CreateComponent(nullptr));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        ASSERT_TRUE(controls[i]) << plugins[i]->ProgrammaticId().toStdString();
        controls[i]->setProperty("ServerPort", static_cast<int>(1000 + i));
    }
    for (std::size_t i = 0; i < controls.size(); ++i)
        EXPECT_EQ(controls[i]->property("ServerPort").toInt(), static_cast<int>(1000 + i))
            << plugins[i]->ProgrammaticId().toStdString();
}
