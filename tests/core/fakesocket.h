#pragma once
// A scripted socket for tests: records what the client asks of it and hands out bytes
// queued by the test. Settable state, remote host and port; can be told to throw on
// connect or send.

#include "core/errors.h"
#include "core/socket.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace korvel::testing {

class FakeSocket final : public ISocket {
public:
    struct ConnectCall {
        std::string Host;
        int32_t Port = 0;
        bool operator==(const ConnectCall&) const = default;
    };

    // What the client did.
    std::vector<ConnectCall> Connects;
    std::vector<Bytes> Sent;  // one entry per Send call
    int CloseCalls = 0;

    // What the test sets.
    int16_t StateValue = SocketClosed;
    std::string Host;
    int32_t Port = 0;
    std::deque<Bytes> Incoming; // each ReadReceived hands over all of it, joined
    bool ThrowOnConnect = false;
    bool ThrowOnSend = false;
    // When set, Connect moves the state to Connecting and Close moves it to Closed.
    bool TrackState = true;

    void Connect(const std::string& host, int32_t port) override {
        Connects.push_back({host, port});
        Host = host;
        Port = port;
        if (TrackState) StateValue = SocketConnecting;
        if (ThrowOnConnect) throw SocketFailure("connect failed");
    }
    void Send(const Bytes& bytes) override {
        if (ThrowOnSend) throw SocketFailure("send failed");
        Sent.push_back(bytes);
    }
    Bytes ReadReceived() override {
        Bytes all;
        for (auto& b : Incoming) all += b;
        Incoming.clear();
        return all;
    }
    void Close() override {
        ++CloseCalls;
        if (TrackState) StateValue = SocketClosed;
    }
    int16_t State() const override { return StateValue; }
    std::string RemoteHost() const override { return Host; }
    int32_t RemotePort() const override { return Port; }

    // All bytes sent, joined.
    Bytes AllSent() const {
        Bytes all;
        for (const auto& b : Sent) all += b;
        return all;
    }
};

} // namespace korvel::testing
