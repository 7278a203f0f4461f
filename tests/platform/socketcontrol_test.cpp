#include "platform/socketcontrol.h"

#include <QApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using korvel::platform::SocketControl;

namespace {


bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 3000) {
    QEventLoop loop;
    QTimer poll, deadline;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] { if (pred()) loop.quit(); });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(1);
    deadline.start(timeoutMs);
    if (!pred()) loop.exec();
    return pred();
}

// Delivers everything that is pending now: posted events and what the sockets have
// already received. A check after it that an event did not come does not depend on time.
void Drain() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Records every event of a socket control, in order.
struct Events {
    std::vector<std::string> Seen;
    std::string Data;
    bool InsideCall = false;
    bool ReentrantEvent = false;
    bool ReadOnData = true;
    std::function<void()> OnData;

    explicit Events(SocketControl& s) {
        auto note = [this](const std::string& e) {
            if (InsideCall) ReentrantEvent = true;
            Seen.push_back(e);
        };
        QObject::connect(&s, &SocketControl::Connected, [note] { note("connected"); });
        QObject::connect(&s, &SocketControl::ClosedByPeer, [note] { note("closed"); });
        QObject::connect(&s, &SocketControl::Error, [note](int, const QString&) { note("error"); });
        QObject::connect(&s, &SocketControl::DataArrival, [this, note, &s](qint64) {
            note("data");
            if (ReadOnData) Data += s.ReadReceived();
            if (OnData) OnData();
        });
    }
    int Count(const std::string& e) const { return static_cast<int>(std::count(Seen.begin(), Seen.end(), e)); }
};

struct Peer {
    QTcpServer Listener;
    QTcpSocket* Accepted = nullptr;
    std::string Received;
    Peer() {
        Listener.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&Listener, &QTcpServer::newConnection, [this] {
            Accepted = Listener.nextPendingConnection();
            QObject::connect(Accepted, &QTcpSocket::readyRead, [this] { Received += Accepted->readAll().toStdString(); });
        });
    }
    int Port() const { return Listener.serverPort(); }
};

} // namespace

TEST(SocketControl, ConnectsSendsReceivesAndReportsThePeerClosingOnce) {
    Peer peer;
    SocketControl socket;
    Events events(socket);
    EXPECT_EQ(socket.State(), korvel::SocketClosed);

    events.InsideCall = true;
    socket.Connect("127.0.0.1", peer.Port());
    events.InsideCall = false;
    EXPECT_TRUE(korvel::IsAttemptUnderWay(socket.State())) << socket.State();
    ASSERT_TRUE(WaitFor([&] { return events.Count("connected") == 1 && peer.Accepted; }));
    EXPECT_EQ(socket.State(), korvel::SocketConnected);
    // Small frames go out at once, not when the peer has acknowledged the last ones.
    int noDelay = 0;
    socklen_t size = sizeof noDelay;
    ASSERT_EQ(::getsockopt(static_cast<int>(socket.findChild<QTcpSocket*>()->socketDescriptor()), IPPROTO_TCP,
                           TCP_NODELAY, &noDelay, &size), 0);
    EXPECT_NE(noDelay, 0);

    events.InsideCall = true;
    socket.Send(std::string("\x00\x01\x02\xFF", 4));
    events.InsideCall = false;
    ASSERT_TRUE(WaitFor([&] { return peer.Received.size() == 4; }));
    EXPECT_EQ(peer.Received, std::string("\x00\x01\x02\xFF", 4));

    // Data written just before the peer closes arrives before the close event.
    peer.Accepted->write("hello", 5);
    peer.Accepted->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return events.Count("closed") == 1; }));
    Drain();
    EXPECT_EQ(events.Data, "hello");
    EXPECT_EQ(events.Seen, (std::vector<std::string>{"connected", "data", "closed"}));
    EXPECT_NE(socket.State(), korvel::SocketConnected);
    EXPECT_EQ(socket.RemoteHost(), "127.0.0.1");
    EXPECT_EQ(socket.RemotePort(), peer.Port());
    EXPECT_FALSE(events.ReentrantEvent);

    socket.Close();
    EXPECT_EQ(socket.State(), korvel::SocketClosed);
    EXPECT_EQ(socket.RemotePort(), peer.Port()) << "the last connection's port stays for the status text";
}

