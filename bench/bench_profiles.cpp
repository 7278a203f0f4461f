// The profiles editor under load, over loopback from the substitute server through the
// shell's real receive path: a receiver list (230) of 2,000 and 20,000 receivers and a
// profile list (200) of 5,000 profiles; the receiver sub-menu built, opened, and changed
// by lone receiver messages while it shows; and the profile tree rebuilt from 1,000 and
// 10,000 profiles (message 200), flat and nested.
//
// Goals, measured in this run (fastest of the repetitions, wall clock):
//   full load, 20,000 receivers / its floor                          <= 3
//   full load, 20,000 receivers / full load, 2,000 receivers         <= 12
//   sub-menu build (230), 20,000 / 2,000                             <= 12
//   sub-menu open, 20,000 / 2,000                                    <= 2
//   lone 240 (save, rename) and 241 at 32,767 receivers / at 2,000   <= 2
//   the same at 32,767 / the floor's move of one row at 32,767       <= 2
//   lone 240 (rename) at 20,000 / full load at 20,000                <= 0.1
//   tree(10k) / tree(1k), flat and nested                            <= 15 (10 is linear)
//
// A full load runs from the control's connection to the keep-alive answered after the
// profile list: the start-up requests, the answers read, cut and decoded, the tree, the
// receiver sub-menu and the page. Its floor is a bare client on the same server: a
// QTcpSocket that sends the same requests, cuts the same frames and decodes them with the
// shared decoder (as any client must), then puts the receivers' captions, upper-cased once
// and stably sorted, into a minimal item model, and the profiles' names into another
// minimal model under a shown QTreeView, each in one batch. Both are timed from the
// connection's first request, so the editor's wait for its connect timer's next tick is
// not counted.
//
// The sub-menu: a build is one 230 to a connected editor, from the server's send to the
// keep-alive answered after it. An open is the first after a build: from the Right key on
// the receiver pop-up's Add entry (the operator's way in) to the sub-menu's list painted.
// A lone message is sent while the pop-up and its sub-menu show and is timed from the
// server's send to the repaint it causes (and at least to the keep-alive answered after
// it): a save of the receiver at the top (nothing on screen changes), a rename that moves
// that receiver from one end of the sub-menu to the other (and back), a removal of it (put
// back, untimed, before the next). The floor of those is a bare pop-up list: a QListView
// with uniform item sizes over a minimal model in a Qt::Popup with the same entries,
// moving one row from one end to the other, to its repaint.
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
#include "platform/popuplist.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"
#include "tests/integration/profilesmessages.h"

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QApplication>
#include <QKeyEvent>
#include <QListView>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
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
        data.Answers[MessageType::MsgReceiverList] = {{MessageType::MsgReceiverList, ReceiverList(receivers)}};
        data.Answers[MessageType::MsgProfileList] = {{MessageType::MsgProfileList, ProfileList(kProfiles)}};
        s->SetData(data);
        s->Listen();
    }
    return *s;
}

// Runs the event loop from arm() until the server receives a frame of the type, then
// gives the seconds since start() (the clock starts where the caller says).
class FrameWait {
public:
    FrameWait(testserver::Server& server, MessageType type) {
        m_Connection = QObject::connect(&server, &testserver::Server::FrameReceived, &m_Loop,
                                        [this, type](int, MessageType t) {
                                            if (t == type) m_Loop.quit();
                                        });
        QTimer::singleShot(600000, &m_Loop, &QEventLoop::quit);
    }
    ~FrameWait() {
        QObject::disconnect(m_Connection);
        QObject::disconnect(m_Start);
    }
    // Starts the clock when the server receives the first frame of the type: a load is
    // timed from the connection's first request, so the control's wait for the next tick
    // of its connect timer (up to 100 ms, the same at any size) is not counted.
    void startAt(testserver::Server& server, MessageType type) {
        m_Start =
            QObject::connect(&server, &testserver::Server::FrameReceived, &m_Loop, [this, type](int, MessageType t) {
                if (t != type || m_Clock.isValid()) return;
                m_Clock.start();
            });
    }
    double wait() {
        m_Loop.exec();
        return static_cast<double>(m_Clock.nsecsElapsed()) / 1e9;
    }

private:
    QEventLoop m_Loop;
    QElapsedTimer m_Clock;
    QMetaObject::Connection m_Connection;
    QMetaObject::Connection m_Start;
};

