// The control shell over real loopback sockets, with a control made of the shell alone.
#include "tests/integration/fakecontrol.h"
#include "tests/support/children.h"
#include "tests/support/escapes.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

using namespace korvel;
using namespace korvel::testing;
using korvel::testserver::EncodeFrame;
using korvel::testserver::EncodeHeader;
using korvel::testserver::Server;

namespace {

class ShellTest : public LoopbackTest<FakeControl> {
protected:
    FakeControl& Make() { return MakeControl(400, 300, false); }
    bool StartedUp(int connection) {
        return WaitFor([&] {
            return control->IsConnected() && server.ConnectionCount() > connection &&
                   !server.ReceivedOfType(MessageType::MsgSystemList, connection).empty();
        });
    }
    QString LabelText() const { return korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").text(); }
    bool LabelShown() const { return !korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").isHidden(); }
    QString DisconnectedText() const { return QString("Disconnected from 127.0.0.1:%1").arg(server.Port()); }
};

// The body of burst frame i: long enough that a burst of 50,000 is more than the
// control reads ahead.
std::string BurstBody(int i) { return "burst frame " + std::to_string(i) + " of a long run of frames"; }

// Frames 97 from..from+count-1, with a keep-alive after every 1,000th.
std::string Burst(int from, int count) {
    std::string out;
    for (int i = from; i < from + count; ++i) {
        out += EncodeFrame(97, BurstBody(i));
        if ((i + 1) % 1000 == 0) out += EncodeFrame(MessageType::MsgKeepAlive, "");
    }
    return out;
}

// Calls the probe every millisecond while it lives: it runs only when the event loop does.
struct EveryMillisecond {
    QTimer timer;
    explicit EveryMillisecond(std::function<void()> probe) {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, std::move(probe));
        timer.start(1);
    }
};

// Resident memory of this process.
double ResidentBytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

} // namespace

TEST_F(ShellTest, StartupRequestsFollowTheControlsTable) {
    struct Case {
        const char* area;
        const char* password;
        std::vector<MessageType> types;
    };
    constexpr MessageType text = MessageType::MsgTextTable, settings = MessageType::MsgServerSettings,
                          area = MessageType::MsgArea, systems = MessageType::MsgSystemList,
                          own = kFakeOwnRequest, password = MessageType::MsgPassword;
    const Case cases[] = {
        {"", "", {text, settings, systems, own}},
        {"North", "", {text, settings, area, systems, own}},
        {"", "secret", {text, settings, systems, own, password}},
        {"North", "secret", {text, settings, area, systems, own, password}},
    };
    for (const Case& c : cases) {
        ClientState fresh;
        fresh.SettingsStore = &store;
        FakeControl ctl(fresh);
        ctl.setProperty("Area", c.area);
        ctl.setProperty("Password", c.password); // not connected: nothing goes out
        ctl.setProperty("ServerPort", server.Port());
        ctl.setProperty("ServerAddress", "127.0.0.1");
        const int index = server.ConnectionCount();
        ASSERT_TRUE(WaitFor([&] { return server.ReceivedOn(index).size() == c.types.size(); })) << c.area << c.password;
        const auto frames = ServerCaughtUp(index);
        EXPECT_EQ(Types(frames), c.types) << c.area << "/" << c.password;
        for (const auto& f : frames) {
            if (f.Type == area) {
                EXPECT_EQ(f.Body, StringBody("North"));
            }
            if (f.Type == password) {
                EXPECT_EQ(f.Body, StringBody("secret"));
            }
            if (f.Type == own) {
                EXPECT_EQ(f.Body, std::string("\xFF\xFF", 2));
            }
            if (f.Type == text || f.Type == settings || f.Type == systems) {
                EXPECT_EQ(f.Body, "");
            }
        }
    }
}

TEST_F(ShellTest, AutomationPropertiesBehaveAsSetByName) {
    FakeControl& c = Make();
    EXPECT_TRUE(c.setProperty("ServerPort", 5001));
    EXPECT_EQ(c.property("ServerPort").toInt(), 5001);
    for (int bad : {70000, -1, 65536}) {
        c.setProperty("ServerPort", bad);
        EXPECT_EQ(c.property("ServerPort").toInt(), 5001) << bad;
    }
    c.setProperty("ServerPort", 0);
    EXPECT_EQ(state.ServerPort, 0);
    c.setProperty("ServerPort", 65535);
    EXPECT_EQ(state.ServerPort, 65535);

    c.setProperty("Area", QString::fromUtf8("S\u00F6der"));
    EXPECT_EQ(state.Area, "S\xF6" "der");
    EXPECT_EQ(c.property("Area").toString(), QString::fromUtf8("S\u00F6der"));
    c.setProperty("Password", "pw");
    EXPECT_EQ(state.Password, "pw");
    EXPECT_EQ(c.property("Password").toString(), "") << "Password is write-only";
    c.setProperty("ServerAddress", "alarm.example.org");
    EXPECT_EQ(c.property("ServerAddress").toString(), "alarm.example.org");
}

TEST_F(ShellTest, AddressChangeReconnectsOnlyAfterAnAttemptAndOnlyWhenItDiffers) {
    FakeControl& c = Make();
    // Before any attempt (port 0 blocks it) the address is only stored.
    c.setProperty("ServerAddress", "127.0.0.1");
    c.setProperty("ServerAddress", "127.0.0.2");
    EXPECT_FALSE(state.ConnectAttempted);
    c.setProperty("ServerAddress", "127.0.0.1");
    c.setProperty("ServerPort", server.Port());
    ASSERT_TRUE(StartedUp(0));

    // The same value again does nothing, also at the next tick.
    c.setProperty("ServerAddress", "127.0.0.1");
    c.Timer_Connect_Timer();
    ServerCaughtUp(0);
    EXPECT_EQ(server.ConnectionCount(), 1);
    EXPECT_TRUE(c.IsConnected());

    // A new value after the attempt closes the socket and connects on the next tick.
    c.setProperty("ServerAddress", "localhost");
    EXPECT_FALSE(c.IsConnected());
    EXPECT_FALSE(state.ConnectAttempted);
    c.Timer_Connect_Timer(); // the next tick makes the new attempt
    EXPECT_TRUE(state.ConnectAttempted);
    EXPECT_TRUE(IsAttemptUnderWay(korvel::testing::Child<platform::SocketControl>(c, "Winsock_ActiveXClient").State()));
    EXPECT_EQ(korvel::testing::Child<platform::SocketControl>(c, "Winsock_ActiveXClient").RemoteHost(), "localhost");
    ASSERT_TRUE(StartedUp(1));
    EXPECT_TRUE(WaitFor([&] { return !server.IsOpen(0); }));

    // Writing the port does not reconnect.
    c.setProperty("ServerPort", server.Port() == 1 ? 2 : 1);
    c.Timer_Connect_Timer();
    ServerCaughtUp(1);
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_TRUE(c.IsConnected());
}

TEST_F(ShellTest, PasswordGoesAtOnceWhenConnectedAndWithTheNextStartWhenNot) {
    FakeControl& c = Make();
    PointAtServer();
    ASSERT_TRUE(StartedUp(0));
    c.setProperty("Password", "one");
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgPassword, 0).size() == 1; }));
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgPassword, 0)[0].Body, StringBody("one"));
    c.setProperty("Password", "one"); // same value: nothing
    ServerCaughtUp(0);
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgPassword, 0).size(), 1u);

    server.CloseConnection(0);
    ASSERT_TRUE(WaitFor([&] { return LabelShown() && !c.IsConnected(); }));
    c.setProperty("Password", "two"); // closed: nothing sent, the socket stays closed
    c.Timer_Connect_Timer();              // also at the next tick
    EXPECT_EQ(korvel::testing::Child<platform::SocketControl>(c, "Winsock_ActiveXClient").State(), SocketClosed);
    Reconnect();
    ASSERT_TRUE(StartedUp(1));
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgPassword, 1).size() == 1; }));
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgPassword, 1)[0].Body, StringBody("two"));
}

