// The host program as a whole: started as its own process on the offscreen platform,
// it shows a control, saves a picture of its window and ends by itself.

#include "container/commandline.h"
#include "container/controlloader.h"
#include "platform/settingsstore.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

using namespace korvel;
using namespace korvel::container;

namespace {

mode_t ModeOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
    return info.st_mode & 0777;
}

// The environment of a program run: offscreen, its own settings, ending by itself.
QProcessEnvironment RunEnvironment(const QTemporaryDir& home, const QString& plugins, int quitAfterMs) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("HOME", home.path());
    environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
    environment.insert("KORVEL_PLUGIN_DIR", plugins);
    environment.insert("KORVEL_QUIT_AFTER_MS", QString::number(quitAfterMs));
    environment.remove("KORVEL_GRAB_PNG");
    return environment;
}

} // namespace

TEST(Program, QuotedValuesHoldingASlashReachTheServerWhole) {
    const QString builtPlugins = QStringLiteral(KORVEL_BUILD_DIR "/plugins");
    ASSERT_FALSE(FindControlPlugin(QStringLiteral("Korvel3TextMessage.Component"), {builtPlugins}).isEmpty());
    testserver::Server server;
    ASSERT_TRUE(server.Listen());
    testserver::SampleData data;
    ASSERT_TRUE(testserver::MakeSampleData("default", data));
    server.SetData(data);
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());

    QProcess program;
    program.setProcessEnvironment(RunEnvironment(home, builtPlugins, 3000));
    // Typed in a shell as /Password:"pa/ss" /Area:"No/rth": the program receives the
    // arguments without their quotes.
    program.start(QStringLiteral(KORVEL_CONTAINER_PROGRAM),
                  {"/Component:1", "/ServerAddress:127.0.0.1", QStringLiteral("/ServerPort:%1").arg(server.Port()),
                   "/Password:pa/ss", "/Area:No/rth"});
    ASSERT_TRUE(program.waitForStarted(10000));
    const bool sent =
        testserver::Server::WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgPassword).empty(); }, 15000);
    ASSERT_TRUE(program.waitForFinished(20000));
    ASSERT_TRUE(sent) << program.readAllStandardError().toStdString();
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgPassword)[0].Body, testserver::Bytes("\x00\x05pa/ss", 7));
    ASSERT_EQ(server.ReceivedOfType(MessageType::MsgArea).size(), 1u);
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgArea)[0].Body, testserver::Bytes("\x00\x06No/rth", 8));
}

TEST(Program, ShowsTheControlSavesAPictureAndRemembersItsPlace) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    // The system log viewer against the substitute alarm server.
    const QString builtPlugins = QStringLiteral(KORVEL_BUILD_DIR "/plugins");
    ASSERT_FALSE(FindControlPlugin(QStringLiteral("Korvel3SysLog.Component"), {builtPlugins}).isEmpty());
    const QString testServer = QStringLiteral(KORVEL_BUILD_DIR "/testserver/korvel-testserver");
    ASSERT_TRUE(QFileInfo(testServer).isExecutable());

    QProcess server;
    quint16 port = 0;
    server.start(testServer, {"--port", "0"});
    ASSERT_TRUE(server.waitForStarted(10000));
    while (port == 0 && server.waitForReadyRead(10000)) {
        const QByteArray line = server.readLine().trimmed();
        if (line.startsWith("PORT ")) port = static_cast<quint16>(line.mid(5).toUInt());
    }
    ASSERT_NE(port, 0) << "the test server reported no port";
    const QString pictures = QStringLiteral(KORVEL_BUILD_DIR "/container-window.png");
    QFile::remove(pictures);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("HOME", home.path());
    environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
    environment.insert("KORVEL_PLUGIN_DIR", builtPlugins);
    environment.insert("KORVEL_QUIT_AFTER_MS", "1500");
    environment.insert("KORVEL_GRAB_PNG", pictures);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KORVEL_CONTAINER_PROGRAM),
                  {"/Component:6", "/ServerAddress:127.0.0.1",
                   QStringLiteral("/ServerPort:%1").arg(port), "/Area:North Wing"});
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    server.kill();
    server.waitForFinished(5000);

    QImage picture(pictures);
    ASSERT_FALSE(picture.isNull()) << "no picture at " << pictures.toStdString();
    EXPECT_GT(picture.width(), 100);
    EXPECT_GT(picture.height(), 100);

    // The window's place was remembered, in a file only its owner can read.
    platform::QtSettingsStore store(home.path() + "/config/Korvel");
    EXPECT_NE(store.Get(kApplication, kSection, "Korvel_SysLog.Width", ""), "");
    EXPECT_EQ(ModeOf(store.FileOf(kApplication)), 0600u);
    EXPECT_EQ(ModeOf(store.Folder()), 0700u);
}