// Sends a keep-alive once the control has asked for the profile list: the control
// answers it only after it has handled every frame before it.
void KeepAliveAfterProfileRequest(testserver::Server& server, QObject* context) {
    auto* once = new QObject(context);
    QObject::connect(&server, &testserver::Server::FrameReceived, once,
                     [&server, once](int connection, MessageType type) {
                         if (type != MessageType::MsgProfileList) return;
                         server.SendFrame(MessageType::MsgKeepAlive, {}, connection);
                         once->deleteLater();
                     });
}

struct Editor {
    MemorySettingsStore store;
    ClientState state;
    std::unique_ptr<profiles::Component> control;
    profiles::ProfileTree* tree = nullptr; // the control's tree page
    int connection = -1; // the server's connection to it

    Editor() {
        state.SettingsStore = &store;
        control = std::make_unique<profiles::Component>(state);
        tree = control->findChild<profiles::ProfileTree*>("ProfileTree");
        control->resize(800, 600);
        control->show();
    }
    // Connects and waits until everything is loaded; seconds taken.
    double Load(testserver::Server& server) {
        FrameWait done(server, MessageType::MsgKeepAlive);
        KeepAliveAfterProfileRequest(server, control.get());
        control->setProperty("ServerPort", server.Port());
        done.startAt(server, MessageType::MsgTextTable);
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

// The least a list of captions can be held in for a view: one QString a row.
class CaptionModel final : public QAbstractListModel {
public:
    std::vector<QString> rows;
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : static_cast<int>(rows.size()); }
    QVariant data(const QModelIndex& index, int role) const override {
        return role == Qt::DisplayRole ? QVariant(rows[static_cast<std::size_t>(index.row())]) : QVariant();
    }
    void Fill(std::vector<QString> captions) {
        beginResetModel();
        rows = std::move(captions);
        endResetModel();
    }
    void MoveRow(int from, int to) {
        beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
        const auto at = rows.begin();
        if (to > from) std::rotate(at + from, at + from + 1, at + to + 1);
        else std::rotate(at + to, at + from, at + from + 1);
        endMoveRows();
    }
};

// The bare client: the same requests, frames and decoding; the sorted captions in a
// minimal model, the profiles' names in another under a shown tree view, each filled in
// one batch.
class BareClient final : public QObject {
public:
    QTcpSocket socket;
    FrameCutter cutter;
    ClientState state;
    CaptionModel menu;
    CaptionModel profiles;
    QTreeView tree;

