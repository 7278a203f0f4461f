// The active profiles control answering a host's IsProfileEnabled by name, with 1,000 and
// 10,000 profiles in the control's collection (area "North", every profile in it).
// A host asks about the profiles it switches: the same calls are timed at both sizes, for
// the first, a middle and the last profile of the collection (by their shown names, in
// another case than stored) and for a name that matches none.
// Goal, measured in this run (fastest of the repetitions, per call):
//   call(10k) / call(1k) <= 2   (a look-up does not grow with the number of profiles)
// For reference, without a goal: every profile asked for once (and as many names that
// match none), where the index no longer fits the processor's fastest caches at 10,000;
// and the same names found by a scan of every profile, as the look-up was made before.
//
// Then the tree under lone messages from the substitute server over loopback, with 1,000
// and 10,000 profiles in it: a 220 that switches the profile shown in the middle of the
// tree, a 210 that renames it, a 211 that removes it and a 210 that brings it back (the
// node added at the bottom, which is in view). Each is timed from the server's send to
// the end of the tree's next repaint that shows it, fastest of the repetitions.
// Goal, per message: one message at 10,000 profiles / at 1,000 <= 2 (the cost follows
// the change, not the tree).
#include "controls/activeprofiles/activeprofilescomponent.h"
#include "controls/profileswitch/profileswitch.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "core/settingsstore.h"
#include "platform/treeview.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace korvel;

