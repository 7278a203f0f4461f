// The system log viewer: its list rules, and its conversation with the substitute
// server over loopback.
#include "tests/support/children.h"
#include "controls/syslog/syslogcomponent.h"
#include "tests/support/loopback.h"

#include "core/clientstate.h"
#include "core/settingsstore.h"
#include "platform/controlplugin.h"
#include "platform/dialogservice.h"
#include "platform/listbox.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"

#include <QDir>
#include <QJsonObject>
#include <QPluginLoader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::testing;
using korvel::testserver::EncodeFrame;
using korvel::testserver::LogBody;
using korvel::testserver::LogLineBody;
using korvel::testserver::Server;
using SysLog = korvel::syslog::Component;

namespace {

// The control's list, found as the host or a test finds any child widget.
const platform::ListBox& List(const SysLog& c) {
    const auto* list = c.findChild<platform::ListBox*>("List_SysLog");
    EXPECT_NE(list, nullptr);
    return *list;
}

std::vector<std::string> Lines(const SysLog& c) {
    std::vector<std::string> out;
    for (int i = 0; i < List(c).ListCount(); ++i) out.push_back(List(c).ItemText(i).toStdString());
    return out;
}

std::vector<Bytes> Numbered(int from, int count) {
    std::vector<Bytes> out;
    for (int i = from; i < from + count; ++i) out.push_back("line " + std::to_string(i));
    return out;
}

class SysLogTest : public LoopbackTest<SysLog> {
protected:
    void SetUp() override {
        LoopbackTest::SetUp();
        MakeControl(500, 300);
    }
    void Connect() { PointAtServer(); }
    bool ListShownWith(std::size_t lines) {
        return WaitFor([&] {
            return !List(*control).isHidden() &&
                   static_cast<std::size_t>(List(*control).ListCount()) == lines;
        });
    }
    bool LabelShown() const { return !korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").isHidden(); }
};

} // namespace

TEST_F(SysLogTest, NewLinesKeepTheNewest501SelectedAndSkipALeadingEmptyLine) {
    server.SetAutoAnswer(false);
    Connect();
    ASSERT_TRUE(WaitFor([&] { return control->IsConnected(); }));
    // One line per read: the list as each 166 leaves it.
    auto send = [&](const Bytes& line, const std::vector<std::string>& expected) {
        server.SendFrame(MessageType::MsgSysLogLine, LogLineBody(line));
        return WaitFor([&] { return Lines(*control) == expected; });
    };
    server.SendFrame(MessageType::MsgSysLogLine, LogLineBody(""));
    ASSERT_TRUE(send("first", {"first"})) << "an empty line into an empty list is ignored";
    ASSERT_TRUE(send("", {"first", ""}));
    EXPECT_EQ(List(*control).ListIndex(), 1);
    Bytes many;
    for (const Bytes& line : Numbered(0, 600)) many += EncodeFrame(MessageType::MsgSysLogLine, LogLineBody(line));
    server.SendInPieces(many, 1000, 0);
    ASSERT_TRUE(WaitFor([&] { return List(*control).ItemText(500) == "line 599"; }));
    ASSERT_EQ(List(*control).ListCount(), SysLog::kMaxLines);
    EXPECT_EQ(List(*control).ItemText(0), "line 99");
    EXPECT_EQ(List(*control).ListIndex(), 500);
    server.SendFrame(MessageType::MsgSysLogLine, LogLineBody("\xE9t\xE9"));
    ASSERT_TRUE(WaitFor([&] { return List(*control).ItemText(500) == QString::fromUtf8("\u00E9t\u00E9"); }));
    EXPECT_EQ(List(*control).ItemText(0), "line 100");
    EXPECT_EQ(List(*control).ListIndex(), 500);
}

TEST_F(SysLogTest, StartsWithItsRequestsAndShowsTheLogSoFar) {
    Connect();
    ASSERT_TRUE(ListShownWith(server.Data().LogLines.size()));
    const auto frames = ServerCaughtUp(0);
    ASSERT_EQ(Types(frames), (std::vector<MessageType>{MessageType::MsgTextTable, MessageType::MsgServerSettings,
                                                       MessageType::MsgSysLogSubscribe, MessageType::MsgSysLogList}));
    EXPECT_EQ(frames[0].Body, "");
    EXPECT_EQ(frames[1].Body, "");
    EXPECT_EQ(frames[2].Body, std::string("\xFF\xFF", 2));
    EXPECT_EQ(frames[3].Body, "");
    EXPECT_EQ(List(*control).ListIndex(), List(*control).ListCount() - 1);
    EXPECT_EQ(store.Get("Korvel ActiveX SysLog Client", "Texts", "IsLoadedOnce", ""), "1");

    // New lines follow.
    server.AddLogLine("a new line");
    ASSERT_TRUE(ListShownWith(server.Data().LogLines.size()));
    EXPECT_EQ(List(*control).ItemText(List(*control).ListCount() - 1), "a new line");
    EXPECT_FALSE(LabelShown());

    // The control offers ServerAddress and ServerPort only.
    EXPECT_EQ(control->metaObject()->indexOfProperty("Area"), -1);
    EXPECT_EQ(control->metaObject()->indexOfProperty("Password"), -1);
}

TEST_F(SysLogTest, LogMessageVariants) {
    struct Case {
        const char* name;
        Bytes body;
        std::vector<std::string> expected;
    };
    auto withCount = [](int32_t n, std::vector<Bytes> lines) {
        Bytes b;
        AppendLong(b, n);
        for (const Bytes& l : lines) AppendString(b, l);
        return b;
    };
    std::vector<std::string> last501;
    for (const Bytes& l : Numbered(99, 501)) last501.push_back(l);
    const Case cases[] = {
        {"leading empty lines skipped, later ones kept", LogBody({"", "", "a", "", "b"}), {"a", "", "b"}},
        {"no lines", LogBody({}), {}},
        {"negative count means no lines", withCount(-5, {"a", "b"}), {}},
        {"only the newest 501", LogBody(Numbered(0, 600)), last501},
        {"more than 32767 lines", LogBody(Numbered(0, 40000)), [] {
             std::vector<std::string> v;
             for (const Bytes& l : Numbered(39499, 501)) v.push_back(l);
             return v;
         }()},
    };
    server.SetAutoAnswer(false);
    Connect();
    ASSERT_TRUE(WaitFor([&] { return control->IsConnected(); }));
    for (const Case& k : cases) {
        server.SendFrame(MessageType::MsgSysLogLine, LogLineBody("stale"));
        server.SendFrame(MessageType::MsgSysLogList, k.body);
        ASSERT_TRUE(WaitFor([&] { return Lines(*control) == k.expected && !List(*control).isHidden(); }))
            << k.name;
        EXPECT_EQ(List(*control).ListIndex(), static_cast<int>(k.expected.size()) - 1) << k.name;
    }
}

TEST_F(SysLogTest, LinesOfOneReadEndAsIfAddedOneByOne) {
    // What adding the lines one by one leaves, from the same start.
    auto oneByOne = [](std::vector<std::string> list, const std::vector<Bytes>& lines) {
        for (const Bytes& line : lines) {
            if (list.empty() && line.empty()) continue;
            if (list.size() >= static_cast<std::size_t>(SysLog::kMaxLines)) list.erase(list.begin());
            list.push_back(line);
        }
        return list;
    };
    auto frames = [](const std::vector<Bytes>& lines) {
        Bytes out;
        for (const Bytes& line : lines) out += EncodeFrame(MessageType::MsgSysLogLine, LogLineBody(line));
        return out;
    };
    struct Case {
        const char* name;
        std::vector<Bytes> log;   // the 144 before
        std::vector<Bytes> lines; // 166 lines, sent in one write and then in 1,460-byte pieces
    };
    std::vector<Bytes> withEmpties = {"", "", "first", "", "second"};
    const Case cases[] = {
        {"empty list: leading empty lines skipped, later ones kept", {}, withEmpties},
        {"a few lines onto a few", Numbered(0, 3), Numbered(100, 4)},
        {"filling past 501", Numbered(0, 400), Numbered(1000, 300)},
        {"more than 501 in one go replace the whole list", Numbered(0, 501), Numbered(2000, 1200)},
    };
    server.SetAutoAnswer(false);
    Connect();
    ASSERT_TRUE(WaitFor([&] { return control->IsConnected(); }));
    for (const Case& k : cases) {
        for (int pieces = 0; pieces < 2; ++pieces) {
            server.SendFrame(MessageType::MsgSysLogList, LogBody(k.log));
            std::vector<std::string> start;
            for (const Bytes& l : k.log) start.push_back(l);
            ASSERT_TRUE(WaitFor([&] { return Lines(*control) == start && !List(*control).isHidden(); }))
                << k.name;
            const auto expected = oneByOne(start, k.lines);
            if (pieces) server.SendInPieces(frames(k.lines), 1460, 0);
            else server.SendRaw(frames(k.lines));
            ASSERT_TRUE(WaitFor([&] { return Lines(*control) == expected; })) << k.name << " pieces " << pieces;
            EXPECT_EQ(List(*control).ListIndex(), static_cast<int>(expected.size()) - 1) << k.name;
        }
    }
    // A line cut short after good lines in the same write: the good lines are shown, the
    // connection closes.
    server.SendFrame(MessageType::MsgSysLogList, LogBody({"a"}));
    ASSERT_TRUE(WaitFor([&] { return Lines(*control) == std::vector<std::string>{"a"}; }));
    server.SendRaw(frames({"b", "c"}) + EncodeFrame(MessageType::MsgSysLogLine, "\x00"));
    ASSERT_TRUE(WaitFor([&] { return LabelShown() && !control->IsConnected(); }));
    EXPECT_EQ(Lines(*control), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(List(*control).ListIndex(), 2);
}

TEST_F(SysLogTest, ALineBeforeTheLogSoFarIsDroppedByIt) {
    server.SetAutoAnswer(false);
    Connect();
    ASSERT_TRUE(WaitFor([&] { return !server.ReceivedOfType(MessageType::MsgSysLogList).empty(); }));
    server.SendFrame(MessageType::MsgSysLogLine, LogLineBody("early"));
    ASSERT_TRUE(WaitFor([&] { return List(*control).ListCount() == 1; }));
    EXPECT_TRUE(List(*control).isHidden()) << "added to the hidden list";
    server.SendFrame(MessageType::MsgSysLogList, LogBody({"x", "y"}));
    ASSERT_TRUE(ListShownWith(2));
    EXPECT_EQ(Lines(*control), (std::vector<std::string>{"x", "y"}));
}

TEST_F(SysLogTest, MessagesCutShortLeaveTheListAndCloseTheConnection) {
    Connect();
    ASSERT_TRUE(ListShownWith(server.Data().LogLines.size()));
    const auto before = Lines(*control);
    Bytes shortLog;
    AppendLong(shortLog, 3);
    AppendString(shortLog, "one");
    AppendString(shortLog, "two");
    server.SendFrame(MessageType::MsgSysLogList, shortLog);
    ASSERT_TRUE(WaitFor([&] { return LabelShown() && !control->IsConnected(); }));
    EXPECT_EQ(Lines(*control), before);
    EXPECT_EQ(korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").text(), QString("Disconnected from 127.0.0.1:%1").arg(server.Port()));

    // A 166 with a body too short for its length field, on a new connection.
    control->setProperty("ServerAddress", "");
    control->setProperty("ServerAddress", "127.0.0.1");
    ASSERT_TRUE(WaitFor([&] { return control->IsConnected() && server.ConnectionCount() == 2; }));
    ASSERT_TRUE(ListShownWith(server.Data().LogLines.size()));
    server.SendFrame(MessageType::MsgSysLogLine, "\x00");
    ASSERT_TRUE(WaitFor([&] { return LabelShown() && !control->IsConnected(); }));
    EXPECT_EQ(Lines(*control), before);
}

TEST_F(SysLogTest, ListIsHiddenSoonAfterTheConnectionDrops) {
    Connect();
    ASSERT_TRUE(ListShownWith(server.Data().LogLines.size()));
    for (int tick = 0; tick < 3; ++tick) control->Timer_Connect_Timer(); // ticks see the connection up
    server.CloseConnection();
    ASSERT_TRUE(WaitFor([&] { return List(*control).isHidden(); }, 1000));
    EXPECT_TRUE(LabelShown());
    EXPECT_EQ(korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected").text(), QString("Disconnected from 127.0.0.1:%1").arg(server.Port()));
    EXPECT_EQ(static_cast<std::size_t>(List(*control).ListCount()), server.Data().LogLines.size())
        << "the lines stay in the hidden list";
    // Shown again only by the next log after a new connection.
    control->setProperty("ServerAddress", "");
    control->setProperty("ServerAddress", "127.0.0.1");
    ASSERT_TRUE(ListShownWith(server.Data().LogLines.size()));
    EXPECT_FALSE(LabelShown());
}

TEST_F(SysLogTest, VersionConflictBoxIsTitledWithTheSettingsApplication) {
    platform::ScopedScriptedDialogs dialogs;
    server.Data().ProtocolVersion = 22;
    Connect();
    ASSERT_TRUE(WaitFor([&] { return dialogs->Messages().size() == 1; }));
    EXPECT_EQ(dialogs->Messages()[0].text, "Protocol version conflict (server: 22, client: 21)!");
    EXPECT_EQ(dialogs->Messages()[0].title, "Korvel ActiveX SysLog Client");
    ASSERT_TRUE(WaitFor([&] { return LabelShown() && !control->IsConnected(); }));
}

TEST_F(SysLogTest, ResizeFillsTheControlWithTheListAndCentresTheLabel) {
    for (QSize size : {QSize(640, 480), QSize(201, 99)}) {
        control->resize(size);
        EXPECT_EQ(List(*control).geometry(), QRect(QPoint(0, 0), size));
        const auto& label = korvel::testing::Child<platform::StatusLabel>(*control, "Label_Disconnected");
        EXPECT_EQ(label.x(), (size.width() - label.width()) / 2);
        EXPECT_EQ(label.y(), (size.height() - label.height()) / 2);
    }
}

TEST(SysLogPlugin, IsFoundByItsIdentifierAndItsInstancesShareTheirOwnState) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QString dir = qEnvironmentVariable("KORVEL_PLUGIN_DIR");
    if (dir.isEmpty()) dir = QStringLiteral(KORVEL_BUILD_PLUGIN_DIR);
    QPluginLoader loader(QDir(dir).filePath("korvel3syslog.so"));
    EXPECT_EQ(platform::ProgrammaticIdOf(loader.metaData()), "Korvel3SysLog.Component");
    auto* plugin = qobject_cast<platform::IControlPlugin*>(loader.instance());
    ASSERT_NE(plugin, nullptr) << loader.errorString().toStdString();

    std::unique_ptr<QWidget> first(plugin->CreateComponent(nullptr));
    std::unique_ptr<QWidget> second(plugin->CreateComponent(nullptr));
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->setProperty("ServerPort", 4711));
    EXPECT_EQ(second->property("ServerPort").toInt(), 4711) << "instances of one plug-in share its state";
    EXPECT_EQ(first->metaObject()->indexOfProperty("Area"), -1);

    // The plug-in's state is its own: a control built into this program does not see it.
    ClientState local;
    SysLog here(local);
    EXPECT_EQ(here.property("ServerPort").toInt(), 0);
    here.setProperty("ServerPort", 99);
    EXPECT_EQ(first->property("ServerPort").toInt(), 4711);
    first.reset();
    second.reset();
}
