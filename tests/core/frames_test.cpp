// Frames: building, sending by socket state, the one connection attempt, the frame
// cutter under every split, and the protocol version check.
#include "core/errors.h"
#include "core/frames.h"
#include "tests/core/fakesocket.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace korvel;
using korvel::testing::FakeSocket;

namespace {

Bytes B(std::initializer_list<int> v) {
    Bytes s;
    for (int b : v) s += static_cast<char>(b);
    return s;
}

struct Cut {
    int type;
    Bytes body;
    bool operator==(const Cut&) const = default;
};

std::vector<Cut> Drain(FrameCutter& cutter) {
    std::vector<Cut> out;
    while (auto f = cutter.Next()) out.push_back({f->Type, Bytes(f->Body)});
    return out;
}

} // namespace

TEST(BuildFrame, TypeLengthBody) {
    EXPECT_EQ(BuildFrame(0, ""), B({0, 0, 0, 0, 0}));
    EXPECT_EQ(BuildFrame(200, "ab"), B({200, 0, 0, 0, 2, 'a', 'b'}));
    EXPECT_EQ(BuildFrame(255, Bytes(300, 'x')).substr(0, 5), B({255, 0, 0, 1, 0x2C}));
    EXPECT_THROW(BuildFrame(256, ""), EncodeError);
    EXPECT_THROW(BuildFrame(-1, ""), EncodeError);
}

TEST(SendToServer, ActsByTheSocketState) {
    struct Case {
        int16_t state;
        bool sends;
        int closes;
    } cases[] = {
        {SocketConnected, true, 0},
        {SocketClosed, false, 1},
        {SocketOpen, false, 1},
        {SocketClosing, false, 1},
        {SocketError, false, 1},
        // An attempt under way is left alone; the message is dropped.
        {SocketConnecting, false, 0},
        {SocketResolvingHost, false, 0},
        {SocketHostResolved, false, 0},
        {SocketConnectionPending, false, 0},
    };
    for (const auto& c : cases) {
        FakeSocket socket;
        socket.StateValue = c.state;
        ClientState state;
        state.ServerSocket = &socket;
        SendToServer(state, MessageType::MsgPassword, "pw");
        EXPECT_EQ(socket.Sent.size(), c.sends ? 1u : 0u) << "state " << c.state;
        EXPECT_EQ(socket.CloseCalls, c.closes) << "state " << c.state;
        if (c.sends) {
            EXPECT_EQ(socket.Sent[0], BuildFrame(MessageType::MsgPassword, "pw"));
        }
    }
}

TEST(SendToServer, NoSocketOrFailingSendIsSilent) {
    ClientState state;
    EXPECT_NO_THROW(SendToServer(state, MessageType::MsgKeepAlive, ""));
    FakeSocket socket;
    socket.StateValue = SocketConnected;
    socket.ThrowOnSend = true;
    state.ServerSocket = &socket;
    EXPECT_NO_THROW(SendToServer(state, MessageType::MsgKeepAlive, ""));
    EXPECT_EQ(socket.CloseCalls, 0);
}

TEST(ConnectToServer, OneAttemptOnlyWhenAddressAndPortAreSet) {
    struct Case {
        const char* address;
        int32_t port;
        bool attempts;
    } cases[] = {
        {"alarm", 2570, true}, {"", 2570, false}, {"alarm", 0, false}, {"alarm", -1, false}, {"alarm", 1, true},
    };
    for (const auto& c : cases) {
        FakeSocket socket;
        ClientState state;
        state.ServerSocket = &socket;
        state.ServerAddress = c.address;
        state.ServerPort = c.port;
        ConnectToServer(state);
        ConnectToServer(state);
        EXPECT_EQ(socket.Connects.size(), c.attempts ? 1u : 0u) << c.address << ":" << c.port;
        EXPECT_EQ(state.ConnectAttempted, c.attempts);
        if (c.attempts) {
            EXPECT_EQ(socket.Connects[0], (FakeSocket::ConnectCall{c.address, c.port}));
        }
    }
}

