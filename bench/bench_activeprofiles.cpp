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
#include "controls/activeprofiles/activeprofilescomponent.h"
#include "controls/activeprofiles/profileswitch.h"

#include "core/clientstate.h"
#include "core/records/profile.h"
#include "core/settingsstore.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
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
    for (const QString& name : same) found += activeprofiles::FindProfileByShownName(state, name.toStdString()) != nullptr;
    f.scan = static_cast<double>(clock.nsecsElapsed()) / 1e9 / static_cast<double>(same.size());
    if (found == 0) std::fprintf(stderr, "the scan found nothing\n");
    if (enabled >= 0) std::fprintf(stderr, "no profile answered as enabled\n");
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
    return pass ? 0 : 1;
}
