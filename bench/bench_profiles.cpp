// The profiles editor under load, over loopback from the substitute server: a receiver
// list (230) of 2,000 and 20,000 receivers and a profile list (200) of 5,000 profiles,
// then single receiver saves (240); and the profile tree rebuilt from 1,000 and 10,000
// profiles (message 200), flat and nested.
//
// Goals, measured in this run (fastest of the repetitions, wall clock):
//   full load, 20,000 receivers / its floor                      <= 3
//   full load, 20,000 receivers / full load, 2,000 receivers     <= 12
//   one 240 at 20,000 receivers / full load at 20,000            <= 0.1
//   one 240 at 20,000 receivers / one 240 at 2,000               <= 4
//   tree(10k) / tree(1k), flat and nested                        <= 15 (10 is linear)
//
// A full load runs from the control's connection to the keep-alive answered after the
// profile list: the start-up requests, the answers read, cut and decoded, the tree, the
// receiver sub-menu and the page. Its floor is a bare client on the same server: a
// QTcpSocket that sends the same requests, cuts the same frames and decodes them with the
// shared decoder (as any client must), then puts the receivers' captions, upper-cased once
// and stably sorted, into a bare QMenu, and the profiles into a bare QTreeWidget in one
// batch. A 240 renames a receiver so that it moves across the whole sub-menu, the farthest
// a saved receiver can move; its time runs from the server's send to the keep-alive
// answered after it.
#include "bench/benchsupport.h"
#include "controls/profiles/profilescomponent.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/cp1252.h"
#include "core/decoder.h"
#include "core/frames.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/records/timeschedule.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"
#include "tests/integration/profilesmessages.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QTcpSocket>
#include <QTimer>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using korvel::testing::ReceiverForm;
using korvel::testing::RecordRefBody;

namespace {

constexpr int kProfiles = 5000;

std::string ReceiverName(int i) {
    static const char* areas[] = {"", "North\\", "South\\", ""};
    return std::string(areas[i % 4]) + (i % 3 ? "Receiver " : "receiver ") + std::to_string((i * 7919) % 100003);
}

std::string FlatName(int i) { return (i % 2 ? "Profile " : "profile ") + std::to_string((i * 7919) % 100003); }



Bytes ReceiverList(int n) {
    Bytes body;
    AppendLong(body, n);
    for (int i = 1; i <= n; ++i) body += RecordRefBody(i, ReceiverName(i)) + ReceiverForm(i, ReceiverName(i));
    return body;
}

Bytes ProfileList(int n) {
    ClientState state;
    Bytes body;
    AppendLong(body, n);
    for (int i = 1; i <= n; ++i) {
        cProfile p;
        p.m_DiskIdentity = static_cast<int16_t>(i);
        p.m_Enabled = i % 3 ? -1 : 0;
        p.SetName(state, FlatName(i));
        p.m_ParallellReceivers = ReceiverName(i) + '\0';
        for (int c = 0; c < kProfileConditionCount; ++c) p.SetCondition(c, Variant("*"));
        p.m_TimeSchedule = std::make_shared<cTimeSchedule>();
        p.m_TimeSchedule->SetDefaultPeriod();
        body += RecordRefBody(i, p.GetName());
        p.AppendNetworkBytes(body);
    }
    return body;
}

// A server per receiver count, answering every connection with the same lists.
testserver::Server& ServerFor(int receivers) {
    static std::map<int, testserver::Server*> servers;
    testserver::Server*& s = servers[receivers];
    if (!s) {
        s = new testserver::Server;
        testserver::SampleData data;
        testserver::MakeSampleData("default", data);
        data.Answers[230] = {{230, ReceiverList(receivers)}};
        data.Answers[200] = {{200, ProfileList(kProfiles)}};
        s->SetData(data);
        s->Listen();
    }
    return *s;
}

// Runs the event loop from arm() until the server receives a frame of the type, then
// gives the seconds since start() (the clock starts where the caller says).
class FrameWait {
public:
    FrameWait(testserver::Server& server, int type) {
        m_Connection = QObject::connect(&server, &testserver::Server::FrameReceived, &m_Loop, [this, type](int, int t) {
            if (t == type) m_Loop.quit();
        });
        QTimer::singleShot(600000, &m_Loop, &QEventLoop::quit);
    }
    ~FrameWait() { QObject::disconnect(m_Connection); }
    void start() { m_Clock.start(); }
    double wait() {
        m_Loop.exec();
        return static_cast<double>(m_Clock.nsecsElapsed()) / 1e9;
    }

private:
    QEventLoop m_Loop;
    QElapsedTimer m_Clock;
    QMetaObject::Connection m_Connection;
};

// Sends a keep-alive once the control has asked for the profile list: the control
// answers it only after it has handled every frame before it.
void KeepAliveAfterProfileRequest(testserver::Server& server, QObject* context) {
    auto* once = new QObject(context);
    QObject::connect(&server, &testserver::Server::FrameReceived, once, [&server, once](int connection, int type) {
        if (type != 200) return;
        server.SendFrame(0, {}, connection);
        once->deleteLater();
    });
}

struct Editor {
    MemorySettingsStore store;
    ClientState state;
    std::unique_ptr<profiles::Component> control;