TEST_F(ShellTest, PasswordWrittenDuringTheAttemptDoesNotKillIt) {
    FakeControl& c = Make();
    korvel::testing::Child<QTimer>(c, "Timer_Connect").stop();
    c.setProperty("ServerPort", server.Port());
    c.setProperty("ServerAddress", "127.0.0.1");
    c.Timer_Connect_Timer(); // the attempt starts
    ASSERT_TRUE(IsAttemptUnderWay(korvel::testing::Child<platform::SocketControl>(c, "Winsock_ActiveXClient").State()));
    c.setProperty("Password", "early");
    EXPECT_TRUE(IsAttemptUnderWay(korvel::testing::Child<platform::SocketControl>(c, "Winsock_ActiveXClient").State()));
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgPassword, 0).size() == 1; }));
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgPassword, 0)[0].Body, StringBody("early"));
    EXPECT_EQ(Types(server.ReceivedOn(0)).back(), MessageType::MsgPassword);
    EXPECT_TRUE(c.IsConnected());
}

TEST_F(ShellTest, KeepAliveIsAnsweredWithExactlyOneEmptyFrame) {
    Make();
    PointAtServer();
    ASSERT_TRUE(StartedUp(0));
    server.ClearReceived();
    server.SendFrame(MessageType::MsgKeepAlive, {});
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedOfType(MessageType::MsgKeepAlive, 0).size() == 1; }));
    // A password written now travels behind anything else the keep-alive made the control
    // send (a keep-alive round trip cannot tell a second answer from its own).
    control->setProperty("Password", "marker");
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgPassword, 0).empty(); }));
    ASSERT_EQ(server.ReceivedOn(0).size(), 2u);
    EXPECT_EQ(EncodeFrame(MessageType::MsgKeepAlive, server.ReceivedOn(0)[0].Body), std::string(5, '\0'));
}