namespace {

constexpr int kRepetitions = 7;

struct Figures {
    double same = 0;  // seconds per call, the same few names
    double every = 0; // seconds per call, every profile once and as many misses
    double scan = 0;  // seconds per look-up by a scan of every profile, the same names
};

double Fastest(activeprofiles::Component& control, const std::vector<QString>& asked, long& enabled) {
    double best = 1e300;
    for (int rep = 0; rep < kRepetitions; ++rep) {
        QElapsedTimer clock;
        clock.start();
        for (const QString& name : asked) enabled += control.IsProfileEnabled(name);
        best = std::min(best, static_cast<double>(clock.nsecsElapsed()) / 1e9 / static_cast<double>(asked.size()));
    }
    return best;
}

Figures Measure(int profiles) {
    MemorySettingsStore store;
    ClientState state;
    state.SettingsStore = &store;
    activeprofiles::Component control(state);
    control.setProperty("Area", "North");
    std::vector<QString> every;
    for (int i = 1; i <= profiles; ++i) {
        auto p = std::make_shared<cProfile>();
        p->m_DiskIdentity = static_cast<int16_t>(i);
        p->m_Enabled = i % 3 ? -1 : 0;
        p->SetName(state, "North\\Profile " + std::to_string((i * 7919) % 100003));
        state.Profiles.Add(RecordKey(i), p);
        every.push_back(QStringLiteral("PROFILE %1").arg((i * 7919) % 100003));
        every.push_back(QStringLiteral("Nobody %1").arg(i));
    }
    std::vector<QString> same;
    for (int round = 0; round < 2000; ++round)
        for (int i : {1, profiles / 2, profiles})
            same.push_back(QStringLiteral("profile %1").arg((i * 7919) % 100003));
    same.push_back(QStringLiteral("Nobody"));
    long enabled = 0;
    Figures f;
    f.same = Fastest(control, same, enabled);
    f.every = Fastest(control, every, enabled);
    QElapsedTimer clock;
    clock.start();
    long found = 0;
    for (const QString& name : same) found += profileswitch::FindProfileByShownName(state, name.toStdString()) != nullptr;
    f.scan = static_cast<double>(clock.nsecsElapsed()) / 1e9 / static_cast<double>(same.size());
    if (found == 0) std::fprintf(stderr, "the scan found nothing\n");
    if (enabled >= 0) std::fprintf(stderr, "no profile answered as enabled\n");
    return f;
}

// --- Lone messages over loopback ----------------------------------------------------------

Bytes ProfileForm(ClientState& state, int16_t identity, const std::string& name, bool enabled) {
    cProfile p;
    p.m_DiskIdentity = identity;
    p.m_Enabled = enabled ? -1 : 0;
    p.SetName(state, name);
    p.m_TimeSchedule = std::make_shared<cTimeSchedule>();
    p.m_TimeSchedule->SetDefaultPeriod();
    Bytes b;
    AppendLong(b, identity);
    AppendString(b, name);
    p.AppendNetworkBytes(b);
    return b;
}

std::string ShownName(int i) { return "Profile " + std::to_string((i * 7919) % 100003); }

// Counts the paints of a widget.
class Paints final : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

struct MessageFigures {
    double save = 1e300, rename = 1e300, remove = 1e300, add = 1e300; // seconds, fastest
};

MessageFigures MeasureMessages(int profiles) {
    ClientState form;
    testserver::SampleData data;
    Bytes list;
    AppendLong(list, profiles);
    for (int i = 1; i <= profiles; ++i) list += ProfileForm(form, static_cast<int16_t>(i), ShownName(i), i % 3 != 0);
    data.Answers[MessageType::MsgProfileList] = {{MessageType::MsgProfileList, list}};
    testserver::Server server;
    server.SetData(data);
    server.Listen();

    MemorySettingsStore store;
    ClientState state;
    state.SettingsStore = &store;
    activeprofiles::Component control(state);
    control.resize(400, 600);
    control.show();
    control.setProperty("ServerPort", server.Port());
    control.setProperty("ServerAddress", "127.0.0.1");
    auto& tree = *control.findChild<platform::TreeView*>(QStringLiteral("TreeView_Profiles"));
    MessageFigures f;
    if (!testserver::Server::WaitFor([&] { return tree.isVisible() && tree.NodeCount() == profiles; }, 60000)) {
        std::fprintf(stderr, "the tree of %d profiles did not fill\n", profiles);
        return f;
    }
    Paints paints;
    tree.viewport()->installEventFilter(&paints);
    // One message: from the send to the end of the paint after the tree shows it.
    auto timed = [&](MessageType type, const Bytes& body, const std::function<bool()>& shown) {
        QCoreApplication::processEvents();
        const int before = paints.count;
        QElapsedTimer clock;
        clock.start();
        server.SendFrame(type, body);
        // The event loop runs without pause, so the clock stops as the paint ends.
        bool done = false;
        while (!(done = shown() && paints.count > before) && clock.elapsed() < 10000) QCoreApplication::processEvents();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        if (!done) std::fprintf(stderr, "message %d was not shown\n", Number(type));
        return done ? seconds : 1e300;
    };
    const int middle = profiles / 2;
    for (int round = 0; round < 15; ++round) {
        const int i = middle + round;
        const QString key = QStringLiteral("K%1").arg(i);
        tree.EnsureVisible(key);
        const bool enabled = tree.Image(key) == activeprofiles::Component::kImageEnabled;
        Bytes body;
        AppendLong(body, i);
        AppendString(body, ShownName(i));
        AppendInteger(body, enabled ? 0 : -1);
        const int want = enabled ? activeprofiles::Component::kImageDisabled : activeprofiles::Component::kImageEnabled;
        f.save = std::min(f.save, timed(MessageType::MsgProfileEnableOrDisable, body,
                                        [&] { return tree.Image(key) == want; }));
        const QString renamed = QStringLiteral("Renamed %1").arg(i);
        f.rename = std::min(f.rename, timed(MessageType::MsgProfileSave,
                                            ProfileForm(form, static_cast<int16_t>(i), renamed.toStdString(), true),
                                            [&] { return tree.Text(key) == renamed; }));
        Bytes ref;
        AppendLong(ref, i);
        AppendString(ref, renamed.toStdString());
        f.remove = std::min(f.remove, timed(MessageType::MsgProfileDelete, ref, [&] { return !tree.Exists(key); }));
        tree.scrollToBottom();
        f.add = std::min(f.add, timed(MessageType::MsgProfileSave,
                                      ProfileForm(form, static_cast<int16_t>(i), ShownName(i), true),
                                      [&] { return tree.Exists(key); }));
    }
    tree.viewport()->removeEventFilter(&paints);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-bench.conf");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Figures small = Measure(1000);
    const Figures large = Measure(10000);
    std::printf("IsProfileEnabled per call, the same names: 1,000 profiles %.3f us, 10,000 profiles %.3f us\n",
                small.same * 1e6, large.same * 1e6);
    std::printf("IsProfileEnabled per call, every name:     1,000 profiles %.3f us, 10,000 profiles %.3f us\n",
                small.every * 1e6, large.every * 1e6);
    const double ratio = large.same / small.same;
    const bool pass = ratio <= 2.0;
    std::printf("ratio call(10k)/call(1k) %6.2f goal <= 2 %s\n", ratio, pass ? "PASS" : "FAIL");
    std::printf("reference every name asked, per call 10k/1k %6.2f\n", large.every / small.every);
    std::printf("reference a scan of every profile per call: 1,000 profiles %.1f us, 10,000 profiles %.1f us\n",
                small.scan * 1e6, large.scan * 1e6);

    const MessageFigures one = MeasureMessages(1000);
    const MessageFigures ten = MeasureMessages(10000);
    bool messages = true;
    auto line = [&](const char* what, double a, double b) {
        const double r = b / a;
        const bool ok = r <= 2.0;
        messages = messages && ok;
        std::printf("%-26s 1,000 profiles %7.3f ms, 10,000 profiles %7.3f ms\n", what, a * 1e3, b * 1e3);
        std::printf("ratio %s 10k/1k %6.2f goal <= 2 %s\n", what, r, ok ? "PASS" : "FAIL");
    };
    line("lone 220 (switch)", one.save, ten.save);
    line("lone 210 (rename)", one.rename, ten.rename);
    line("lone 211 (remove)", one.remove, ten.remove);
    line("lone 210 (add)", one.add, ten.add);
    return pass && messages ? 0 : 1;
}