    Editor() {
        state.SettingsStore = &store;
        control = std::make_unique<profiles::Component>(state);
        control->resize(800, 600);
        control->show();
    }
    // Connects and waits until everything is loaded; seconds taken.
    double Load(testserver::Server& server) {
        FrameWait done(server, 0);
        KeepAliveAfterProfileRequest(server, control.get());
        control->setProperty("ServerPort", server.Port());
        done.start();
        control->setProperty("ServerAddress", "127.0.0.1");
        return done.wait();
    }
};

// --- Full load ------------------------------------------------------------------------------

void FullLoad(benchmark::State& st, int receivers) {
    testserver::Server& server = ServerFor(receivers);
    for (auto _ : st) {
        auto editor = std::make_unique<Editor>();
        const double seconds = editor->Load(server);
        st.SetIterationTime(seconds);
        if (editor->control->findChild<platform::Menu*>("Menu_Profile_Receiver_Popup_Add")->Count() != receivers)
            st.SkipWithError("the sub-menu is not full");
        editor.reset();
        server.CloseConnection();
        QCoreApplication::processEvents();
    }
}

// The bare client: the same requests, frames and decoding; a sorted QMenu and a flat
// QTreeWidget filled in one batch.
class BareClient final : public QObject {
public:
    QTcpSocket socket;
    FrameCutter cutter;
    ClientState state;
    QMenu menu;
    QTreeWidget tree;

