#include "container/application.h"
#include "container/controlloader.h"
#include "container/hostwindow.h"
#include "container/windowposition.h"
#include "platform/dialogservice.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::container;

namespace {

const QStringList kTestPlugins{QStringLiteral(KORVEL_TEST_PLUGIN_DIR)};
const QString kTestId = QStringLiteral("Korvel3TextMessage.Component"); // the test plug-in's

QStringList WritesOf(QObject* control) { return control->property("Writes").toStringList(); }

// Sets an environment variable for one test.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : m_Name(name), m_Had(qEnvironmentVariableIsSet(name)), m_Old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnvironment() {
        if (m_Had)
            qputenv(m_Name, m_Old);
        else
            qunsetenv(m_Name);
    }

private:
    const char* m_Name;
    bool m_Had;
    QByteArray m_Old;
};

// Points KORVEL_PLUGIN_DIR somewhere for one test.
class PluginDirectory : public ScopedEnvironment {
public:
    explicit PluginDirectory(const QString& dir) : ScopedEnvironment("KORVEL_PLUGIN_DIR", dir.toUtf8()) {}
};

} // namespace

TEST(ControlLoader, FindsThePlugInByItsIdentifierInAnyCase) {
    QTemporaryDir empty;
    EXPECT_TRUE(FindControlPlugin(kTestId, kTestPlugins).endsWith(".so"));
    EXPECT_EQ(FindControlPlugin(kTestId.toUpper(), {empty.path(), KORVEL_TEST_PLUGIN_DIR}),
              FindControlPlugin(kTestId, kTestPlugins));
    EXPECT_TRUE(FindControlPlugin(QStringLiteral("Korvel3SysLog.Component"), kTestPlugins).isEmpty());
    EXPECT_TRUE(FindControlPlugin(kTestId, {empty.path(), "/nonexistent"}).isEmpty());

    {
        PluginDirectory dir(QStringLiteral("/some/where"));
        EXPECT_EQ(PluginFolders().value(0), QStringLiteral("/some/where"));
    }
}

TEST(ControlLoader, PropertiesAreSetByNameInOrderAndUnknownNamesSkipped) {
    QWidget host;
    QString error;
    QWidget* control = CreateControl(kTestId, &host, error, kTestPlugins);
    ASSERT_NE(control, nullptr) << error.toStdString();
    EXPECT_EQ(control->parentWidget(), &host);

    StartupParameters p;
    p.ServerAddress = "server.example";
    p.ServerPort = "58658x"; // the numeric value is applied
    p.Area = "\xC5rhus";
    p.Password = "secret";   // the test control has no Password
    ApplyConnectionParameters(control, p);
    EXPECT_EQ(WritesOf(control), (QStringList{"ServerAddress=server.example", "ServerPort=58658",
                                              QString::fromUtf8("Area=\u00C5rhus")}));
    EXPECT_EQ(control->property("ServerPort").toInt(), 58658);
    EXPECT_FALSE(control->property("Password").isValid());
    EXPECT_TRUE(control->dynamicPropertyNames().isEmpty());

    // Misspelt, read-only and refused values leave no trace.
    EXPECT_FALSE(SetControlProperty(control, "ServerAdress", QStringLiteral("x")));
    EXPECT_FALSE(SetControlProperty(control, "Writes", QStringList{}));
    EXPECT_FALSE(SetControlProperty(nullptr, "Area", QStringLiteral("x")));
    EXPECT_TRUE(control->dynamicPropertyNames().isEmpty());
    EXPECT_EQ(WritesOf(control).size(), 3);

    QTemporaryDir empty;
    EXPECT_EQ(CreateControl(kTestId, &host, error, {empty.path()}), nullptr);
    EXPECT_TRUE(error.contains(kTestId));
}

TEST(HostWindow, LoadsTheControlWithCaptionParametersAndKeepOnTop) {
    MemorySettingsStore store;
    StartupParameters p;
    p.SelectedComponent = 1;
    p.ServerAddress = "h";
    p.ServerPort = "4000";
    p.TopMost = true;
    HostWindow window(p, store);
    QString error;
    ASSERT_TRUE(window.Load(error, kTestPlugins)) << error.toStdString();
    EXPECT_EQ(window.windowTitle(), "Korvel Remote Admin - 3.0.09");
    ASSERT_NE(window.Control(), nullptr);
    EXPECT_EQ(window.Control()->objectName(), "KorvelActiveX");
    EXPECT_EQ(WritesOf(window.Control()).value(1), "ServerPort=4000");
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    window.resize(500, 400);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.Control()->geometry(), window.rect());
    window.resize(640, 480); // enlarging the window enlarges the control
    QApplication::processEvents();
    EXPECT_EQ(window.Control()->geometry(), window.rect());

    StartupParameters other = p;
    other.SelectedComponent = 6; // not in the test folder
    HostWindow failing(other, store);
    EXPECT_FALSE(failing.Load(error, kTestPlugins));
    EXPECT_TRUE(error.contains("Korvel3SysLog.Component"));
}

