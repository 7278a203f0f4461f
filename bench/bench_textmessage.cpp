// The text message control filling its receiver list from one 230 over loopback, for
// N = 1,000 and 10,000 receivers, against a bare sorted QTreeWidget with check boxes
// filled with the same names (the floor).
// Goals, measured in this run (fastest of the repetitions):
//   control(10k) / control(1k)  <= 11   (linear in the receivers)
//   control(10k) / floor(10k)   <= 3
#include "controls/textmessage/textmessagecomponent.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "platform/listview.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace korvel;

namespace {

constexpr int kRepetitions = 3;

std::vector<Bytes> Names(int n) {
    std::vector<Bytes> out;
    for (int i = 0; i < n; ++i) out.push_back("Receiver " + std::to_string((i * 7919) % n) + " on duty");
    return out;
}

Bytes ReceiversBody(const std::vector<Bytes>& names) {
    ClientState types;
    Bytes body;
    AppendLong(body, static_cast<int32_t>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        cReceiver r;
        r.m_DiskIdentity = static_cast<int16_t>(i + 1);
        r.m_ReceiverName = names[i];
        r.SetReceiverTypeId(types, 2);
        AppendLong(body, r.m_DiskIdentity);
        AppendString(body, r.m_ReceiverName);
        r.AppendNetworkBytes(body);
    }
    return body;
}

double ControlMs(int n) {
    testserver::Server server;
    server.Listen();
    testserver::SampleData data;
    testserver::MakeSampleData("default", data);
    server.SetData(data);
    MemorySettingsStore store;
    ClientState state;
    state.SettingsStore = &store;
    textmessage::Component control(state);
    control.resize(500, 600);
    control.show();
    control.setProperty("ServerPort", server.Port());
    control.setProperty("ServerAddress", "127.0.0.1");
    testserver::Server::WaitFor([&] { return control.ListView_Receivers().ListCount() == 6 && server.AllSent(); }, 10000);
    testserver::Server::WaitFor([] { return false; }, 100);
    const Bytes frame = testserver::EncodeFrame(230, ReceiversBody(Names(n)));
    QElapsedTimer timer;
    timer.start();
    server.SendRaw(frame);
    testserver::Server::WaitFor([&] { return control.ListView_Receivers().ListCount() == n; }, 600000);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double FloorMs(int n) {
    const std::vector<Bytes> names = Names(n);
    QTreeWidget tree;
    tree.resize(500, 600);
    tree.show();
    QElapsedTimer timer;
    timer.start();
    tree.setSortingEnabled(false);
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* item = new QTreeWidgetItem(QStringList{QString::fromLatin1(names[i].c_str())});
        item->setData(0, Qt::UserRole, QString("K%1").arg(i + 1));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        tree.addTopLevelItem(item);
    }
    tree.sortItems(0, Qt::AscendingOrder);
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

template <class F>
double Fastest(F f, int n) {
    double best = 1e300;
    for (int i = 0; i < kRepetitions; ++i) best = std::min(best, f(n));
    return best;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-bench.conf");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double c1 = Fastest(ControlMs, 1000);
    const double c10 = Fastest(ControlMs, 10000);
    const double f10 = Fastest(FloorMs, 10000);
    std::printf("control 1k: %.1f ms, control 10k: %.1f ms, floor 10k: %.1f ms\n", c1, c10, f10);
    const double linear = c10 / c1, floor = c10 / f10;
    std::printf("control(10k)/control(1k) = %.2f (goal <= 11) %s\n", linear, linear <= 11 ? "MET" : "NOT MET");
    std::printf("control(10k)/floor(10k)  = %.2f (goal <= 3) %s\n", floor, floor <= 3 ? "MET" : "NOT MET");
    return 0;
}