TEST(ConnectToServer, LaterTickTriesOnceBothAreSetAndFailureStillCounts) {
    FakeSocket socket;
    socket.ThrowOnConnect = true;
    ClientState state;
    ConnectToServer(state); // no socket
    EXPECT_FALSE(state.ConnectAttempted);
    state.ServerSocket = &socket;
    state.ServerAddress = "alarm";
    ConnectToServer(state);
    EXPECT_FALSE(state.ConnectAttempted);
    state.ServerPort = 2570;
    EXPECT_NO_THROW(ConnectToServer(state));
    EXPECT_TRUE(state.ConnectAttempted);
    EXPECT_EQ(socket.Connects.size(), 1u);
}

TEST(FrameCutter, WaitsForWholeFramesAndCutsInOrder) {
    Bytes stream = BuildFrame(1, B({0, 21})) + BuildFrame(0, "") + BuildFrame(200, "body");
    FrameCutter cutter;
    // 2, 2 and the rest: one message when the last part arrives.
    cutter.Append(stream.substr(0, 2));
    EXPECT_TRUE(Drain(cutter).empty());
    cutter.Append(stream.substr(2, 2));
    EXPECT_TRUE(Drain(cutter).empty()) << "4 bytes are left untouched";
    EXPECT_EQ(cutter.Pending(), 4u);
    cutter.Append(stream.substr(4, 8));
    auto got = Drain(cutter);
    ASSERT_EQ(got.size(), 2u) << "the version frame and the empty keep-alive that follows";
    EXPECT_EQ(got[0], (Cut{1, B({0, 21})}));
    EXPECT_EQ(got[1], (Cut{0, ""}));
    cutter.Append(stream.substr(7 + 5));
    EXPECT_EQ(Drain(cutter), (std::vector<Cut>{{200, "body"}}));
    EXPECT_EQ(cutter.Pending(), 0u);
}

TEST(FrameCutter, EverySplitYieldsTheSameFrames) {
    std::mt19937 rng(7);
    Bytes stream;
    std::vector<Cut> want;
    for (int i = 0; i < 200; ++i) {
        Bytes body(rng() % 40, '\0');
        for (auto& ch : body) ch = static_cast<char>(rng());
        int type = static_cast<int>(rng() % 256);
        stream += BuildFrame(type, body);
        want.push_back({type, body});
    }
    for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{5}, std::size_t{7}, std::size_t{1460}, stream.size()}) {
        FrameCutter cutter;
        std::vector<Cut> got;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            cutter.Append(std::string_view(stream).substr(at, chunk));
            for (auto& c : Drain(cutter)) got.push_back(c);
        }
        EXPECT_EQ(got, want) << "chunk " << chunk;
        EXPECT_EQ(cutter.Pending(), 0u);
    }
}

TEST(FrameCutter, BadLengthIsMalformedAsSoonAsTheHeaderIsThere) {
    struct Case {
        Bytes header;
        bool bad;
    } cases[] = {
        {B({1, 0xFF, 0xFF, 0xFF, 0xFF}), true},  // -1
        {B({1, 0x80, 0, 0, 0}), true},           // INT32_MIN
        {B({1, 0x7F, 0xFF, 0xFF, 0xFF}), true},  // INT32_MAX
        {B({1, 0x10, 0, 0, 1}), true},           // cap + 1
        {B({1, 0x10, 0, 0, 0}), false},          // exactly the cap: waits for the body
    };
    ASSERT_EQ(kMaxFrameBodyLength, 0x10000000);
    for (const auto& c : cases) {
        FrameCutter cutter;
        cutter.Append(c.header.substr(0, 4));
        EXPECT_NO_THROW(cutter.Next());
        cutter.Append(c.header.substr(4));
        if (c.bad)
            EXPECT_THROW(cutter.Next(), FrameError);
        else
            EXPECT_EQ(cutter.Next(), std::nullopt);
    }
}

TEST(FrameCutter, TakingOverAStringKeepsPendingBytes) {
    Bytes stream = BuildFrame(1, "abc") + BuildFrame(2, "defg") + BuildFrame(3, "");
    FrameCutter cutter;
    cutter.Append(Bytes(stream.substr(0, 10))); // taken over: nothing pending
    EXPECT_EQ(Drain(cutter), (std::vector<Cut>{{1, "abc"}}));
    cutter.Append(Bytes(stream.substr(10, 4))); // appended behind the pending 2 bytes
    EXPECT_TRUE(Drain(cutter).empty());
    cutter.Append(Bytes(stream.substr(14)));
    EXPECT_EQ(Drain(cutter), (std::vector<Cut>{{2, "defg"}, {3, ""}}));
    cutter.Append(Bytes(BuildFrame(4, "h")));
    EXPECT_EQ(Drain(cutter), (std::vector<Cut>{{4, "h"}}));
}

