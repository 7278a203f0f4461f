#pragma once
// What the receivers editor's and the text message control's benchmarks share: receiver
// lists and single receivers on the wire, and a control loaded over loopback from the
// substitute server.

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/receiver.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace korvel::bench {

// Names that do not arrive in sorted order, in mixed case.
inline Bytes ReceiverName(int i) {
    const int k = (i * 7919) % 100003;
    return (k % 2 ? "Receiver " : "receiver ") + std::to_string(k);
}

// A receiver of type 2 (in the substitute server's types) with one setting.
inline cReceiver MakeReceiver(int identity, const Bytes& name, const Bytes& setting) {
    static ClientState noTypes;
    cReceiver r;
    r.m_DiskIdentity = static_cast<int16_t>(identity);
    r.m_ReceiverName = name;
    r.m_BackupReceiver = ReceiverName(identity + 1);
    r.SetReceiverTypeId(noTypes, 2);
    r.SaveSetting(0, Variant(setting));
    return r;
}

// Body of a 230 with receivers 1..n.
inline Bytes ReceiverListBody(int n) {
    Bytes body;
    AppendLong(body, n);
    for (int i = 1; i <= n; ++i) {
        const cReceiver r = MakeReceiver(i, ReceiverName(i), "+4670" + std::to_string(i));
        AppendLong(body, r.m_DiskIdentity);
        AppendString(body, r.m_ReceiverName);
        r.AppendNetworkBytes(body);
    }
    return body;
}

// A 240 frame announcing receiver `identity` as stored with that name and setting.
inline Bytes SavedReceiverFrame(int identity, const Bytes& name, const Bytes& setting) {
    const cReceiver r = MakeReceiver(identity, name, setting);
    Bytes body;
    AppendLong(body, identity);
    AppendString(body, name);
    r.AppendNetworkBytes(body);
    return testserver::EncodeFrame(240, body);
}

// A burst of `count` 240s that rename receivers spread over a list of n (so each row
// moves); `last` is the last name sent, as shown.
inline Bytes RenamedBurst(int n, int count, int rep, QString& last) {
    Bytes burst;
    for (int k = 0; k < count; ++k) {
        const int identity = 1 + (k * 13 + rep) * (n / count) % n;
        const Bytes name = "Moved " + std::to_string(rep) + " " + ReceiverName(identity + k);
        burst += SavedReceiverFrame(identity, name, "x");
        last = QString::fromStdString(name);
    }
    return burst;
}

// What a floor does with its rows: orders them by a case-insensitive key made once per
// row (equal keys keep their order) and adds them to the tree in one batch.
struct FloorRow {
    QString key;
    QTreeWidgetItem* item;
};
inline void AddInOrder(QTreeWidget& tree, std::vector<FloorRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const FloorRow& a, const FloorRow& b) { return a.key < b.key; });
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const FloorRow& r : rows) items.push_back(r.item);
    tree.addTopLevelItems(items);
}

// Starts the server with the default sample data whose receiver list holds receivers
// 1..n, connects the control and waits until `loaded` says its list shows them.
// `adjust` may change the sample data before the server takes it.
template <class Control, class Loaded, class Adjust>
bool LoadOverLoopback(testserver::Server& server, Control& control, int n, Loaded loaded, Adjust adjust) {
    if (!server.Listen()) return false;
    testserver::SampleData data;
    if (!testserver::MakeSampleData("default", data)) return false;
    data.Answers[230] = {testserver::OutFrame{230, ReceiverListBody(n)}};
    adjust(data);
    server.SetData(std::move(data));
    control.resize(700, 500);
    control.show();
    control.setProperty("ServerPort", server.Port());
    control.setProperty("ServerAddress", "127.0.0.1");
    const bool ok = testserver::Server::WaitFor([&] { return loaded() && server.AllSent(); }, 600000);
    testserver::Server::WaitFor([] { return false; }, 100); // the rest of the start-up answers
    return ok;
}

template <class Control, class Loaded>
bool LoadOverLoopback(testserver::Server& server, Control& control, int n, Loaded loaded) {
    return LoadOverLoopback(server, control, n, loaded, [](testserver::SampleData&) {});
}

// Seconds from handing the bytes to the server until `done` holds, the event loop having
// run until then (so whatever the control left for it, a relayout included, is done).
template <class Done>
double TimeUntil(testserver::Server& server, const Bytes& bytes, Done done) {
    QElapsedTimer clock;
    clock.start();
    server.SendRaw(bytes);
    testserver::Server::WaitFor(done, 600000);
    QCoreApplication::processEvents();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

} // namespace korvel::bench