TEST(SocketControl, RefusedOrImpossibleAttemptsEndInOneErrorEvent) {
    int freePort;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        freePort = probe.serverPort();
    }
    struct Case { std::string host; int port; };
    for (const Case& c : {Case{"127.0.0.1", freePort}, Case{"127.0.0.1", 70000}, Case{"127.0.0.1", 0}}) {
        SocketControl socket;
        Events events(socket);
        events.InsideCall = true;
        socket.Connect(c.host, c.port);
        events.InsideCall = false;
        ASSERT_TRUE(WaitFor([&] { return events.Count("error") == 1; })) << c.port;
        Drain();
        EXPECT_EQ(events.Seen, std::vector<std::string>{"error"}) << c.port;
        EXPECT_EQ(socket.State(), korvel::SocketError);
        EXPECT_EQ(socket.RemotePort(), c.port);
        EXPECT_FALSE(events.ReentrantEvent);
    }
}

TEST(SocketControl, NothingOfAClosedConnectionIsDeliveredAfterClose) {
    Peer peer;
    SocketControl socket;
    Events events(socket);
    // Close while the attempt is under way: no connected event follows (also not late:
    // the next connection's events show only its own).
    socket.Connect("127.0.0.1", peer.Port());
    socket.Close();
    Drain();
    EXPECT_TRUE(events.Seen.empty());
    EXPECT_EQ(socket.State(), korvel::SocketClosed);

    // Close while the peer's close is already on its way: it is not delivered.
    socket.Connect("127.0.0.1", peer.Port());
    ASSERT_TRUE(WaitFor([&] { return events.Count("connected") == 1 && peer.Accepted; }));
    events.OnData = [&] {
        events.InsideCall = true;
        socket.Close();
        socket.Close(); // allowed in any state
        events.InsideCall = false;
    };
    peer.Accepted->write("late", 4);
    peer.Accepted->flush();
    peer.Accepted->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return events.Count("data") == 1; }));
    Drain();
    EXPECT_EQ(events.Seen, (std::vector<std::string>{"connected", "data"}));
    EXPECT_FALSE(events.ReentrantEvent);
    EXPECT_EQ(socket.State(), korvel::SocketClosed);
    EXPECT_EQ(socket.ReadReceived(), "");
}

TEST(SocketControl, ANewConnectStartsAFreshStream) {
    Peer first, second;
    SocketControl socket;
    Events events(socket);
    events.ReadOnData = false; // bytes of the first connection stay unread
    socket.Connect("127.0.0.1", first.Port());
    ASSERT_TRUE(WaitFor([&] { return first.Accepted != nullptr && socket.State() == korvel::SocketConnected; }));
    first.Accepted->write("old", 3);
    first.Accepted->flush();
    ASSERT_TRUE(WaitFor([&] { return socket.BytesWaiting() == 3; }));
    socket.Connect("127.0.0.1", second.Port());
    ASSERT_TRUE(WaitFor([&] { return second.Accepted != nullptr && events.Count("connected") == 2; }));
    second.Accepted->write("new", 3);
    ASSERT_TRUE(WaitFor([&] { return socket.BytesWaiting() == 3; }));
    EXPECT_EQ(socket.ReadReceived(), "new");
    EXPECT_EQ(socket.RemotePort(), second.Port());
}

TEST(SocketControl, ReadsAheadNoMoreThanItsBoundAndStillHandsOverEveryByte) {
    Peer peer;
    SocketControl socket;
    Events events(socket);
    events.ReadOnData = false; // the control is busy: nothing is read for a while
    socket.Connect("127.0.0.1", peer.Port());
    ASSERT_TRUE(WaitFor([&] { return peer.Accepted != nullptr && socket.State() == korvel::SocketConnected; }));
    std::string stream(24 << 20, '\0');
    for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<char>(i * 7 + i / 4096);
    peer.Accepted->write(stream.data(), static_cast<qint64>(stream.size()));
    // Until the read-ahead is full; more than that must not come.
    ASSERT_TRUE(WaitFor([&] { return socket.BytesWaiting() >= static_cast<std::size_t>(SocketControl::kReadAheadBytes); }));
    Drain();
    EXPECT_GT(socket.BytesWaiting(), 0u);
    EXPECT_LE(socket.BytesWaiting(), static_cast<std::size_t>(SocketControl::kReadAheadBytes))
        << "the rest waits with the system, which holds the peer back";
    EXPECT_GT(peer.Accepted->bytesToWrite(), 0) << "the peer is held back";
    // Read as the receive loop does: whatever is there, whenever told.
    events.OnData = [&] { events.Data += socket.ReadReceived(); };
    std::string got = socket.ReadReceived();
    ASSERT_TRUE(WaitFor([&] { return got.size() + events.Data.size() == stream.size(); }, 20000));
    EXPECT_TRUE(got + events.Data == stream);
}