TEST_F(ShellTest, FramesAreCutHoweverTheBytesArrive) {
    FakeControl& c = Make();
    PointAtServer();
    ASSERT_TRUE(StartedUp(0));
    c.Own.clear();
    const std::string body = "abcdefghij";
    const std::string frame = EncodeFrame(97, body);

    server.SendInPieces(frame, 1, 1); // one byte at a time
    ASSERT_TRUE(WaitFor([&] { return server.AllSent() && !c.Own.empty(); }));
    ClientCaughtUp();
    ASSERT_EQ(c.Own.size(), 1u);
    EXPECT_EQ(c.Own[0], std::make_pair(97, body));

    c.Own.clear();
    server.SendSplit(frame + EncodeFrame(96, "") + frame, {2, 4}); // 2, 2, the rest
    ASSERT_TRUE(WaitFor([&] { return c.Own.size() == 3; }));
    EXPECT_EQ(c.Own[0], std::make_pair(97, body));
    EXPECT_EQ(c.Own[1], std::make_pair(96, std::string()));
    EXPECT_EQ(c.Own[2], std::make_pair(97, body));

    // Four bytes of a header wait for the rest: the read of them is handled (the rest
    // comes 60 ms later) and frames nothing.
    c.Own.clear();
    c.ReadsHandled.clear();
    server.SendSplit(frame, {4}, 60);
    ASSERT_TRUE(WaitFor([&] { return !c.ReadsHandled.empty(); }));
    EXPECT_TRUE(c.Own.empty());
    ASSERT_TRUE(WaitFor([&] { return c.Own.size() == 1; }));
    EXPECT_TRUE(c.IsConnected());
}

