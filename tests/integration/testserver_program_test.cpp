// The substitute server program serves its sample data to a real control.
#include "controls/syslog/syslogcomponent.h"
#include "tests/support/harness.h"

#include "core/clientstate.h"
#include "platform/listbox.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::testing;

TEST(TestServerProgram, PrintsItsPortAndServesTheSampleLogWithNewLines) {
    QProcess program;
    program.start(QStringLiteral(KORVEL_TESTSERVER_PROGRAM), {"--port", "0", "--data", "default", "--log", "50"});
    ASSERT_TRUE(program.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return program.canReadLine(); }, 5000));
    const QString line = QString::fromUtf8(program.readLine()).trimmed();
    ASSERT_TRUE(line.startsWith("PORT ")) << line.toStdString();
    const int port = line.mid(5).toInt();
    ASSERT_GT(port, 0);

    ClientState state;
    syslog::Component control(state);
    const platform::ListBox& list = *control.findChild<platform::ListBox*>("List_SysLog");
    control.setProperty("ServerPort", port);
    control.setProperty("ServerAddress", "127.0.0.1");
    ASSERT_TRUE(WaitFor([&] { return !list.isHidden() && list.ListCount() >= 8; }));
    // The log so far is dated the day before the server started.
    const QString first = list.ItemText(0);
    EXPECT_TRUE(first.endsWith(" 06:00:01 Alarm server started")) << first.toStdString();
    EXPECT_TRUE(QDate::fromString(first.left(10), Qt::ISODate).isValid()) << first.toStdString();
    const int before = list.ListCount();
    EXPECT_TRUE(WaitFor([&] { return list.ListCount() > before; }, 3000)) << "no new lines";
    // New lines carry their time as the log so far does.
    const QString newest = list.ItemText(list.ListCount() - 1);
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\S").match(newest).hasMatch())
        << newest.toStdString();
    program.kill();
    program.waitForFinished(3000);
}

TEST(TestServerProgram, RefusesAnUnknownDataSet) {
    QProcess program;
    program.start(QStringLiteral(KORVEL_TESTSERVER_PROGRAM), {"--data", "nonsense"});
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_TRUE(program.readAllStandardError().contains("unknown data set"));
}

// Ctrl+C or a kill is the server's normal end: exit code 0, nothing on the error output.
TEST(TestServerProgram, EndsCleanlyOnCtrlCAndKill) {
    for (int signal : {SIGINT, SIGTERM}) {
        QProcess program;
        program.start(QStringLiteral(KORVEL_TESTSERVER_PROGRAM), {"--port", "0"});
        ASSERT_TRUE(program.waitForStarted(5000));
        ASSERT_TRUE(WaitFor([&] { return program.canReadLine(); }, 5000)); // PORT: signals are handled
        ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), signal), 0);
        ASSERT_TRUE(program.waitForFinished(10000)) << "signal " << signal;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "ended by signal " << signal;
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(program.readAllStandardError().toStdString(), "");
    }
}
