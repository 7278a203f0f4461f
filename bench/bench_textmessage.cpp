// The text message control with 2,000 and 20,000 receivers over loopback from the
// substitute server: filling its check-box list from one 230, the server's 240 for a
// saved receiver, and restoring the ticks of the last message (131).
//
// The full load's floor is the least any client must do for the same screen: take the
// same 230 frame from a loopback socket, read each receiver's identity and name from it
// with the codec readers (keeping no record), and fill a bare QTreeWidget with check
// boxes the best way Qt allows: rows put in order by a case-insensitive key computed once
// per row, added in one batch, the event loop run once. The control does more than that
// (it keeps every receiver as a record, its rows keep keys for look-up), the floor never
// does more than the control.
//
// The 240s: bursts of saved receivers (name unchanged), timed until a status text sent
// after them shows, and of renamed ones (each row moves), timed until the last one shows;
// per message.
//
// The ticks: the last message's receivers come from the per-user store (the server does
// not keep them here: a String on the wire holds at most 32,767 bytes, too few for 10,000
// identities); a 131 ticks 1,000 or 10,000 of the 20,000 rows, from a list with none ticked.
//
// Goals, measured in this run (fastest of the repetitions):
//   load: control(20k) / floor(20k)                     <= 2
//   one 240 at 20k / one 240 at 2k, saved and renamed   <= 4 each
//   restoring 10,000 ticks / restoring 1,000            <= 12
#include "bench/receiverlists.h"
#include "controls/textmessage/statusbar.h"
#include "controls/textmessage/textmessagecomponent.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/settingsstore.h"
#include "platform/listview.h"
#include "testserver/sampledata.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

using namespace korvel;

