#pragma once
// What the receivers editor's and the text message control's benchmarks share: receiver
// lists and single receivers on the wire, a control loaded over loopback from the
// substitute server, one message timed to the repaint after it, the floor (a QTreeView
// over a minimal item model) and the resident memory of the process.

#include "bench/pacedreads.h"
#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/receiver.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QIcon>
#include <QTreeView>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <malloc.h>
#include <string>
#include <unistd.h>
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
    return testserver::EncodeFrame(MessageType::MsgReceiverSave, body);
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

// A 241 frame removing receiver `identity`.
inline Bytes DeletedReceiverFrame(int identity, const Bytes& name) {
    Bytes body;
    AppendLong(body, identity);
    AppendString(body, name);
    return testserver::EncodeFrame(MessageType::MsgReceiverDelete, body);
}

// The floor's model: the least an item model must be to show the same rows: their texts,
// the icon of column 1 and a check box where the list has them; nothing else.
class FloorModel final : public QAbstractTableModel {
public:
    struct Row {
        QString key; // the folded sort text, made once
        std::vector<QString> texts;
        int icon = 0;
    };
    FloorModel(int columns, bool checks, std::vector<QIcon> icons = {})
        : m_Columns(columns), m_Checks(checks), m_Icons(std::move(icons)) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_Rows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : m_Columns; }
    QVariant data(const QModelIndex& index, int role) const override {
        const Row& r = m_Rows[static_cast<std::size_t>(index.row())];
        if (role == Qt::DisplayRole) {
            const auto c = static_cast<std::size_t>(index.column());
            return c < r.texts.size() ? QVariant(r.texts[c]) : QVariant();
        }
        if (role == Qt::DecorationRole && index.column() == 0 && r.icon > 0 &&
            r.icon <= static_cast<int>(m_Icons.size()))
            return m_Icons[static_cast<std::size_t>(r.icon - 1)];
        if (role == Qt::CheckStateRole && index.column() == 0 && m_Checks) return static_cast<int>(Qt::Unchecked);
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren |
                                     (m_Checks ? Qt::ItemIsUserCheckable : Qt::NoItemFlags)
                               : Qt::NoItemFlags;
    }

    // The rows in order of their keys (equal keys keep their order), in one step.
    void Load(std::vector<Row> rows) {
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.key < b.key; });
        beginResetModel();
        m_Rows = std::move(rows);
        endResetModel();
    }
    // One row moves from one place to another.
    void Move(int from, int to) {
        if (from == to) return;
        beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
        Row row = std::move(m_Rows[static_cast<std::size_t>(from)]);
        m_Rows.erase(m_Rows.begin() + from);
        m_Rows.insert(m_Rows.begin() + to, std::move(row));
        endMoveRows();
    }
    const Row& At(int row) const { return m_Rows[static_cast<std::size_t>(row)]; }

private:
    int m_Columns;
    bool m_Checks;
    std::vector<QIcon> m_Icons;
    std::vector<Row> m_Rows;
};

// The floor's view: a QTreeView as the list shows it (one line a row, no fold arrows).
inline void PrepareFloorView(QTreeView& view, QAbstractItemModel& model, int width, int height, bool header) {
    view.setModel(&model);
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setHeaderHidden(!header);
    view.setIconSize(QSize(16, 16));
    view.resize(width, height);
    view.show();
    QApplication::processEvents();
}

// Seconds for one move of one row in the floor, from `from` to `to`, to its repaint.
inline double TimeFloorMove(QTreeView& view, FloorModel& model, int from, int to) {
    QElapsedTimer clock;
    clock.start();
    model.Move(from, to);
    view.viewport()->repaint();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// Seconds for one message as the operator sees it: from handing its frame to the server
// until the control has handled it as one read and the list's viewport is painted again.
inline double TimeLone(PacedReads& paced, const Bytes& frame, QWidget& viewport) {
    QElapsedTimer clock;
    clock.start();
    if (!paced.Send(frame)) return 1e300;
    viewport.repaint();
    // What that painting left to be painted (a scroll bar whose range changed) goes to this
    // message, not to the next one.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// Resident memory of this process in bytes, the freed heap given back first.
inline double ResidentBytes() {
    malloc_trim(0);
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// The fastest and the median of some figures.
struct Spread {
    double fastest = 1e300;
    double median = 1e300;
};
inline Spread SpreadOf(std::vector<double> v) {
    if (v.empty()) return {};
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

// Starts the server with the default sample data whose receiver list holds receivers
// 1..n, connects the control and waits until `loaded` says its list shows them.
// `adjust` may change the sample data before the server takes it.
template <class Control, class Loaded, class Adjust>
bool LoadOverLoopback(testserver::Server& server, Control& control, int n, Loaded loaded, Adjust adjust) {
    if (!server.Listen()) return false;
    testserver::SampleData data;
    if (!testserver::MakeSampleData("default", data)) return false;
    data.Answers[MessageType::MsgReceiverList] = {
        testserver::OutFrame{MessageType::MsgReceiverList, ReceiverListBody(n)}};
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