TEST_F(ShellTest, VersionConflictShowsTheBoxClosesTheSocketAndDropsTheRestOfTheRead) {
    platform::ScopedScriptedDialogs dialogs;
    server.SetGreeting(false);
    FakeControl& c = Make();
    PointAtServer();
    ASSERT_TRUE(WaitFor([&] { return server.ConnectionCount() == 1 && c.IsConnected(); }));
    // A frame, the version message and a further frame in one write.
    server.SendRaw(EncodeFrame(97, "before") + EncodeFrame(MessageType::MsgProtocolVersion, Int16Body(20)) +
                   EncodeFrame(97, "after"));
    ASSERT_TRUE(WaitFor([&] { return dialogs->Messages().size() == 1; }));
    const platform::MessageRequest& box = dialogs->Messages()[0];
    EXPECT_EQ(box.text, "Protocol version conflict (server: 20, client: 21)!");
    EXPECT_EQ(box.title, "Korvel Test Client");
    EXPECT_EQ(box.icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(box.buttons, platform::MessageButtons::Ok);
    EXPECT_FALSE(c.IsConnected());
    EXPECT_TRUE(LabelShown());
    EXPECT_EQ(LabelText(), DisconnectedText());
    EXPECT_TRUE(WaitFor([&] { return !server.IsOpen(0); }));
    // What came before the conflict was handled; nothing of the closed connection after it
    // (also not later: the next connection's frames come after it).
    EXPECT_EQ(c.Own, (std::vector<std::pair<int, std::string>>{{97, "before"}}));

    // Our own version: no box.
    Reconnect();
    ASSERT_TRUE(WaitFor([&] { return server.ConnectionCount() == 2 && c.IsConnected(); }));
    server.SendFrame(MessageType::MsgProtocolVersion, Int16Body(21));
    server.SendFrame(97, "next");
    ASSERT_TRUE(WaitFor([&] { return c.Own.size() == 2; }));
    ClientCaughtUp();
    EXPECT_EQ(c.Own, (std::vector<std::pair<int, std::string>>{{97, "before"}, {97, "next"}}));
    EXPECT_EQ(c.Own.back(), std::make_pair(97, std::string("next")));
    EXPECT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_TRUE(c.IsConnected());
}

TEST_F(ShellTest, ABurstOfVersionConflictsShowsOneBoxAndTheNextConnectionStartsClean) {
    platform::ScopedScriptedDialogs dialogs;
    server.SetGreeting(false);
    FakeControl& c = Make();
    PointAtServer();
    ASSERT_TRUE(WaitFor([&] { return server.ConnectionCount() == 1 && c.IsConnected(); }));
    std::string burst;
    for (int i = 0; i < 50; ++i)
        burst += EncodeFrame(MessageType::MsgProtocolVersion, Int16Body(static_cast<int16_t>(30 + i)));
    burst += EncodeFrame(97, "after");
    // In one write, and again cut so that the burst spans several reads; more bytes also
    // arrive while the box is open.
    dialogs->WhileMessageOpen([&](const platform::MessageRequest&) {
        server.SendFrame(97, "while the box is open");
        // Gives the frame time to arrive while the box is open; arriving later, it must be
        // dropped all the same.
        Spin(30);
    });
    server.SendSplit(burst, {burst.size() / 3});
    ASSERT_TRUE(WaitFor([&] { return !c.IsConnected() && LabelShown(); }));
    EXPECT_TRUE(WaitFor([&] { return !server.IsOpen(0); }));
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0].text, "Protocol version conflict (server: 30, client: 21)!");
    EXPECT_TRUE(c.Own.empty());

    dialogs->WhileMessageOpen(nullptr);
    Reconnect();
    ASSERT_TRUE(WaitFor([&] { return server.ConnectionCount() == 2 && c.IsConnected(); }));
    server.SendFrame(97, "fresh");
    ASSERT_TRUE(WaitFor([&] { return !c.Own.empty(); }));
    ClientCaughtUp();
    EXPECT_EQ(c.Own, (std::vector<std::pair<int, std::string>>{{97, "fresh"}}));
    EXPECT_EQ(dialogs->Messages().size(), 1u);
}

TEST_F(ShellTest, FramesThatArriveBeforeTheServerClosesAreAllHandled) {
    FakeControl& c = Make();
    PointAtServer();
    ASSERT_TRUE(StartedUp(0));
    c.Own.clear();
    // A keep-alive among the last frames: answering it on the closed connection closes the
    // socket, which is not the control ending the connection; the frames after it count.
    server.SendThenClose(EncodeFrame(97, "one") + EncodeFrame(MessageType::MsgKeepAlive, "") + EncodeFrame(97, "two"));
    // The status is shown once the frames before the close are handled.
    ASSERT_TRUE(WaitFor([&] { return LabelShown() && !c.IsConnected(); }));
    EXPECT_EQ(c.Own, (std::vector<std::pair<int, std::string>>{{97, "one"}, {97, "two"}}));

    // The same with a burst that is still being handled, slice by slice, when the close
    // comes; the status is shown once its frames are done (the connect timer, which
    // would show it two seconds after the start, is stopped).
    Reconnect();
    ASSERT_TRUE(StartedUp(1));
    korvel::testing::Child<QTimer>(c, "Timer_Connect").stop();
    ASSERT_FALSE(LabelShown());
    c.Own.clear();
    c.BusyMicros = 3;
    server.SendThenClose(Burst(0, 30000));
    ASSERT_TRUE(WaitFor([&] { return LabelShown() && !c.IsConnected(); }, 60000));
    EXPECT_EQ(LabelText(), DisconnectedText());
    ASSERT_EQ(c.Own.size(), 30000u);
    EXPECT_EQ(c.Own.back().second, BurstBody(29999));
}

