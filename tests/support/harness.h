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

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace korvel::testing {

inline bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000) {
    return testserver::Server::WaitFor(pred, timeoutMs);
}

// A fixed wait: only for what is about time itself (the barriers below are for the rest).
inline void Spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The two barriers of the tests that run a control against the server, so that a check
// that something did not happen does not pass merely because it came too soon. Both are
// one keep-alive round trip on the connection (-1: the newest): the control answers a
// keep-alive when it reaches it, in order, and its answer travels behind what it sent
// before (the server sends no keep-alives of its own meanwhile). Returns the frames of
// the connection that came before the answer.
inline std::vector<testserver::ReceivedFrame> KeepAliveRoundTrip(testserver::Server& server, int connection) {
    const int index = connection < 0 ? server.ConnectionCount() - 1 : connection;
    const std::size_t answers = server.ReceivedOfType(MessageType::MsgKeepAlive, index).size();
    server.SendFrame(MessageType::MsgKeepAlive, {}, index);
    std::vector<testserver::ReceivedFrame> before;
    const bool answered = WaitFor([&] {
        before.clear();
        std::size_t seen = 0;
        for (const auto& f : server.ReceivedOn(index)) {
            if (f.Type == MessageType::MsgKeepAlive && ++seen > answers) return true;
            before.push_back(f);
        }
        return false;
    });
    EXPECT_TRUE(answered) << "the keep-alive on connection " << index << " was not answered";
    return before;
}

// Returns once the control has handled everything the server sent it before.
inline void ClientCaughtUp(testserver::Server& server, int connection = -1) { KeepAliveRoundTrip(server, connection); }

// Returns once everything the control sent before is at the server, with the frames of
// the connection that came before the answer (the answer itself left out).
inline std::vector<testserver::ReceivedFrame> ServerCaughtUp(testserver::Server& server, int connection = -1) {
    return KeepAliveRoundTrip(server, connection);
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