namespace {

constexpr int kRepetitions = 5;
constexpr int kBurst = 1000;
constexpr const char* kApp = "Korvel ActiveX TextMessage Client";

platform::ListView& ListOf(const textmessage::Component& c) {
    return *c.findChild<platform::ListView*>(QStringLiteral("ListView_Receivers"));
}

struct Figures {
    double load = 1e300;
    double saved = 1e300;
    double renamed = 1e300;
    double ticks1k = 1e300;
    double ticks10k = 1e300;
};

Bytes TickList(int count, int n) {
    Bytes list;
    for (int k = 0; k < count; ++k) list += std::to_string(1 + (k * 7) % n) + '\xFF';
    return list;
}

Figures Measure(int n) {
    testserver::Server server;
    MemorySettingsStore store;
    ClientState state;
    state.SettingsStore = &store;
    textmessage::Component control(state);
    platform::ListView& list = ListOf(control);
    const textmessage::StatusBar& bar = *control.findChild<textmessage::StatusBar*>(QStringLiteral("StatusBar"));
    Figures f;
    const bool loaded = bench::LoadOverLoopback(
        server, control, n, [&] { return list.ListCount() == n; },
        [](testserver::SampleData& data) {
            for (auto& section : data.Settings)
                for (auto& item : section.Items)
                    if (item.first == "StoreActiveXMessagesByServer") item.second = "0";
        });
    if (!loaded) {
        std::fprintf(stderr, "the list never showed %d receivers\n", n);
        return f;
    }
    // The full load: the same 230 again, after the list was emptied by a smaller one.
    const Bytes full = testserver::EncodeFrame(230, bench::ReceiverListBody(n));
    const Bytes small = testserver::EncodeFrame(230, bench::ReceiverListBody(1));
    for (int rep = 0; rep < kRepetitions; ++rep) {
        bench::TimeUntil(server, small, [&] { return list.ListCount() == 1; });
        f.load = std::min(f.load, bench::TimeUntil(server, full, [&] { return list.ListCount() == n; }));
    }
    for (int rep = 0; rep < kRepetitions; ++rep) {
        Bytes burst;
        for (int k = 0; k < kBurst; ++k) {
            const int last = 1 + (k * 7 + rep) * (n / kBurst) % n;
            burst += bench::SavedReceiverFrame(last, bench::ReceiverName(last), "s" + std::to_string(k));
        }
        // A status text (108) after them marks the end of the burst.
        const std::string mark = "burst " + std::to_string(rep) + " done";
        Bytes status;
        AppendString(status, mark);
        burst += testserver::EncodeFrame(108, status);
        const QString shown = QString::fromStdString(mark);
        f.saved = std::min(f.saved,
                           bench::TimeUntil(server, burst, [&] { return bar.PanelText(3) == shown; }) / kBurst);
    }
    for (int rep = 0; rep < kRepetitions; ++rep) {
        QString mark;
        const Bytes burst = bench::RenamedBurst(n, kBurst, rep, mark);
        f.renamed = std::min(f.renamed, bench::TimeUntil(server, burst, [&] { return list.FindText(mark) != 0; }) / kBurst);
    }
    const Bytes restore = testserver::EncodeFrame(131, Bytes("\0\0", 2));
    for (int count : {1000, 10000}) {
        if (count > n) continue;
        const Bytes ticks = TickList(count, n);
        double& best = count == 1000 ? f.ticks1k : f.ticks10k;
        for (int rep = 0; rep < kRepetitions; ++rep) {
            store.Save(kApp, "Parameters", "LastMessageReceivers", "");
            bench::TimeUntil(server, restore, [&] { return list.CheckedCount() == 0; });
            store.Save(kApp, "Parameters", "LastMessageReceivers", ticks);
            best = std::min(best, bench::TimeUntil(server, restore, [&] { return list.CheckedCount() == count; }));
        }
    }
    return f;
}

// Reads one receiver's network form, keeping its name.
Bytes ReadNameOfForm(std::string_view body, int32_t& p) {
    Bytes name = GetStringFromNetworkBytes(body, p);
    for (int k = 0; k < 3; ++k) GetIntegerFromNetworkBytes(body, p);
    GetStringFromNetworkBytes(body, p);
    GetDateFromNetworkBytes(body, p);
    GetLongFromNetworkBytes(body, p);
    for (int k = 0; k < 4; ++k) GetStringFromNetworkBytes(body, p);
    return name;
}

double Floor(int n) {
    const Bytes frame = testserver::EncodeFrame(230, bench::ReceiverListBody(n));
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, listener.serverPort());
    testserver::Server::WaitFor([&] { return listener.hasPendingConnections(); });
    QTcpSocket* sender = listener.nextPendingConnection();
    QTreeWidget tree;
    tree.setHeaderHidden(true);
    tree.resize(700, 500);
    tree.show();
    double best = 1e300;
    for (int rep = 0; rep < kRepetitions; ++rep) {
        tree.clear();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        sender->write(frame.data(), static_cast<qint64>(frame.size()));
        Bytes received;
        testserver::Server::WaitFor([&] {
            const QByteArray chunk = client.readAll();
            received.append(chunk.constData(), static_cast<std::size_t>(chunk.size()));
            return received.size() >= frame.size();
        }, 600000);
        const std::string_view body = std::string_view(received).substr(5);
        int32_t p = 0;
        const int32_t count = GetLongFromNetworkBytes(body, p);
        std::vector<bench::FloorRow> rows;
        rows.reserve(static_cast<std::size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            const int32_t identity = GetLongFromNetworkBytes(body, p);
            GetStringFromNetworkBytes(body, p);
            const QString name = QString::fromLatin1(ReadNameOfForm(body, p));
            auto* item = new QTreeWidgetItem(QStringList{name});
            item->setData(0, Qt::UserRole, identity);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Unchecked);
            rows.push_back({name.toCaseFolded(), item});
        }
        bench::AddInOrder(tree, rows);
        QApplication::processEvents();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

bool Report(const char* what, double ratio, double goal) {
    const bool pass = ratio <= goal;
    std::printf("ratio %-44s %6.3f  goal <= %-4g %s\n", what, ratio, goal, pass ? "PASS" : "FAIL");
    return pass;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-bench.conf");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Figures small = Measure(2000);
    const Figures large = Measure(20000);
    const double floor = Floor(20000);
    std::printf("load: control 2k %.1f ms, control 20k %.1f ms, floor 20k %.1f ms\n", small.load * 1e3,
                large.load * 1e3, floor * 1e3);
    std::printf("one 240: saved 2k %.1f us, 20k %.1f us; renamed 2k %.1f us, 20k %.1f us\n", small.saved * 1e6,
                large.saved * 1e6, small.renamed * 1e6, large.renamed * 1e6);
    std::printf("restoring ticks at 20k rows: 1,000 %.2f ms, 10,000 %.2f ms\n", large.ticks1k * 1e3,
                large.ticks10k * 1e3);
    bool ok = Report("load: control(20k) / floor(20k)", large.load / floor, 2.0);
    ok = Report("one 240 saved at 20k / at 2k", large.saved / small.saved, 4.0) && ok;
    ok = Report("one 240 renamed (the row moves) at 20k / at 2k", large.renamed / small.renamed, 4.0) && ok;
    ok = Report("restoring 10,000 ticks / 1,000", large.ticks10k / large.ticks1k, 12.0) && ok;
    std::printf("reference load: control(20k) / control(2k) %6.2f\n", large.load / small.load);
    return ok ? 0 : 1;
}