TEST_F(ShellTest, ALongBurstIsHandledInSlicesInOrderAndEachKeepAliveAnsweredOnce) {
    FakeControl& c = Make();
    PointAtServer();
    ASSERT_TRUE(StartedUp(0));
    c.Own.clear();
    c.ReadsHandled.clear();
    server.ClearReceived();
    c.BusyMicros = 3; // 50,000 frames: at least 150 ms of handling
    constexpr int kFrames = 50000;
    // While the burst is handled the event loop runs: the probe sees it part-way, with
    // keep-alives of it already answered, and sends one more frame then. It also counts
    // the slices it sees end (frames handled since its last call) and those among them
    // that OnReadHandled did not follow.
    bool midway = false, answeredMidway = false;
    std::size_t lastOwn = 0, lastReads = 0;
    int slices = 0, slicesWithoutReadHandled = 0;
    EveryMillisecond probe([&] {
        if (c.Own.size() != lastOwn) {
            ++slices;
            if (c.ReadsHandled.size() == lastReads) ++slicesWithoutReadHandled;
        }
        lastOwn = c.Own.size();
        lastReads = c.ReadsHandled.size();
        if (c.Own.empty() || c.Own.size() >= static_cast<std::size_t>(kFrames)) return;
        if (!server.ReceivedOfType(MessageType::MsgKeepAlive, 0).empty()) answeredMidway = true;
        if (!midway) server.SendFrame(97, "late");
        midway = true;
    });
    server.SendRaw(Burst(0, kFrames));
    ASSERT_TRUE(WaitFor([&] { return c.Own.size() == kFrames + 1u; }, 60000));
    // A password written now travels behind every answer to the burst's keep-alives.
    c.setProperty("Password", "after the burst");
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgPassword, 0).empty(); }));
    EXPECT_TRUE(midway);
    EXPECT_TRUE(answeredMidway);
    ASSERT_EQ(c.Own.size(), kFrames + 1u);
    for (int i = 0; i < kFrames; ++i) ASSERT_EQ(c.Own[static_cast<std::size_t>(i)].second, BurstBody(i)) << i;
    EXPECT_EQ(c.Own.back().second, "late") << "bytes that arrive while frames wait go behind them";
    EXPECT_EQ(server.ReceivedOfType(MessageType::MsgKeepAlive, 0).size(), static_cast<std::size_t>(kFrames / 1000));
    // OnReadHandled once the frames are done, not after every slice (while the frames
    // keep coming it also runs at most once per progress interval).
    ASSERT_FALSE(c.ReadsHandled.empty());
    EXPECT_EQ(c.ReadsHandled.back(), kFrames + 1u);
    EXPECT_GE(slices, 10);
    EXPECT_GT(slicesWithoutReadHandled, slices / 2) << c.ReadsHandled.size() << " calls";
    EXPECT_TRUE(c.IsConnected());
}

TEST_F(ShellTest, WhatEndsTheConnectionInALongBurstEndsTheRestOfIt) {
    platform::ScopedScriptedDialogs dialogs;
    FakeControl& c = Make();
    PointAtServer();
    ASSERT_TRUE(StartedUp(0));
    c.BusyMicros = 3;
    // A version conflict in the middle: one box, nothing after it.
    c.Own.clear();
    c.ReadsHandled.clear();
    server.SendRaw(Burst(0, 20000) + EncodeFrame(MessageType::MsgProtocolVersion, Int16Body(20)) + Burst(20000, 20000));
    ASSERT_TRUE(WaitFor([&] { return !c.IsConnected() && LabelShown(); }, 60000));

    // A new server address written between two slices.
    Reconnect();
    ASSERT_TRUE(StartedUp(1));
    // Nothing of the first connection came after the conflict, also not later.
    ClientCaughtUp(1);
    EXPECT_EQ(dialogs->Messages().size(), 1u);
    ASSERT_EQ(c.Own.size(), 20000u);
    EXPECT_EQ(c.Own.back().second, BurstBody(19999));
    ASSERT_FALSE(c.ReadsHandled.empty());
    EXPECT_EQ(c.ReadsHandled.back(), 20000u);
    c.Own.clear();
    c.ReadsHandled.clear();
    std::size_t handledWhenWritten = 0;
    EveryMillisecond probe([&] {
        if (handledWhenWritten == 0 && !c.Own.empty()) {
            handledWhenWritten = c.Own.size();
            c.setProperty("ServerAddress", "");
        }
    });
    server.SendRaw(Burst(0, 50000));
    ASSERT_TRUE(WaitFor([&] { return handledWhenWritten != 0 && !c.IsConnected(); }, 60000));

    // The next connection starts clean; nothing of the one before came after the write.
    c.setProperty("ServerAddress", "127.0.0.1");
    ASSERT_TRUE(StartedUp(2));
    ClientCaughtUp(2);
    EXPECT_LT(handledWhenWritten, 50000u);
    EXPECT_EQ(c.Own.size(), handledWhenWritten);
    ASSERT_FALSE(c.ReadsHandled.empty());
    EXPECT_EQ(c.ReadsHandled.back(), handledWhenWritten);
    c.Own.clear();
    server.SendFrame(97, "fresh");
    ASSERT_TRUE(WaitFor([&] { return !c.Own.empty(); }));
    ClientCaughtUp(2);
    EXPECT_EQ(c.Own, (std::vector<std::pair<int, std::string>>{{97, "fresh"}}));
}