TEST(Program, StoredPasswordIsReadableByItsOwnerOnly) {
    QTemporaryDir home;
    const QString folder = home.path() + "/Korvel";
    {
        platform::QtSettingsStore store(folder);
        StartupParameters p;
        p.ServerAddress = "h";
        p.Password = "secret";
        StoreAfterSelection(p, store);
    }
    platform::QtSettingsStore store(folder);
    EXPECT_EQ(store.Get(kApplication, kSection, "Password", ""), "secret");
    EXPECT_EQ(ModeOf(store.FileOf(kApplication)), 0600u);
    EXPECT_EQ(ModeOf(folder), 0700u);
}

TEST(Program, WithoutAComponentTheSelectionWindowIsPicturedAndClosesAsCancelled) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString picture = home.path() + "/selection.png";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
    environment.insert("KORVEL_PLUGIN_DIR", QStringLiteral(KORVEL_TEST_PLUGIN_DIR));
    environment.insert("KORVEL_QUIT_AFTER_MS", "300");
    environment.insert("KORVEL_GRAB_PNG", picture);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KORVEL_CONTAINER_PROGRAM), {"/ServerAddress:10.0.0.9", "/ServerPort:5001"});
    ASSERT_TRUE(program.waitForStarted(10000));
    if (!program.waitForFinished(20000)) {
        program.kill();
        program.waitForFinished(5000);
        FAIL() << "the selection window did not close by itself";
    }
    EXPECT_EQ(program.exitCode(), 0);
    const QImage image(picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.height(), 100);
    // Closed as by Cancel: the texts are stored, the component is not.
    platform::QtSettingsStore store(home.path() + "/config/Korvel");
    EXPECT_EQ(store.Get(kApplication, kSection, "ServerAddress", ""), "10.0.0.9");
    EXPECT_EQ(store.Get(kApplication, kSection, "Component", "none"), "none");
}

// Ctrl+C in the terminal (SIGINT) or a kill (SIGTERM) while the control is shown and
// connected: the program closes its window as the operator would (the place is
// remembered), says nothing on its error output and ends with the shell's code for the
// signal instead of being killed by it.
TEST(Program, CtrlCAndKillEndItCleanlyWithTheSignalsExitCode) {
    const QString builtPlugins = QStringLiteral(KORVEL_BUILD_DIR "/plugins");
    ASSERT_FALSE(FindControlPlugin(QStringLiteral("Korvel3SysLog.Component"), {builtPlugins}).isEmpty());
    for (int signal : {SIGINT, SIGTERM}) {
        QTemporaryDir home;
        ASSERT_TRUE(home.isValid());
        QTcpServer server;
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("HOME", home.path());
        environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
        environment.insert("KORVEL_PLUGIN_DIR", builtPlugins);
        environment.remove("KORVEL_QUIT_AFTER_MS");
        // Qt complains on the error output about a missing runtime folder; give it one.
        ASSERT_TRUE(QDir(home.path()).mkdir("run"));
        QFile::setPermissions(home.path() + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment.insert("XDG_RUNTIME_DIR", home.path() + "/run");
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KORVEL_CONTAINER_PROGRAM),
                      {"/Component:6", "/ServerAddress:127.0.0.1", QStringLiteral("/ServerPort:%1").arg(server.serverPort())});
        ASSERT_TRUE(program.waitForStarted(10000));
        // The control connects from its timer: the window is up and its event loop runs.
        ASSERT_TRUE(server.waitForNewConnection(20000)) << "the control did not connect";
        ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), signal), 0);
        if (!program.waitForFinished(20000)) {
            program.kill();
            program.waitForFinished(5000);
            FAIL() << "signal " << signal << " did not end the program";
        }
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "ended by signal " << signal;
        EXPECT_EQ(program.exitCode(), 128 + signal);
        EXPECT_EQ(program.readAllStandardError().trimmed().toStdString(), "");
        platform::QtSettingsStore store(home.path() + "/config/Korvel");
        EXPECT_NE(store.Get(kApplication, kSection, "Korvel_SysLog.Width", ""), "") << "signal " << signal;
    }
}