TEST(FrameCutter, LargeFrameThenSmallOnesAcrossBufferRelease) {
    Bytes big(3 << 20, 'b');
    Bytes stream = BuildFrame(200, big) + BuildFrame(1, "s1") + BuildFrame(2, "s2") + BuildFrame(3, "s3");
    for (bool owned : {false, true}) {
        FrameCutter cutter;
        std::vector<Cut> got;
        std::size_t at = 0;
        for (std::size_t chunk : {std::size_t{65536}, std::size_t{3}}) {
            std::size_t until = chunk == 3 ? stream.size() : BuildFrame(200, big).size() + 4;
            for (; at < until; at += std::min(chunk, until - at)) {
                std::string_view part = std::string_view(stream).substr(at, std::min(chunk, until - at));
                if (owned)
                    cutter.Append(Bytes(part));
                else
                    cutter.Append(part);
                for (auto& c : Drain(cutter)) got.push_back(c);
            }
        }
        ASSERT_EQ(got.size(), 4u) << owned;
        EXPECT_EQ(got[0].body, big);
        EXPECT_EQ(got[3], (Cut{3, "s3"}));
    }
}

TEST(FrameCutter, ClearDropsAPartialFrame) {
    FrameCutter cutter;
    cutter.Append(BuildFrame(5, "abc").substr(0, 6));
    cutter.Clear();
    cutter.Append(BuildFrame(6, "x"));
    EXPECT_EQ(Drain(cutter), (std::vector<Cut>{{6, "x"}}));
}

TEST(FrameCutter, TrimLetsGoOfALargeBufferOnlyWhenNoLargeFrameIsOnItsWay) {
    const Bytes big(8u << 20, 'x');
    const Bytes large = BuildFrame(7, big);
    const Bytes small = BuildFrame(8, "tail");
    FrameCutter cutter;

    // Half of a large frame: once its length is known the buffer takes the whole frame,
    // exactly; trimming keeps it, the frame completes whole.
    cutter.Append(std::string_view(large).substr(0, 100));
    EXPECT_FALSE(cutter.Next());
    cutter.Append(std::string_view(large).substr(100, large.size() / 2 - 100));
    const std::size_t growing = cutter.Capacity();
    EXPECT_EQ(growing, large.size());
    cutter.Trim();
    EXPECT_EQ(cutter.Capacity(), growing);
    // The rest arrives with the next frame in the same read: the buffer grows past the
    // frame and both are cut whole.
    cutter.Append(large.substr(large.size() / 2) + small.substr(0, 3));
    auto frame = cutter.Next();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Body, big);
    EXPECT_FALSE(cutter.Next());
    cutter.Append(small.substr(3));
    EXPECT_EQ(Drain(cutter), (std::vector<Cut>{{8, "tail"}}));

    // Part of the next frame waits: the buffer shrinks to at most a megabyte and the
    // pending bytes survive.
    cutter.Append(std::string_view(small).substr(0, 7));
    cutter.Trim();
    EXPECT_LE(cutter.Capacity(), std::size_t{1} << 20);
    EXPECT_EQ(cutter.Pending(), 7u);
    cutter.Append(std::string_view(small).substr(7));
    EXPECT_EQ(Drain(cutter), (std::vector<Cut>{{8, "tail"}}));

    // Nothing pending: the buffer goes entirely, and the cutter works on.
    cutter.Append(large);
    ASSERT_TRUE(cutter.Next());
    cutter.Trim();
    EXPECT_EQ(cutter.Capacity(), 0u);
    cutter.Append(small + small);
    EXPECT_EQ(Drain(cutter), (std::vector<Cut>{{8, "tail"}, {8, "tail"}}));
}

TEST(CheckProtocolVersion, OnlyTwentyOnePasses) {
    EXPECT_EQ(CheckProtocolVersion(B({0, 21})), std::nullopt);
    EXPECT_EQ(CheckProtocolVersion(B({0, 20})), "Protocol version conflict (server: 20, client: 21)!");
    EXPECT_EQ(CheckProtocolVersion(B({0xFF, 0xFF, 9})), "Protocol version conflict (server: -1, client: 21)!");
    EXPECT_THROW(CheckProtocolVersion(B({0})), DecodeError);
}