TEST_F(ShellTest, APeerThatNeverReadsIsDroppedOnceWhatWaitsToBeSentPassesTheCap) {
    // A peer that floods keep-alives and never reads what it is sent.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int port = ntohs(address.sin_port);
    std::atomic<bool> stop{false};
    std::thread flood([&] {
        const int peer = ::accept(listener, nullptr, nullptr);
        const std::string keepAlives(5 * 13107, '\0'); // 13,107 keep-alives per write
        while (peer >= 0 && !stop && ::send(peer, keepAlives.data(), keepAlives.size(), MSG_NOSIGNAL) > 0) {
        }
        if (peer >= 0) ::close(peer);
    });

    FakeControl& c = Make();
    korvel::testing::Child<QTimer>(c, "Timer_Connect").stop();
    const double before = ResidentBytes();
    double peak = before;
    c.setProperty("ServerPort", port);
    c.setProperty("ServerAddress", "127.0.0.1");
    c.Timer_Connect_Timer();
    const QString disconnected = QString("Disconnected from 127.0.0.1:%1").arg(port);
    const bool dropped = WaitFor(
        [&] {
            peak = std::max(peak, ResidentBytes());
            return !c.IsConnected() && LabelShown() && LabelText() == disconnected;
        },
        120000);
    stop = true;
    ::shutdown(listener, SHUT_RDWR);
    ::close(listener);
    flood.join();
    ASSERT_TRUE(dropped);
    EXPECT_LT(peak - before, 4.0 * static_cast<double>(platform::SocketControl::kMaxPendingSendBytes))
        << "grew from " << before / 1e6 << " MB to " << peak / 1e6 << " MB";
}

TEST_F(ShellTest, ControlDestroyedWhileTheVersionBoxIsOpenIsNotTouchedAfterwards) {
    platform::ScopedScriptedDialogs dialogs;
    server.SetGreeting(false);
    Make();
    PointAtServer();
    ASSERT_TRUE(WaitFor([&] { return server.ConnectionCount() == 1 && control->IsConnected(); }));
    // The host closes the control while the box is up; more frames wait in the buffer.
    dialogs->WhileMessageOpen([&](const platform::MessageRequest&) { control.reset(); });
    server.SendRaw(EncodeFrame(MessageType::MsgProtocolVersion, Int16Body(20)) + EncodeFrame(97, "after") +
                   EncodeFrame(MessageType::MsgKeepAlive, ""));
    ASSERT_TRUE(WaitFor([&] { return dialogs->Messages().size() == 1; }));
    EXPECT_TRUE(WaitFor([&] { return control == nullptr; }));
    // Its socket went with it: once the server has seen it close, what the control had
    // posted has run.
    EXPECT_TRUE(WaitFor([&] { return !server.IsOpen(0); }));
    EXPECT_EQ(dialogs->Messages().size(), 1u);
}

TEST_F(ShellTest, ServerClosingShowsWhereTheControlWasConnected) {
    FakeControl& c = Make();
    PointAtServer();
    ASSERT_TRUE(StartedUp(0));
    EXPECT_FALSE(LabelShown());
    server.CloseConnection();
    ASSERT_TRUE(WaitFor([&] { return LabelShown(); }));
    EXPECT_EQ(LabelText(), DisconnectedText());
    // No reconnect of its own: the connect timer's ticks make no attempt.
    for (int tick = 0; tick < 25; ++tick) c.Timer_Connect_Timer();
    EXPECT_FALSE(IsAttemptUnderWay(korvel::testing::Child<platform::SocketControl>(c, "Winsock_ActiveXClient").State()));
    EXPECT_EQ(server.ConnectionCount(), 1);
    EXPECT_FALSE(c.IsConnected());
}

