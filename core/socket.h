#pragma once
// The socket a control talks to the server through: the operations and states the
// client relies on, and nothing more. The Qt implementation lives in platform/; tests use
// a double. Its events (connected, data arrived, closed by the peer, error) are delivered
// by the implementation to the control shell, one at a time on the user-interface thread.

#include "core/codec.h"

#include <cstdint>
#include <string>

namespace korvel {

// State values; only Connected (7) counts as connected.
enum SocketState : int16_t {
    SocketClosed = 0,
    SocketOpen = 1,
    SocketListening = 2,
    SocketConnectionPending = 3,
    SocketResolvingHost = 4,
    SocketHostResolved = 5,
    SocketConnecting = 6,
    SocketConnected = 7,
    SocketClosing = 8,
    SocketError = 9,
};

// True while a connection attempt is under way (resolving or connecting).
inline bool IsAttemptUnderWay(int16_t state) {
    return state == SocketResolvingHost || state == SocketHostResolved || state == SocketConnecting ||
           state == SocketConnectionPending;
}

// An operation that fails at once may raise SocketFailure (core/errors.h); nothing else
// escapes it. The Qt implementation reports every failure through its events instead.
class ISocket {
public:
    virtual ~ISocket() = default;
    // Starts an attempt and returns at once; the outcome arrives as an event.
    virtual void Connect(const std::string& host, int32_t port) = 0;
    // All bytes go out in order.
    virtual void Send(const Bytes& bytes) = 0;
    // Every byte received since the last read, in order.
    virtual Bytes ReadReceived() = 0;
    // Ends the connection or the attempt; allowed in any state.
    virtual void Close() = 0;
    virtual int16_t State() const = 0;
    // Host and port of the current or last connection (as asked for), for the status text.
    virtual std::string RemoteHost() const = 0;
    virtual int32_t RemotePort() const = 0;
};

} // namespace korvel