    BareClient() {
        tree.setUniformRowHeights(true);
        tree.setHeaderHidden(true);
        tree.setModel(&profiles);
        tree.resize(300, 500);
        tree.show();
        connect(&socket, &QTcpSocket::connected, this, [this] {
            Bytes requests;
            using enum MessageType;
            for (MessageType type : {MsgTextTable, MsgServerSettings, MsgSystemList, MsgReceiverList, MsgCalendar,
                                     MsgHolidayLabelList, MsgProfileList})
                requests += BuildFrame(type, {});
            socket.write(requests.data(), static_cast<qint64>(requests.size()));
        });
        connect(&socket, &QTcpSocket::readyRead, this, [this] { read(); });
    }

private:
    void read() {
        const QByteArray bytes = socket.readAll();
        cutter.Append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        while (auto frame = cutter.Next()) {
            if (frame->Message() == MessageType::MsgKeepAlive) {
                const Bytes answer = BuildFrame(MessageType::MsgKeepAlive, {});
                socket.write(answer.data(), static_cast<qint64>(answer.size()));
                continue;
            }
            HandleServerMessage(state, frame->Message(), frame->Body);
            if (frame->Message() == MessageType::MsgReceiverList) fillMenu();
            if (frame->Message() == MessageType::MsgProfileList) fillTree();
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
        std::vector<QString> captions;
        captions.reserve(entries.size());
        for (Entry& e : entries) captions.push_back(std::move(e.caption));
        menu.Fill(std::move(captions));
    }
    void fillTree() {
        std::vector<QString> names;
        names.reserve(state.Profiles.Count());
        for (const auto& e : state.Profiles) names.push_back(platform::ToQString(e.item->GetName()));
        profiles.Fill(std::move(names));
    }
};

void FloorLoad(benchmark::State& st, int receivers) {
    testserver::Server& server = ServerFor(receivers);
    for (auto _ : st) {
        auto client = std::make_unique<BareClient>();
        FrameWait done(server, MessageType::MsgKeepAlive);
        KeepAliveAfterProfileRequest(server, client.get());
        done.startAt(server, MessageType::MsgTextTable);
        client->socket.connectToHost(QStringLiteral("127.0.0.1"), server.Port());
        st.SetIterationTime(done.wait());
        if (static_cast<int>(client->menu.rows.size()) != receivers) st.SkipWithError("the menu is not full");
        client.reset();
        server.CloseConnection();
        QCoreApplication::processEvents();
    }
}

// --- The sub-menu: build, open, lone messages while it shows --------------------------------

// Runs the event loop until the server has the keep-alive answer and, once the shown
// menu changed, until the repaint that change asked for is done; the seconds since the
// clock started (or a negative number after ten seconds).
class Settled final : public QObject {
public:
    Settled(testserver::Server& server, QObject* context) {
        m_Connection =
            QObject::connect(&server, &testserver::Server::FrameReceived, context, [this](int, MessageType type) {
                if (type == MessageType::MsgKeepAlive) m_Answered = true;
            });
    }
    ~Settled() override { QObject::disconnect(m_Connection); }
    // Watches the rows of a list: their model's changes and their widget's paint.
    void Watch(QAbstractItemView* view) {
        view->viewport()->installEventFilter(this);
        const QAbstractItemModel* model = view->model();
        const auto changed = [this] { m_Changed = true; };
        QObject::connect(model, &QAbstractItemModel::rowsMoved, this, changed);
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
        QObject::connect(model, &QAbstractItemModel::rowsInserted, this, changed);
        QObject::connect(model, &QAbstractItemModel::layoutChanged, this, changed);
        QObject::connect(model, &QAbstractItemModel::dataChanged, this, changed);
    }
    void Start(bool waitForAnswer) {
        m_Answered = !waitForAnswer;
        m_Changed = false;
        m_Painted = false;
        m_Clock.start();
    }
    void ExpectPaint() { m_Changed = true; }
    double Wait() {
        while (!(m_Answered && (!m_Changed || m_Painted))) {
            if (m_Clock.elapsed() > 10000) return -1;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return static_cast<double>(m_Clock.nsecsElapsed()) / 1e9;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_Changed) m_Painted = true;
        return false;
    }

private:
    QMetaObject::Connection m_Connection;
    QElapsedTimer m_Clock;
    bool m_Answered = false;
    bool m_Changed = false;
    bool m_Painted = false;
};

Bytes& ReceiverListFor(int receivers) {
    static std::map<int, Bytes> lists;
    Bytes& list = lists[receivers];
    if (list.empty()) list = ReceiverList(receivers);
    return list;
}

// An editor loaded with that many receivers, kept for the run.
Editor& LoadedEditor(int receivers) {
    static std::map<int, Editor*> editors;
    Editor*& editor = editors[receivers];
    if (!editor) {
        editor = new Editor;
        editor->Load(ServerFor(receivers));
        editor->connection = ServerFor(receivers).ConnectionCount() - 1;
    }
    return *editor;
}

void Key(int key) {
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup) return;
    QWidget* target = popup->focusWidget() ? popup->focusWidget() : popup;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

// Opens the editor's receiver pop-up as a right click does, its Add entry highlighted.
platform::PopupList* OpenReceiverPopup(Editor& editor) {
    if (platform::PopupList* open = platform::PopupList::Active()) open->CloseAll();
    QCoreApplication::processEvents();
    auto* menu = editor.control->findChild<platform::Menu*>("Menu_Profile_Receiver_Popup");
    platform::PopupMenu(menu, editor.control->mapToGlobal(QPoint(300, 60)));
    Key(Qt::Key_Down);
    return platform::PopupList::Active();
}

// The pop-up and its sub-menu, showing the first rows.
platform::PopupList* OpenSubMenu(Editor& editor) {
    platform::PopupList* popup = OpenReceiverPopup(editor);
    Key(Qt::Key_Right);
    platform::PopupList* sub = platform::PopupList::Active();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    return sub != popup ? sub : nullptr;
}

void Build(benchmark::State& st, int receivers) {
    Editor& editor = LoadedEditor(receivers);
    testserver::Server& server = ServerFor(receivers);
    if (platform::PopupList* open = platform::PopupList::Active()) open->CloseAll();
    const Bytes& list = ReceiverListFor(receivers);
    for (auto _ : st) {
        Settled settled(server, editor.control.get());
        settled.Start(true);
        server.SendFrame(MessageType::MsgReceiverList, list, editor.connection);
        server.SendFrame(MessageType::MsgKeepAlive, {}, editor.connection);
        const double seconds = settled.Wait();
        if (seconds < 0) st.SkipWithError("no answer");
        st.SetIterationTime(std::max(seconds, 0.0));
    }
}

// For reference: the shared decoder alone on the same list, each replacing the one before
// (the old records freed), as in the control; no sub-menu.
void DecodeList(benchmark::State& st, int receivers) {
    static ClientState state;
    const Bytes& list = ReceiverListFor(receivers);
    for (auto _ : st) {
        QElapsedTimer clock;
        clock.start();
        HandleServerMessage(state, MessageType::MsgReceiverList, list);
        st.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
}

void Open(benchmark::State& st, int receivers) {
    Editor& editor = LoadedEditor(receivers);
    testserver::Server& server = ServerFor(receivers);
    const Bytes& list = ReceiverListFor(receivers);
    for (auto _ : st) {
        // A fresh build, so that this is the first open after it.
        if (platform::PopupList* open = platform::PopupList::Active()) open->CloseAll();
        Settled built(server, editor.control.get());
        built.Start(true);
        server.SendFrame(MessageType::MsgReceiverList, list, editor.connection);
        server.SendFrame(MessageType::MsgKeepAlive, {}, editor.connection);
        built.Wait();
        platform::PopupList* popup = OpenReceiverPopup(editor);
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        // The sub-menu's list is made by the key; its first paint ends the clock.
        struct FirstPaint final : QObject {
            bool painted = false;
            bool eventFilter(QObject* o, QEvent* e) override {
                const platform::PopupList* top = platform::PopupList::Active();
                if (e->type() == QEvent::Paint && top && top->ParentList() && o == top->Rows()) painted = true;
                return false;
            }
        } firstPaint;
        qApp->installEventFilter(&firstPaint);
        QElapsedTimer clock;
        clock.start();
        Key(Qt::Key_Right);
        while (!firstPaint.painted && clock.elapsed() < 10000) QCoreApplication::processEvents();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        qApp->removeEventFilter(&firstPaint);
        if (!firstPaint.painted || platform::PopupList::Active() == popup) st.SkipWithError("the sub-menu did not show");
        st.SetIterationTime(seconds);
    }
    if (platform::PopupList* open = platform::PopupList::Active()) open->CloseAll();
}

enum class Lone { Save, Rename, Remove };

void LoneMessage(benchmark::State& st, int receivers, Lone what) {
    Editor& editor = LoadedEditor(receivers);
    testserver::Server& server = ServerFor(receivers);
    platform::PopupList* sub = OpenSubMenu(editor);
    if (!sub) {
        st.SkipWithError("the sub-menu did not open");
        return;
    }
    auto* items = editor.control->findChild<platform::MenuItemArray*>("Menu_Profile_Receiver_Popup_Add_Item");
    // The receiver at the top of the sub-menu.
    const int identity = items->Tag(0).mid(1).toInt();
    const std::string name = editor.state.Receivers.Find("K" + std::to_string(identity))->m_ReceiverName;
    Settled settled(server, editor.control.get());
    settled.Watch(sub->View());
    bool moved = false;
    for (auto _ : st) {
        Bytes body;
        if (what == Lone::Remove) {
            body = RecordRefBody(identity, name);
        } else {
            moved = what == Lone::Rename && !moved;
            const std::string shown = moved ? "zz " + name : name;
            body = RecordRefBody(identity, shown) + ReceiverForm(identity, shown);
        }
        settled.Start(true);
        server.SendFrame(what == Lone::Remove ? MessageType::MsgReceiverDelete : MessageType::MsgReceiverSave, body,
                         editor.connection);
        server.SendFrame(MessageType::MsgKeepAlive, {}, editor.connection);
        if (what != Lone::Save) settled.ExpectPaint();
        const double seconds = settled.Wait();
        if (seconds < 0) st.SkipWithError("no answer or no repaint");
        st.SetIterationTime(std::max(seconds, 0.0));
        if (what == Lone::Remove) { // put back, untimed
            st.PauseTiming();
            settled.Start(true);
            server.SendFrame(MessageType::MsgReceiverSave, RecordRefBody(-1, name) + ReceiverForm(identity, name),
                             editor.connection);
            server.SendFrame(MessageType::MsgKeepAlive, {}, editor.connection);
            settled.ExpectPaint();
            settled.Wait();
            st.ResumeTiming();
        }
    }
    if (items->Count() != receivers) st.SkipWithError("the sub-menu lost entries");
    if (platform::PopupList::Active() != sub) st.SkipWithError("the sub-menu closed");
}

// The floor: the same sorted entries in a minimal model under a QListView with uniform
// item sizes in a Qt::Popup, one row moved from one end to the other and back.
void FloorMove(benchmark::State& st, int receivers) {
    if (platform::PopupList* open = platform::PopupList::Active()) open->CloseAll();
    std::vector<std::pair<std::string, QString>> entries;
    for (int i = 1; i <= receivers; ++i) entries.emplace_back(UpperCase(ReceiverName(i)), platform::ToQString(ReceiverName(i)));
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    CaptionModel model;
    std::vector<QString> captions;
    for (auto& e : entries) captions.push_back(e.second);
    model.Fill(std::move(captions));
    QWidget popup(nullptr, Qt::Popup);
    auto* layout = new QVBoxLayout(&popup);
    layout->setContentsMargins(1, 1, 1, 1);
    auto* view = new QListView(&popup);
    view->setUniformItemSizes(true);
    view->setModel(&model);
    layout->addWidget(view);
    popup.setGeometry(300, 0, 220, 600);
    popup.show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    testserver::Server& server = ServerFor(receivers);
    Settled settled(server, &popup);
    settled.Watch(view);
    bool moved = false;
    for (auto _ : st) {
        moved = !moved;
        settled.Start(false);
        if (moved) model.MoveRow(0, receivers - 1);
        else model.MoveRow(receivers - 1, 0);
        const double seconds = settled.Wait();
        if (seconds < 0) st.SkipWithError("no repaint");
        st.SetIterationTime(std::max(seconds, 0.0));
    }
    popup.close();
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
        editor->tree->FillProfileTree({});
        st.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
}

// A figure of a benchmark that did not run (filtered out) is not a number.
bool Measured(double seconds) { return !std::isnan(seconds); }

bool Goal(const char* what, double numerator, double denominator, double goal) {
    return bench::Verdict(what, numerator / denominator, goal, 46);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-bench.conf");
    QApplication app(argc, argv);
    platform::ScopedScriptedDialogs dialogs; // a first node without a profile says so
    dialogs->ShowRealMenus();                // the pop-ups are timed as they show
    bench::PinToCurrentCore();
    auto manual = [](benchmark::internal::Benchmark* b, int iterations, benchmark::TimeUnit unit) {
        b->UseManualTime()->Iterations(iterations)->Repetitions(5)->Unit(unit);
    };
    for (int n : {2000, 20000})
        manual(benchmark::RegisterBenchmark(("profiles/full_load/" + std::to_string(n)).c_str(), FullLoad, n), 1,
               benchmark::kMillisecond);
    manual(benchmark::RegisterBenchmark("profiles/floor_load/20000", FloorLoad, 20000), 1, benchmark::kMillisecond);
    for (int n : {2000, 20000}) {
        manual(benchmark::RegisterBenchmark(("profiles/build_230/" + std::to_string(n)).c_str(), Build, n), 5,
               benchmark::kMillisecond);
        manual(benchmark::RegisterBenchmark(("profiles/open/" + std::to_string(n)).c_str(), Open, n), 5,
               benchmark::kMillisecond);
        manual(benchmark::RegisterBenchmark(("profiles/decoder_230/" + std::to_string(n)).c_str(), DecodeList, n), 5,
               benchmark::kMillisecond);
    }
    const std::pair<const char*, Lone> lone[] = {
        {"lone_240_save", Lone::Save}, {"lone_240_rename", Lone::Rename}, {"lone_241", Lone::Remove}};
    for (int n : {2000, 20000, 32767}) {
        for (const auto& [name, what] : lone)
            manual(benchmark::RegisterBenchmark(("profiles/" + std::string(name) + "/" + std::to_string(n)).c_str(),
                                                LoneMessage, n, what),
                   40, benchmark::kMicrosecond);
        manual(benchmark::RegisterBenchmark(("profiles/floor_move/" + std::to_string(n)).c_str(), FloorMove, n), 40,
               benchmark::kMicrosecond);
    }
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
    std::printf("\n");
    if (Measured(full2k) && Measured(full20k) && Measured(floor20k))
        std::printf("full load: 2,000 receivers %.1f ms, 20,000 %.1f ms, floor at 20,000 %.1f ms\n", full2k * 1e3,
                    full20k * 1e3, floor20k * 1e3);
    std::printf("sub-menu build (230): 2,000 %.2f ms, 20,000 %.2f ms; open: 2,000 %.2f ms, 20,000 %.2f ms\n",
                s("build_230/2000") * 1e3, s("build_230/20000") * 1e3, s("open/2000") * 1e3, s("open/20000") * 1e3);
    std::printf("reference: the decoder alone on the 230: 2,000 %.2f ms, 20,000 %.2f ms (%.1fx)\n",
                s("decoder_230/2000") * 1e3, s("decoder_230/20000") * 1e3, s("decoder_230/20000") / s("decoder_230/2000"));
    for (const auto& [name, what] : lone)
        std::printf("%-16s 2,000 %7.1f us, 20,000 %7.1f us, 32,767 %7.1f us\n", name, s(std::string(name) + "/2000") * 1e6,
                    s(std::string(name) + "/20000") * 1e6, s(std::string(name) + "/32767") * 1e6);
    std::printf("%-16s 2,000 %7.1f us, 20,000 %7.1f us, 32,767 %7.1f us\n", "floor_move", s("floor_move/2000") * 1e6,
                s("floor_move/20000") * 1e6, s("floor_move/32767") * 1e6);
    bool ok = true;
    ok &= Goal("full load 20k / floor 20k", full20k, floor20k, 3);
    ok &= Goal("full load 20k / full load 2k", full20k, full2k, 12);
    ok &= Goal("sub-menu build 20k / 2k", s("build_230/20000"), s("build_230/2000"), 12);
    ok &= Goal("sub-menu open 20k / 2k", s("open/20000"), s("open/2000"), 2);
    for (const auto& [name, what] : lone) {
        const std::string n(name);
        ok &= Goal((n + " 32767 / 2000").c_str(), s(n + "/32767"), s(n + "/2000"), 2);
        ok &= Goal((n + " 32767 / floor move 32767").c_str(), s(n + "/32767"), s("floor_move/32767"), 2);
    }
    ok &= Goal("lone 240 rename 20k / full load 20k", s("lone_240_rename/20000"), full20k, 0.1);
    for (const char* shape : {"flat", "nested"})
        ok &= Goal((std::string(shape) + " tree(10k) / tree(1k)").c_str(),
                   s(std::string("tree_") + shape + "/10000"), s(std::string("tree_") + shape + "/1000"), 15);
    benchmark::Shutdown();
    return ok ? 0 : 1;
}