TEST_F(ShellTest, RefusedConnectionShowsTheStatusAndDoesNotRetry) {
    FakeControl& c = Make();
    quint16 port;
    {
        Server gone;
        ASSERT_TRUE(gone.Listen());
        port = gone.Port();
    }
    c.setProperty("ServerPort", port);
    c.setProperty("ServerAddress", "127.0.0.1");
    ASSERT_TRUE(WaitFor([&] { return LabelShown(); }));
    EXPECT_EQ(LabelText(), QString("Disconnected from 127.0.0.1:%1").arg(port));
    EXPECT_TRUE(state.ConnectAttempted);
}

TEST_F(ShellTest, MalformedStreamsAndMessagesCloseTheConnectionAndTheControlGoesOn) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"negative length", EncodeHeader(97, -1) + "xxxx"},
        {"oversized length", EncodeHeader(97, 0x7FFFFFFF)},
        {"garbage", std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x00\x01", 8)},
        {"short body", EncodeFrame(98, "ab")},
        {"a fault of the program", EncodeFrame(96, "fault")},
    };
    FakeControl& c = Make();
    PointAtServer();
    int connection = 0;
    for (const Case& k : cases) {
        ASSERT_TRUE(StartedUp(connection)) << k.name;
        c.Own.clear();
        // A good frame, the bad bytes, and a frame after them that must not be handled.
        ExpectedEscapes escapes;
        server.SendRaw(EncodeFrame(97, "good") + k.bytes + EncodeFrame(97, "never"));
        ASSERT_TRUE(WaitFor([&] { return !c.IsConnected() && LabelShown(); })) << k.name;
        // A malformed stream or message is the documented way to end a connection; only a
        // fault of the program is reported, naming the handler it escaped from.
        const QStringList reports = escapes.Lines();
        if (std::string_view(k.name) == "a fault of the program") {
            ASSERT_EQ(reports.size(), 1) << k.name;
            EXPECT_TRUE(reports[0].startsWith("Winsock_ActiveXClient_DataArrival: ")) << reports[0].toStdString();
            EXPECT_TRUE(reports[0].contains("out_of_range")) << reports[0].toStdString();
        } else {
            EXPECT_TRUE(reports.isEmpty()) << k.name;
        }
        EXPECT_EQ(LabelText(), DisconnectedText()) << k.name;
        EXPECT_TRUE(WaitFor([&] { return !server.IsOpen(connection); })) << k.name;
        ASSERT_GE(c.Own.size(), 1u) << k.name;
        EXPECT_EQ(c.Own[0], std::make_pair(97, std::string("good"))) << k.name;
        for (const auto& own : c.Own) EXPECT_NE(own.second, "never") << k.name;
        Reconnect();
        ++connection;
    }
    ASSERT_TRUE(StartedUp(connection));
    server.SendFrame(97, "still working");
    EXPECT_TRUE(WaitFor([&] { return !c.Own.empty() && c.Own.back().second == "still working"; }));
}

TEST_F(ShellTest, APartialFrameOfAnOldConnectionNeverFramesTheNewOne) {
    FakeControl& c = Make();
    PointAtServer();
    ASSERT_TRUE(StartedUp(0));
    c.Own.clear();
    // Half a frame, then the server goes away.
    server.SendThenClose(EncodeFrame(97, "0123456789").substr(0, 8));
    ASSERT_TRUE(WaitFor([&] { return LabelShown(); }));
    Reconnect();
    ASSERT_TRUE(StartedUp(1));
    server.SendFrame(97, "fresh");
    ASSERT_TRUE(WaitFor([&] { return !c.Own.empty(); }));
    ClientCaughtUp();
    ASSERT_EQ(c.Own.size(), 1u);
    EXPECT_EQ(c.Own[0], std::make_pair(97, std::string("fresh")));
    EXPECT_TRUE(c.IsConnected());
}

