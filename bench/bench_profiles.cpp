// The profiles editor rebuilding its tree (message 200) from N profiles, N = 1,000 and
// 10,000: flat names, and nested names three levels deep (child profiles on) whose
// parents come after their children half of the time.
//
// Goal, measured in this run (fastest of the repetitions): the tree grows linearly,
//   tree(10k) / tree(1k) <= 15        (for both shapes; 10 is linear)
// The floor for comparison is a bare QTreeWidget given the same number of top-level
// items with their texts and icons, reported alongside.
#include "controls/profiles/profilescomponent.h"

#include "core/clientstate.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/treeview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <memory>
#include <string>

using namespace korvel;

namespace {

constexpr int kRepetitions = 5;

std::string FlatName(int i) { return (i % 2 ? "Profile " : "profile ") + std::to_string((i * 7919) % 100003); }

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

void Fill(ClientState& state, int n, bool nested) {
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
}

double TimeTree(profiles::Component& c) {
    QElapsedTimer t;
    t.start();
    c.FillProfileTree({});
    return t.nsecsElapsed() / 1e9;
}

double TimeFloor(QTreeWidget& tree, const ClientState& state) {
    QElapsedTimer t;
    t.start();
    tree.clear();
    QList<QTreeWidgetItem*> items;
    for (const auto& e : state.Profiles) {
        auto* item = new QTreeWidgetItem(QStringList{QString::fromLatin1(e.item->GetName())});
        items.push_back(item);
    }
    tree.addTopLevelItems(items);
    return t.nsecsElapsed() / 1e9;
}

double Fastest(const std::function<double()>& run) {
    double best = 1e9;
    for (int r = 0; r < kRepetitions; ++r) best = std::min(best, run());
    return best;
}

bool Report(const char* what, double ratio, double goal) {
    const bool pass = ratio <= goal;
    std::printf("%-36s %7.3f  (goal <= %.1f)  %s\n", what, ratio, goal, pass ? "PASS" : "FAIL");
    return pass;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-bench.conf");
    QApplication app(argc, argv);
    platform::ScopedScriptedDialogs dialogs; // a first node without a profile says so
    MemorySettingsStore store;
    ClientState state;
    state.SettingsStore = &store;
    profiles::Component control(state);
    control.resize(800, 600);
    QTreeWidget floor;

    bool ok = true;
    for (bool nested : {false, true}) {
        Fill(state, 1000, nested);
        const double small = Fastest([&] { return TimeTree(control); });
        const double floorSmall = Fastest([&] { return TimeFloor(floor, state); });
        Fill(state, 10000, nested);
        const double large = Fastest([&] { return TimeTree(control); });
        const double floorLarge = Fastest([&] { return TimeFloor(floor, state); });
        std::printf("%s: tree 1k %.4f s, 10k %.4f s; bare tree 1k %.4f s, 10k %.4f s\n", nested ? "nested" : "flat",
                    small, large, floorSmall, floorLarge);
        ok &= Report(nested ? "nested tree(10k) / tree(1k)" : "flat tree(10k) / tree(1k)", large / small, 15.0);
    }
    return ok ? 0 : 1;
}
