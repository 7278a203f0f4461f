// korvel-testserver: the substitute alarm server on 127.0.0.1, serving a sample data set
// to the controls for trying them out. A test peer, not a product.
//
//   korvel-testserver [--port N] [--data NAME] [--keepalive MS] [--log MS]
//
// --port 0 (the default) takes a free port; the chosen port is printed as "PORT <n>".

#include "platform/quitsignals.h"
#include "testserver/server.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("korvel-testserver");

    QCommandLineParser parser;
    parser.setApplicationDescription("Substitute alarm server serving sample data on 127.0.0.1");
    parser.addHelpOption();
    QCommandLineOption portOption("port", "Port to listen on; 0 takes a free port.", "N", "0");
    QCommandLineOption dataOption("data", "Sample data set: default or empty.", "NAME", "default");
    QCommandLineOption keepAliveOption("keepalive", "Milliseconds between keep-alives (0: none).", "MS", "5000");
    QCommandLineOption logOption("log", "Milliseconds between new system log lines (0: none).", "MS", "7000");
    QCommandLineOption eventOption("events", "Milliseconds between live alarm events (0: none).", "MS", "11000");
    parser.addOptions({portOption, dataOption, keepAliveOption, logOption, eventOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "korvel-testserver: --port must be 0..65535\n");
        return 2;
    }
    korvel::testserver::SampleData data;
    if (!korvel::testserver::MakeSampleData(parser.value(dataOption).toStdString(), data)) {
        std::fprintf(stderr, "korvel-testserver: unknown data set '%s' (known:",
                     qPrintable(parser.value(dataOption)));
        for (const auto& name : korvel::testserver::SampleDataNames()) std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, ")\n");
        return 2;
    }

    korvel::testserver::Server server;
    server.SetData(std::move(data));
    if (!server.Listen(static_cast<quint16>(port))) {
        std::fprintf(stderr, "korvel-testserver: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    server.SetKeepAliveInterval(parser.value(keepAliveOption).toInt());
    server.SetLogLineInterval(parser.value(logOption).toInt());
    server.SetEventInterval(parser.value(eventOption).toInt());
    // Ctrl+C or a kill stops the server as a normal end: exit code 0.
    korvel::platform::QuitSignals quit([](int) { QCoreApplication::exit(0); });
    std::printf("PORT %u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    return app.exec();
}