TEST(WindowPosition, ClampsToTheScreenAsRemembered) {
    const QSize screen(19200, 14400);
    struct Case { TwipsRect in; TwipsRect out; };
    const Case cases[] = {
        {{300, 600, 6000, 9000}, {300, 600, 6000, 9000}},
        {{300, 40000, 6000, 9000}, {300, 19100, 6000, 9000}},
        {{300, 600, 6000, 40000}, {300, 600, 6000, 19200}},
        {{-300, 600, 6000, 9000}, {0, 600, 6000, 9000}},
        {{20000, -1, 20000, -5}, {14300, 0, 14400, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(ClampToScreen(c.in, screen), c.out);
}

TEST(WindowPosition, RoundTripPerWindowNameAndOnlyOntoAScreen) {
    MemorySettingsStore store;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();

    QWidget first;
    first.setGeometry(area.left() + 40, area.top() + 30, 320, 240);
    SaveWindowPosition(&first, "Korvel_Receivers", store);
    EXPECT_EQ(store.Get(kApplication, kSection, "Korvel_Receivers.Width", ""), "4800");
    EXPECT_EQ(store.Get(kApplication, kSection, "Korvel_Receivers.Height", ""), "3600");

    QWidget second;
    second.setGeometry(area.left() + 100, area.top() + 100, 200, 150);
    SaveWindowPosition(&second, "Korvel_Profiles", store);

    QWidget restored;
    restored.resize(50, 50);
    RestoreWindowPosition(&restored, "Korvel_Receivers", store);
    EXPECT_EQ(restored.pos(), first.pos());
    EXPECT_EQ(restored.size(), first.size());
    RestoreWindowPosition(&restored, "Korvel_Profiles", store);
    EXPECT_EQ(restored.geometry(), second.geometry());

    // Nothing stored: the window stays as it is. A value that is no number reads as 0.
    QWidget unplaced;
    unplaced.resize(300, 200);
    RestoreWindowPosition(&unplaced, "Korvel_Events", store);
    EXPECT_FALSE(unplaced.testAttribute(Qt::WA_Moved)); // left to the window manager
    QWidget fresh;
    fresh.setGeometry(area.left() + 10, area.top() + 20, 300, 200);
    const QRect before = fresh.geometry();
    RestoreWindowPosition(&fresh, "Korvel_Events", store);
    EXPECT_EQ(fresh.geometry(), before);
    for (const char* text : {"abc", "1500abc"}) {
        fresh.move(area.left() + 10, area.top() + 20);
        store.Save(kApplication, kSection, "Korvel_Events.Left", text);
        RestoreWindowPosition(&fresh, "Korvel_Events", store);
        EXPECT_EQ(fresh.x(), 0) << text;
    }

    // A position that would leave the window (almost) off every screen is not applied.
    store.Save(kApplication, kSection, "Korvel_SysLog.Left", "400000");
    store.Save(kApplication, kSection, "Korvel_SysLog.Top", "600");
    store.Save(kApplication, kSection, "Korvel_SysLog.Width", "4500");
    store.Save(kApplication, kSection, "Korvel_SysLog.Height", "3000");
    QWidget away;
    away.setGeometry(area.left() + 5, area.top() + 5, 100, 100);
    RestoreWindowPosition(&away, "Korvel_SysLog", store);
    EXPECT_EQ(away.geometry(), QRect(area.left() + 5, area.top() + 5, 100, 100));
}

TEST(WindowPosition, MaximizedOrMinimizedWindowStoresNothing) {
    MemorySettingsStore store;
    for (auto state : {Qt::WindowMaximized, Qt::WindowMinimized}) {
        QWidget window;
        window.setWindowState(state);
        SaveWindowPosition(&window, "Korvel_Events", store);
    }
    EXPECT_EQ(store.Count(), 0u);
}

TEST(Startup, UsageCleanUpAndLoadFailureAreReportedInTheirBoxes) {
    platform::ScopedScriptedDialogs dialogs;
    MemorySettingsStore store;
    store.Save(kApplication, kSection, "ServerAddress", "stored");

    auto usage = Start({"/Component:2", "/?"}, store);
    EXPECT_FALSE(usage.window);
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0].title, "Korvel ActiveX Container");
    EXPECT_EQ(dialogs->Messages()[0].buttons, platform::MessageButtons::Ok);
    EXPECT_TRUE(dialogs->Messages()[0].text.startsWith("Startup paramaters:\r\n\r\n"));
    EXPECT_EQ(store.Count(), 1u);

    auto cleanUp = Start({"/cleanup"}, store);
    EXPECT_FALSE(cleanUp.window);
    EXPECT_EQ(store.Count(), 0u);
    ASSERT_EQ(dialogs->Messages().size(), 2u);
    EXPECT_EQ(dialogs->Messages()[1].text,
              "All stored Korvel Container settings for the active user was removed");
    EXPECT_EQ(dialogs->Messages()[1].icon, platform::MessageIcon::Information);

    QTemporaryDir empty;
    PluginDirectory dir(empty.path());
    auto failed = Start({"/Component:5", "/ServerAddress:h", "/ServerPort:1"}, store);
    EXPECT_FALSE(failed.window);
    EXPECT_NE(failed.exitCode, 0);
    ASSERT_EQ(dialogs->Messages().size(), 3u);
    EXPECT_TRUE(dialogs->Messages()[2].text.startsWith("Korvel Component failed to load, error: "));
    EXPECT_GT(dialogs->Messages()[2].text.size(), 41);
    EXPECT_EQ(dialogs->Messages()[2].title, "Korvel Container");
    EXPECT_EQ(dialogs->Messages()[2].icon, platform::MessageIcon::Critical);
}

TEST(Startup, ACompleteCommandLineOpensTheHostWindowAndStoresNothing) {
    platform::ScopedScriptedDialogs dialogs;
    MemorySettingsStore store;
    PluginDirectory dir(QStringLiteral(KORVEL_TEST_PLUGIN_DIR));
    auto started = Start({"/component:1", "/ServerAddress:h", "/ServerPort:58658x", "/Area:North Wing"}, store);
    ASSERT_TRUE(started.window);
    EXPECT_EQ(WritesOf(started.window->Control()),
              (QStringList{"ServerAddress=h", "ServerPort=58658", "Area=North Wing"}));
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_TRUE(dialogs->Messages().empty());
}

TEST(Startup, ValuesHoldingASlashReachTheControlWhole) {
    platform::ScopedScriptedDialogs dialogs;
    MemorySettingsStore store;
    PluginDirectory dir(QStringLiteral(KORVEL_TEST_PLUGIN_DIR));
    // argv as a shell passes /ServerAddress:"host/x" /Area:"No/rth": its quotes are gone.
    auto started = Start({"/Component:1", "/ServerAddress:host/x", "/ServerPort:2570.5", "/Area:No/rth"}, store);
    ASSERT_TRUE(started.window);
    EXPECT_EQ(WritesOf(started.window->Control()),
              (QStringList{"ServerAddress=host/x", "ServerPort=2570", "Area=No/rth"}));
}

TEST(Startup, AComponentThatIsNotWhollyANumberShowsTheSelectionWindow) {
    platform::ScopedScriptedDialogs dialogs;
    PluginDirectory dir(QStringLiteral(KORVEL_TEST_PLUGIN_DIR));
    // With no script the selection window closes at once, as by its close box (Cancel).
    for (const char* component : {"/Component:1abc", "/Component:1 x", "/Component:", "/Component:7"}) {
        SCOPED_TRACE(component);
        MemorySettingsStore store;
        auto started = Start({component, "/ServerAddress:h", "/ServerPort:1"}, store);
        EXPECT_FALSE(started.window);
        // Only the selection window stores the texts, and Cancel stores no component.
        EXPECT_EQ(store.Get(kApplication, kSection, "ServerAddress", "none"), "h");
        EXPECT_EQ(store.Get(kApplication, kSection, "Component", "none"), "none");
    }
    MemorySettingsStore store;
    auto whole = Start({"/Component: 1 ", "/ServerAddress:h", "/ServerPort:1"}, store);
    EXPECT_TRUE(whole.window);
    EXPECT_EQ(store.Count(), 0u);
}
