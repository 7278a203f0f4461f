// The host program's windows show start-up parameters as they stand, and a control
// plug-in puts the plain-text rule in force itself, also in a host that did not.
#include "container/commandline.h"
#include "container/controlloader.h"
#include "container/hostwindow.h"
#include "container/selectionwindow.h"
#include "core/settingsstore.h"
#include "platform/plaintext.h"
#include "tests/support/widgetwalk.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace korvel;
using namespace korvel::container;
using korvel::testing::MarkupTraps;
using korvel::testing::WalkReport;
using korvel::testing::WalkWidgets;

namespace {

bool WaitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

StartupParameters MarkupParameters(const MarkupTraps& traps, int16_t component) {
    StartupParameters p;
    p.SelectedComponent = component;
    p.ServerAddress = traps.Markup(1).toStdString();
    p.ServerPort = "2570";
    p.Area = traps.Markup(3).toStdString();
    p.Password = traps.Markup(2).toStdString();
    return p;
}

} // namespace

TEST(HostMarkup, SelectionWindowShowsStoredParametersAsTheyStand) {
    MarkupTraps traps;
    ASSERT_TRUE(traps.Ready());
    MemorySettingsStore store;
    StartupParameters parameters = MarkupParameters(traps, 3);
    parameters.ServerPort = traps.Markup(0).toStdString(); // invalid: the properties stay open
    SelectionWindow window(parameters, store);
    window.Prepare();
    window.show();
    QCoreApplication::processEvents();
    WalkReport report;
    WalkWidgets(&window, report);
    EXPECT_TRUE(report.problems.isEmpty()) << report.problems.join(QLatin1Char('\n')).toStdString();
    window.close();
    EXPECT_FALSE(traps.FileOpened());
}

TEST(HostMarkup, AControlPlugInBringsTheRuleAndItsStatusShowsTheAddressAsItStands) {
    const QStringList plugins{QStringLiteral(KORVEL_BUILD_DIR "/plugins")};
    ASSERT_FALSE(FindControlPlugin(QStringLiteral("Korvel3Profiles.Component"), plugins).isEmpty());
    MarkupTraps traps;
    ASSERT_TRUE(traps.Ready());
    // A host of its own that knows nothing of the rule.
    delete qApp->findChild<QObject*>(QStringLiteral("korvel_plain_text_rule"), Qt::FindDirectChildrenOnly);
    ASSERT_FALSE(platform::PlainTextRuleActive());

    MemorySettingsStore store;
    HostWindow window(MarkupParameters(traps, 3), store);
    QString error;
    ASSERT_TRUE(window.Load(error, plugins)) << error.toStdString();
    EXPECT_TRUE(platform::PlainTextRuleActive());
    window.show();
    // The address names no host: the connection fails and the status names it.
    // The plug-in carries its own copy of the widget layer: found as the QLabel it is.
    auto* status = window.findChild<QLabel*>(QStringLiteral("Label_Disconnected"));
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return status->isVisible() && status->text().contains(QStringLiteral("trap.fifo")); }))
        << status->text().toStdString();
    WalkReport report;
    WalkWidgets(&window, report);
    EXPECT_TRUE(report.problems.isEmpty()) << report.problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_GE(report.literalMarkup, 1);
    EXPECT_FALSE(traps.FileOpened());
}