    BareClient() {
        connect(&socket, &QTcpSocket::connected, this, [this] {
            Bytes requests;
            for (int type : {120, 106, 141, 230, 170, 142, 200}) requests += BuildFrame(type, {});
            socket.write(requests.data(), static_cast<qint64>(requests.size()));
        });
        connect(&socket, &QTcpSocket::readyRead, this, [this] { read(); });
    }

private:
    void read() {
        const QByteArray bytes = socket.readAll();
        cutter.Append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        while (auto frame = cutter.Next()) {
            if (frame->Type == 0) {
                const Bytes answer = BuildFrame(0, {});
                socket.write(answer.data(), static_cast<qint64>(answer.size()));
                continue;
            }
            std::shared_ptr<cReceiver> receiver;
            std::shared_ptr<cProfile> profile;
            int32_t position = 0;
            HandleServerMessage(state, frame->Type, frame->Body, position, receiver, profile);
            if (frame->Type == 230) fillMenu();
            if (frame->Type == 200) fillTree();
        }
    }
    void fillMenu() {
        struct Entry {
            std::string key;
            QString caption;
        };
        std::vector<Entry> entries;
        entries.reserve(state.Receivers.Count());
        for (const auto& e : state.Receivers) {
            QString caption = platform::ToQString(e.item->m_ReceiverName);
            entries.push_back({UpperCase(e.item->m_ReceiverName), std::move(caption)});
        }
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
        menu.clear();
        QList<QAction*> actions;
        actions.reserve(static_cast<qsizetype>(entries.size()));
        for (Entry& e : entries) actions.push_back(new QAction(e.caption, &menu));
        menu.addActions(actions);
    }
    void fillTree() {
        tree.clear();
        QList<QTreeWidgetItem*> items;
        for (const auto& e : state.Profiles)
            items.push_back(new QTreeWidgetItem(QStringList{platform::ToQString(e.item->GetName())}));
        tree.addTopLevelItems(items);
    }
};

void FloorLoad(benchmark::State& st, int receivers) {
    testserver::Server& server = ServerFor(receivers);
    for (auto _ : st) {
        auto client = std::make_unique<BareClient>();
        FrameWait done(server, 0);
        KeepAliveAfterProfileRequest(server, client.get());
        done.start();
        client->socket.connectToHost(QStringLiteral("127.0.0.1"), server.Port());
        st.SetIterationTime(done.wait());
        if (client->menu.actions().size() != receivers) st.SkipWithError("the menu is not full");
        client.reset();
        server.CloseConnection();
        QCoreApplication::processEvents();
    }
}

// --- One receiver saved ----------------------------------------------------------------------

void SaveOne(benchmark::State& st, int receivers) {
    testserver::Server& server = ServerFor(receivers);
    static std::map<int, Editor*> editors; // loaded once, kept for the run
    Editor*& editor = editors[receivers];
    if (!editor) {
        editor = new Editor;
        editor->Load(server);
    }
    const int connection = server.ConnectionCount() - 1;
    bool moved = false;
    for (auto _ : st) {
        // Receiver 1 goes to the end of the sub-menu and back to its place.
        moved = !moved;
        const std::string name = moved ? "zz " + ReceiverName(1) : ReceiverName(1);
        FrameWait done(server, 0);
        done.start();
        server.SendFrame(240, RecordRefBody(1, name) + ReceiverForm(1, name), connection);
        server.SendFrame(0, {}, connection);
        st.SetIterationTime(done.wait());
    }
    if (editor->control->findChild<platform::Menu*>("Menu_Profile_Receiver_Popup_Add")->Count() != receivers)
        st.SkipWithError("the sub-menu lost entries");
}

// --- Profile tree ------------------------------------------------------------------------------

std::string NestedName(int i) {
    // Groups of 10 leaves under 10 middles under each top; the leaf comes first for odd
    // groups, so its parents are made as stand-ins and taken over later.
    const int top = i / 100;
    const int middle = (i / 10) % 10;
    const int leaf = i % 10;
    std::string name = "Site " + std::to_string(top);
    if (leaf == 0 && middle == 0) return name;
    name += "@Area " + std::to_string(middle);
    if (leaf == 0) return name;
    return name + "@Duty " + std::to_string(leaf);
}

void Tree(benchmark::State& st, int n, bool nested) {
    static Editor* editor = new Editor; // never connected
    ClientState& state = editor->state;
    state.Profiles.Clear();
    state.ChildProfilesAllowed = nested;
    for (int i = 0; i < n; ++i) {
        auto p = std::make_shared<cProfile>();
        p->m_DiskIdentity = static_cast<int16_t>(i);
        p->m_Enabled = i % 3 ? -1 : 0;
        p->SetName(state, nested ? NestedName(i) : FlatName(i));
        p->m_TimeSchedule = std::make_shared<cTimeSchedule>();
        state.Profiles.Add("K" + std::to_string(i), p);
    }
    for (auto _ : st) {
        QElapsedTimer t;
        t.start();
        editor->control->FillProfileTree({});
        st.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
}

// A figure of a benchmark that did not run (filtered out) is a very large number.
bool Measured(double seconds) { return seconds < 1e299; }

bool Goal(const char* what, double numerator, double denominator, double goal) {
    if (!Measured(numerator) || !Measured(denominator)) {
        std::printf("ratio %-46s not measured in this run\n", what);
        return true;
    }
    const double ratio = numerator / denominator;
    const bool pass = ratio <= goal;
    std::printf("ratio %-46s %8.4f  goal <= %-5g %s\n", what, ratio, goal, pass ? "PASS" : "FAIL");
    return pass;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-bench.conf");
    QApplication app(argc, argv);
    platform::ScopedScriptedDialogs dialogs; // a first node without a profile says so
    bench::PinToCurrentCore();
    auto manual = [](benchmark::internal::Benchmark* b, int iterations, benchmark::TimeUnit unit) {
        b->UseManualTime()->Iterations(iterations)->Repetitions(5)->Unit(unit);
    };
    for (int n : {2000, 20000})
        manual(benchmark::RegisterBenchmark(("profiles/full_load/" + std::to_string(n)).c_str(), FullLoad, n), 1,
               benchmark::kMillisecond);
    manual(benchmark::RegisterBenchmark("profiles/floor_load/20000", FloorLoad, 20000), 1, benchmark::kMillisecond);
    for (int n : {2000, 20000})
        manual(benchmark::RegisterBenchmark(("profiles/one_240/" + std::to_string(n)).c_str(), SaveOne, n), 50,
               benchmark::kMicrosecond);
    for (bool nested : {false, true})
        for (int n : {1000, 10000})
            manual(benchmark::RegisterBenchmark(
                       ("profiles/tree_" + std::string(nested ? "nested/" : "flat/") + std::to_string(n)).c_str(), Tree,
                       n, nested),
                   1, benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    bench::FastestRepetition reporter(bench::Clock::Real);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto s = [&](const std::string& name) { return reporter.Seconds("profiles/" + name); };
    const double full2k = s("full_load/2000");
    const double full20k = s("full_load/20000");
    const double floor20k = s("floor_load/20000");
    const double save2k = s("one_240/2000");
    const double save20k = s("one_240/20000");
    std::printf("\n");
    if (Measured(full2k) && Measured(full20k) && Measured(floor20k))
        std::printf("full load: 2,000 receivers %.1f ms, 20,000 %.1f ms, floor at 20,000 %.1f ms\n", full2k * 1e3,
                    full20k * 1e3, floor20k * 1e3);
    if (Measured(save2k) && Measured(save20k))
        std::printf("one 240: at 2,000 receivers %.1f us, at 20,000 %.1f us\n", save2k * 1e6, save20k * 1e6);
    bool ok = true;
    ok &= Goal("full load 20k / floor 20k", full20k, floor20k, 3);
    ok &= Goal("full load 20k / full load 2k", full20k, full2k, 12);
    ok &= Goal("one 240 at 20k / full load 20k", save20k, full20k, 0.1);
    ok &= Goal("one 240 at 20k / one 240 at 2k", save20k, save2k, 4);
    for (const char* shape : {"flat", "nested"})
        ok &= Goal((std::string(shape) + " tree(10k) / tree(1k)").c_str(),
                   s(std::string("tree_") + shape + "/10000"), s(std::string("tree_") + shape + "/1000"), 15);
    benchmark::Shutdown();
    return ok ? 0 : 1;
}
