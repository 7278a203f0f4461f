// The main of every test executable. Widget tests run on Qt's offscreen platform and
// find the control plug-ins of this build, also when a test binary is started by hand.
// Executables with Qt make their one QApplication here, before any test, with no
// machine-wide connection settings to leak into the tests; in them, a report of the
// error policy's last-resort handlers (the logging category "korvel",
// platform/lastresort.h) fails the running test.

#include <gtest/gtest.h>

#include <cstdlib>

#ifdef KORVEL_TEST_WITH_QT
#include "tests/support/escapes.h"

#include <QApplication>
#include <QtGlobal>

#include <cstring>

namespace {

QtMessageHandler g_PreviousHandler = nullptr;

void WatchReports(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (context.category && std::strcmp(context.category, "korvel") == 0) {
        korvel::testing::EscapeWatch& watch = korvel::testing::Escapes();
        if (watch.Expecting > 0) {
            watch.Collected << message;
            return;
        }
        ADD_FAILURE() << "reported by the program: " << message.toStdString();
    }
    if (g_PreviousHandler) g_PreviousHandler(type, context, message);
}

} // namespace
#endif

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
#ifdef KORVEL_BUILD_PLUGIN_DIR
    setenv("KORVEL_PLUGIN_DIR", KORVEL_BUILD_PLUGIN_DIR, 0);
#endif
#ifdef KORVEL_TEST_WITH_QT
    g_PreviousHandler = qInstallMessageHandler(WatchReports);
#endif
    testing::InitGoogleTest(&argc, argv);
#ifdef KORVEL_TEST_WITH_QT
    setenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-test-client.conf", 1);
    // Left to the end of the process: widgets a test keeps in statics go after it.
    new QApplication(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
