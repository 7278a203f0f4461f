// A bounded soak of the system log viewer against the substitute server: a fixed,
// seeded run of log lines, keep-alives and logs split at random points, with malformed
// frames now and then. The control must never crash, answer every keep-alive while
// connected, show the status after each malformed frame, and show exactly the lines a
// model of the list expects.
#include "tests/support/children.h"
#include "controls/syslog/syslogcomponent.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/settingsstore.h"
#include "platform/listbox.h"
#include "platform/statuslabel.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <set>

using namespace korvel;
using namespace korvel::testing;
using korvel::testserver::EncodeFrame;
using korvel::testserver::EncodeHeader;
using korvel::testserver::LogBody;
using korvel::testserver::LogLineBody;
using korvel::testserver::Server;
using SysLog = korvel::syslog::Component;

namespace {

// The list as the control must show it.
struct ListModel {
    std::deque<std::string> Lines;
    void Add(const std::string& line) {
        if (Lines.empty() && line.empty()) return;
        if (Lines.size() >= 501) Lines.pop_front();
        Lines.push_back(line);
    }
    void Replace(const std::vector<Bytes>& lines) {
        Lines.clear();
        for (const auto& l : lines) Add(l);
    }
};

const platform::ListBox& List(const SysLog& c) { return *c.findChild<platform::ListBox*>("List_SysLog"); }

std::vector<std::string> Shown(const SysLog& c) {
    std::vector<std::string> out;
    for (int i = 0; i < List(c).ListCount(); ++i) out.push_back(List(c).ItemText(i).toStdString());
    return out;
}

using Soak = LoopbackTest<SysLog>;

} // namespace

TEST_F(Soak, SysLogViewerSurvivesRandomSplitsKeepAlivesAndMalformedFrames) {
    SysLog& control = MakeControl(500, 300);
    PointAtServer();

    ListModel model;
    model.Replace(data.LogLines);
    int connection = 0;
    auto startedUp = [&] {
        return WaitFor([&] {
            return control.IsConnected() && server.ConnectionCount() == connection + 1 &&
                   !List(control).isHidden() && Shown(control).size() == model.Lines.size();
        });
    };
    ASSERT_TRUE(startedUp());

    std::mt19937 random(20250303);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto randomCuts = [&](std::size_t size) {
        std::set<std::size_t> cuts;
        const int count = pick(4);
        for (int i = 0; i < count && size > 1; ++i) cuts.insert(1 + random() % (size - 1));
        return std::vector<std::size_t>(cuts.begin(), cuts.end());
    };

    int keepAlivesSent = 0;
    int malformedSent = 0;
    int lineNumber = 0;
    constexpr int kSteps = 500;
    for (int step = 0; step < kSteps; ++step) {
        const int what = pick(100);
        Bytes bytes;
        if (what < 40) {
            const std::string line = pick(10) == 0 ? "" : "soak line " + std::to_string(lineNumber++);
            bytes = EncodeFrame(MessageType::MsgSysLogLine, LogLineBody(line));
            model.Add(line);
        } else if (what < 65) {
            bytes = EncodeFrame(MessageType::MsgKeepAlive, "");
            ++keepAlivesSent;
        } else if (what < 85) {
            const int frames = 2 + pick(6);
            for (int i = 0; i < frames; ++i) {
                if (pick(3) == 0) {
                    bytes += EncodeFrame(MessageType::MsgKeepAlive, "");
                    ++keepAlivesSent;
                } else {
                    const std::string line = "batch line " + std::to_string(lineNumber++);
                    bytes += EncodeFrame(MessageType::MsgSysLogLine, LogLineBody(line));
                    model.Add(line);
                }
            }
        } else if (what < 95) {
            std::vector<Bytes> lines;
            const int count = pick(3) == 0 ? 600 + pick(50) : pick(20);
            for (int i = 0; i < count; ++i) lines.push_back(pick(8) == 0 ? "" : "log " + std::to_string(lineNumber++));
            bytes = EncodeFrame(MessageType::MsgSysLogList, LogBody(lines));
            model.Replace(lines);
        } else {
            // Everything sent so far is handled and every keep-alive answered.
            ASSERT_TRUE(WaitFor([&] {
                const auto answered = server.ReceivedOfType(MessageType::MsgKeepAlive, connection).size();
                return server.AllSent() && static_cast<int>(answered) == keepAlivesSent;
            })) << "step " << step << ": keep-alives sent " << keepAlivesSent << ", answered "
                << server.ReceivedOfType(MessageType::MsgKeepAlive, connection).size();
            const Bytes malformed[] = {
                EncodeHeader(MessageType::MsgSysLogLine, -1 - pick(1000)),
                EncodeHeader(MessageType::MsgSysLogLine, 0x7FFFFFFF - pick(1000)),
                EncodeFrame(MessageType::MsgSysLogLine, "\x00"),
                EncodeFrame(MessageType::MsgSysLogList, std::string("\x00\x00\x00\x05\x00\x01x", 7)),
                EncodeFrame(MessageType::MsgProtocolVersion, "\x00"),
            };
            server.SendSplit(malformed[pick(5)] + EncodeFrame(MessageType::MsgSysLogLine, LogLineBody("never shown")),
                             randomCuts(10));
            ++malformedSent;
            ASSERT_TRUE(WaitFor([&] { return !control.IsConnected() && !korvel::testing::Child<platform::StatusLabel>(control, "Label_Disconnected").isHidden(); }))
                << "step " << step;
            ASSERT_EQ(korvel::testing::Child<platform::StatusLabel>(control, "Label_Disconnected").text(), QString("Disconnected from 127.0.0.1:%1").arg(server.Port()));
            // A new connection: the server answers 144 with its log so far.
            Reconnect();
            ++connection;
            keepAlivesSent = 0;
            model.Replace(data.LogLines);
            ASSERT_TRUE(startedUp()) << "step " << step;
            continue;
        }
        server.SendSplit(bytes, randomCuts(bytes.size()), 1);
        // Now and then a pause, so that the cut bytes also arrive in reads of their own: the
        // wait is about timing itself, nothing is checked after it.
        if (pick(8) == 0) Spin(2);
    }
    ASSERT_TRUE(WaitFor([&] {
        return server.AllSent() &&
               static_cast<int>(server.ReceivedOfType(MessageType::MsgKeepAlive, connection).size()) ==
                   keepAlivesSent &&
               Shown(control) == std::vector<std::string>(model.Lines.begin(), model.Lines.end());
    }));
    EXPECT_TRUE(control.IsConnected());
    EXPECT_GT(malformedSent, 5);
    EXPECT_EQ(List(control).ListIndex(), List(control).ListCount() - 1);
}
