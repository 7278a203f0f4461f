#pragma once
// Shared helpers of the tests that run controls against the substitute server over
// real loopback sockets.

#include "core/codec.h"
#include "core/messages.h"
#include "testserver/server.h"
#include "tests/support/messageprint.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <vector>

namespace korvel::testing {

inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "korvel_integration";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    // No machine-wide connection settings leak into the tests.
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-test-client.conf");
    new QApplication(argc, argv);
}

inline bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000) {
    return testserver::Server::WaitFor(pred, timeoutMs);
}

inline void Spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline std::vector<MessageType> Types(const std::vector<testserver::ReceivedFrame>& frames) {
    std::vector<MessageType> out;
    for (const auto& f : frames) out.push_back(f.Type);
    return out;
}

inline Bytes StringBody(std::string_view text) {
    Bytes b;
    AppendString(b, text);
    return b;
}

inline Bytes Int16Body(int16_t value) {
    Bytes b;
    AppendInteger(b, value);
    return b;
}

} // namespace korvel::testing