TEST_F(ShellTest, TextsAreAppliedAtStartOnlyOnceLoadedAndAlwaysOnSettings) {
    FakeControl& c = Make();
    EXPECT_EQ(c.Captions, 0) << "never loaded: no captions at start";
    EXPECT_EQ(c.Initialised, 1);
    PointAtServer();
    ASSERT_TRUE(StartedUp(0));
    ASSERT_TRUE(WaitFor([&] { return c.SettingsCalls == 1; }));
    EXPECT_EQ(c.Captions, 1);
    EXPECT_EQ(store.Get("Korvel Test Client", "Texts", "IsLoadedOnce", ""), "1");

    ClientState other;
    other.SettingsStore = &store;
    FakeControl second(other);
    EXPECT_EQ(second.Captions, 1) << "loaded once before: captions at start";
}

TEST_F(ShellTest, RememberedSettingsAreTheControlsParametersAndWithoutAStoreTheDefault) {
    FakeControl& c = Make();
    EXPECT_EQ(c.StoredSetting("LastChoice", "none"), "none");
    c.Remember("LastChoice", "North");
    EXPECT_EQ(store.Get("Korvel Test Client", "Parameters", "LastChoice", ""), "North");
    EXPECT_EQ(c.StoredSetting("LastChoice", "none"), "North");

    ClientState bare; // no settings store
    FakeControl d(bare);
    d.Remember("LastChoice", "South");
    EXPECT_EQ(d.StoredSetting("LastChoice", "none"), "none");
    EXPECT_EQ(store.Get("Korvel Test Client", "Parameters", "LastChoice", ""), "North");
}

TEST_F(ShellTest, StatusLabelAppearsTwoSecondsAfterTheStartNamingWhatIsMissing) {
    struct Case {
        const char* address;
        int port;
        const char* text;
    };
    const Case cases[] = {
        {"", 0, "Disconnected (missing ServerAddress and ServerPort)"},
        {"", 5001, "Disconnected (missing ServerAddress)"},
        {"127.0.0.1", 0, "Disconnected (missing ServerPort)"},
    };
    for (const Case& k : cases) {
        ClientState fresh;
        FakeControl ctl(fresh);
        korvel::testing::Child<QTimer>(ctl, "Timer_Connect").stop();
        ctl.setProperty("ServerAddress", k.address);
        ctl.setProperty("ServerPort", k.port);
        for (int tick = 0; tick < 19; ++tick) ctl.Timer_Connect_Timer();
        EXPECT_TRUE(korvel::testing::Child<platform::StatusLabel>(ctl, "Label_Disconnected").isHidden()) << k.text;
        ctl.Timer_Connect_Timer(); // 2000 ms
        EXPECT_FALSE(korvel::testing::Child<platform::StatusLabel>(ctl, "Label_Disconnected").isHidden()) << k.text;
        EXPECT_EQ(korvel::testing::Child<platform::StatusLabel>(ctl, "Label_Disconnected").text(), k.text);
        EXPECT_EQ(ctl.TimerExtras, 20);
        // The count stops at 2000 ms: later ticks no longer refresh the label.
        korvel::testing::Child<platform::StatusLabel>(ctl, "Label_Disconnected").setText("as left");
        for (int tick = 0; tick < 5; ++tick) ctl.Timer_Connect_Timer();
        EXPECT_EQ(korvel::testing::Child<platform::StatusLabel>(ctl, "Label_Disconnected").text(), "as left");
        EXPECT_FALSE(fresh.ConnectAttempted);
    }
}

TEST_F(ShellTest, EachControlKeepsItsOwnClientState) {
    Server other;
    ASSERT_TRUE(other.Listen());
    FakeControl& a = Make();
    ClientState stateB;
    FakeControl b(stateB);
    PointAtServer();
    b.setProperty("ServerPort", other.Port());
    b.setProperty("ServerAddress", "127.0.0.1");
    b.setProperty("Area", "South");
    ASSERT_TRUE(WaitFor([&] { return a.IsConnected() && b.IsConnected(); }));
    EXPECT_EQ(state.ServerPort, server.Port());
    EXPECT_EQ(stateB.ServerPort, other.Port());
    EXPECT_EQ(state.Area, "");
    EXPECT_EQ(state.ServerSocket, &korvel::testing::Child<platform::SocketControl>(a, "Winsock_ActiveXClient"));
    EXPECT_EQ(stateB.ServerSocket, &korvel::testing::Child<platform::SocketControl>(b, "Winsock_ActiveXClient"));
    EXPECT_EQ(server.ConnectionCount(), 1);
    EXPECT_EQ(other.ConnectionCount(), 1);
}

#include "moc_fakecontrol.cpp"
