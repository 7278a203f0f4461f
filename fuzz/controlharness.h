#pragma once
// Feeds a fuzz input to a control's receive path the way a server does: the control is
// made, shown on the offscreen platform and connected over loopback to a listening
// socket of this process, which writes the input to it as frames. Every modal box goes
// to the dialog service's scripted responder, so nothing blocks.
//
// The input is a run of frames as on the wire (type byte, Int32 length, body); a length
// that is negative or runs past the end is cut to what is left, so the control sees
// every byte of the input as whole frames (a frame split by the network is the frame
// cutter's own target). A keep-alive closes the stream: once the control has answered
// it, every frame before it has been handled.
//
// Checked for every input, besides no crash and no sanitizer report: the control either
// closes the connection (a message it refuses) or answers every keep-alive of the input
// exactly once, and nothing escapes its receive path.

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/messages.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace korvel::fuzzing {

inline void Fail(const char* what) {
    std::fprintf(stderr, "control fuzz invariant broken: %s\n", what);
    std::abort();
}

// One application for the whole run, on the offscreen platform, with its settings in a
// folder of its own and no machine-wide configuration.
inline void EnsureApplication() {
    static QApplication* app = [] {
        static QTemporaryDir home;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-fuzz-client.conf");
        static int argc = 1;
        static char name[] = "korvel_fuzz";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    (void)app;
}

template <class Condition>
bool WaitUntil(Condition condition, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The input as whole frames; counts the keep-alives (type 0) among them.
inline std::string WholeFrames(std::string_view input, int& keepAlives) {
    std::string out;
    out.reserve(input.size() + 16);
    std::size_t at = 0;
    while (at < input.size()) {
        const auto type = static_cast<unsigned char>(input[at]);
        int64_t length = 0;
        if (at + 5 <= input.size()) {
            for (int i = 1; i <= 4; ++i) length = (length << 8) | static_cast<unsigned char>(input[at + i]);
            if (length >= 0x80000000LL) length -= 0x100000000LL;
        }
        const std::size_t start = std::min(at + 5, input.size());
        const std::size_t left = input.size() - start;
        const std::size_t take = length < 0 || static_cast<std::size_t>(length) > left ? left : static_cast<std::size_t>(length);
        out += static_cast<char>(type);
        out += LongToNetworkBytes(static_cast<int32_t>(take));
        out.append(input.substr(start, take));
        if (static_cast<MessageType>(type) == MessageType::MsgKeepAlive) ++keepAlives;
        at = start + take;
    }
    return out;
}

// Counts whole keep-alive frames in what the control sent; keeps a partial frame.
class SentFrames {
public:
    void Add(const QByteArray& bytes) {
        m_Buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        std::size_t at = 0;
        while (m_Buffer.size() - at >= 5) {
            uint32_t length = 0;
            for (int i = 1; i <= 4; ++i) length = (length << 8) | static_cast<unsigned char>(m_Buffer[at + i]);
            if (length > m_Buffer.size() - at - 5) break;
            if (static_cast<MessageType>(m_Buffer[at]) == MessageType::MsgKeepAlive) ++m_KeepAlives;
            at += 5 + length;
        }
        m_Buffer.erase(0, at);
    }
    int KeepAlives() const { return m_KeepAlives; }

private:
    std::string m_Buffer;
    int m_KeepAlives = 0;
};

// Makes a fresh control of the given type on a fresh client state for every input, so a
// finding reproduces from its one input. Prepare(control, state) may set properties
// (an area, a password) before the connection.
template <class Control, class Prepare>
void FeedControl(const uint8_t* data, std::size_t size, Prepare prepare) {
    EnsureApplication();
    static platform::ScopedScriptedDialogs dialogs;
    static QTcpServer server;
    if (!server.isListening() && !server.listen(QHostAddress::LocalHost, 0)) Fail("cannot listen on loopback");
    dialogs->Clear();

    int keepAlives = 0;
    const std::string stream =
        WholeFrames(std::string_view(reinterpret_cast<const char*>(data), size), keepAlives) + std::string(5, '\0');
    ++keepAlives; // the closing one

    ClientState state;
    MemorySettingsStore store;
    state.SettingsStore = &store;
    {
        Control control(state);
        control.resize(800, 600);
        control.show();
        prepare(control, state);
        control.setProperty("ServerPort", static_cast<int>(server.serverPort()));
        control.setProperty("ServerAddress", QStringLiteral("127.0.0.1"));
        control.Timer_Connect_Timer(); // connect now rather than on the next tick
        if (!WaitUntil([&] { return server.hasPendingConnections(); })) Fail("the control did not connect");
        std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
        if (!WaitUntil([&] { return control.IsConnected(); })) Fail("the control did not see its connection");

        SentFrames sent;
        peer->write(stream.data(), static_cast<qint64>(stream.size()));
        bool closed = false;
        const bool finished = WaitUntil([&] {
            sent.Add(peer->readAll());
            closed = peer->state() != QAbstractSocket::ConnectedState || !control.IsConnected();
            return closed || sent.KeepAlives() >= keepAlives;
        });
        if (!finished) Fail("the control neither handled the stream nor closed the connection");
        if (!closed) {
            QCoreApplication::processEvents();
            sent.Add(peer->readAll());
            if (sent.KeepAlives() != keepAlives) Fail("a keep-alive answered other than once");
        }
        peer->abort();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <class Control>
void FeedControl(const uint8_t* data, std::size_t size) {
    FeedControl<Control>(data, size, [](Control&, ClientState&) {});
}

} // namespace korvel::fuzzing