// A system configuration that never ends (a device), whose open would wait (a FIFO
// without a writer) or that is far too large: the program starts at once without it,
// says so in one line, and a kill ends it as usual.
TEST(Program, AnEndlessOrHugeSystemConfigurationNeitherHangsNorKeepsTheSignalOut) {
    const QString builtPlugins = QStringLiteral(KORVEL_BUILD_DIR "/plugins");
    if (FindControlPlugin(QStringLiteral("Korvel3SysLog.Component"), {builtPlugins}).isEmpty())
        GTEST_SKIP() << "needs the system log viewer's plug-in to see the control connect";
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString fifo = home.path() + "/client.fifo";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = home.path() + "/client.conf";
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64{256} << 20)); // sparse: 256 MiB of zeros, one line
    }
    for (const QString& config : {QStringLiteral("/dev/zero"), fifo, huge}) {
        QTcpServer server;
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        QProcessEnvironment environment = RunEnvironment(home, builtPlugins, 0);
        environment.remove("KORVEL_QUIT_AFTER_MS");
        environment.insert("KORVEL_SYSTEM_CONFIG", config);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KORVEL_CONTAINER_PROGRAM),
                      {"/Component:6", "/ServerAddress:127.0.0.1", QStringLiteral("/ServerPort:%1").arg(server.serverPort())});
        ASSERT_TRUE(program.waitForStarted(10000));
        const bool connected = server.waitForNewConnection(10000);
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        if (!program.waitForFinished(10000)) {
            program.kill();
            program.waitForFinished(5000);
            FAIL() << config.toStdString() << ": SIGTERM did not end the program";
        }
        EXPECT_TRUE(connected) << config.toStdString() << ": the control did not start";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << config.toStdString();
        EXPECT_EQ(program.exitCode(), 128 + SIGTERM) << config.toStdString();
        const QString said = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_EQ(said.count("Korvel: system configuration " + config + " not read"), 1) << said.toStdString();
    }
}

// The issue an operator met: the host program's settings file, or its folder, is a link
// to someone else's file. One run of the program leaves that file as it was, byte for
// byte and mode for mode, and still starts and remembers its window in a file of its own.
TEST(Program, ASettingsFileOrFolderThatIsALinkLeavesItsTargetAlone) {
    for (const bool linkedFolder : {false, true}) {
        QTemporaryDir home;
        ASSERT_TRUE(home.isValid());
        const QString other = home.path() + "/other.ini";
        const QByteArray content = "[Parameters]\nServerAddress=elsewhere\n";
        {
            QFile file(other);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        ASSERT_EQ(::chmod(QFile::encodeName(other).constData(), 0644), 0);
        ASSERT_TRUE(QDir(home.path()).mkpath("config"));
        const QString folder = home.path() + "/config/Korvel";
        if (linkedFolder) {
            ASSERT_TRUE(QDir(home.path()).mkdir("real"));
            ASSERT_EQ(::chmod(QFile::encodeName(home.path() + "/real").constData(), 0755), 0);
            ASSERT_TRUE(QFile::link(other, home.path() + "/real/Korvel Container.ini"));
            ASSERT_TRUE(QFile::link(home.path() + "/real", folder));
        } else {
            ASSERT_TRUE(QDir().mkpath(folder));
            ASSERT_TRUE(QFile::link(other, folder + "/Korvel Container.ini"));
        }
        QProcess program;
        program.setProcessEnvironment(RunEnvironment(home, QStringLiteral(KORVEL_TEST_PLUGIN_DIR), 300));
        program.start(QStringLiteral(KORVEL_CONTAINER_PROGRAM), {"/Component:1", "/ServerAddress:127.0.0.1", "/ServerPort:9"});
        ASSERT_TRUE(program.waitForStarted(10000));
        if (!program.waitForFinished(20000)) {
            program.kill();
            program.waitForFinished(5000);
            FAIL() << "the program did not end by itself";
        }
        EXPECT_EQ(program.exitCode(), 0);
        QFile file(other);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), content) << (linkedFolder ? "linked folder" : "linked file");
        EXPECT_EQ(ModeOf(other), 0644u) << (linkedFolder ? "linked folder" : "linked file");
        if (linkedFolder) {
            EXPECT_EQ(ModeOf(home.path() + "/real"), 0755u);
        } else {
            platform::QtSettingsStore store(folder);
            EXPECT_NE(store.Get(kApplication, kSection, "Korvel_TextMessage.Width", ""), "");
            EXPECT_EQ(ModeOf(store.FileOf(kApplication)), 0600u);
        }
    }
}
