// The system log viewer showing a large log over loopback from the substitute server:
// one 144 with N lines, then N single 166 lines, for N = 10,000 and 100,000.
//
// The floor is a bare QListWidget of the same size doing what the control must show:
// for each of the 2N lines, drop the oldest beyond 501, add the line, select it.
// Goals, measured in this run (fastest of the repetitions):
//   control(100k) / floor(100k)   <= 1.5
//   control(100k) / control(10k)  <= 11   (linear in the lines)
#include "controls/syslog/syslogcomponent.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/settingsstore.h"
#include "platform/listbox.h"
#include "testserver/frameio.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace korvel;

namespace {

constexpr int kRepetitions = 3;
constexpr int kWidth = 600;
constexpr int kHeight = 400;

std::vector<Bytes> MakeLines(int count, const char* tag) {
    std::vector<Bytes> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        lines.push_back("2025-03-03 07:" + std::to_string(10 + i % 50) + ":00 " + tag + " line " +
                        std::to_string(i) + " of the alarm server's system log");
    return lines;
}

struct Input {
    Bytes Log;      // one 144 frame
    Bytes Singles;  // N 166 frames
    QString Last;   // the last line, as shown
};

Input MakeInput(int n, int run) {
    Input in;
    const std::string tag = "run " + std::to_string(run);
    in.Log = testserver::EncodeFrame(144, testserver::LogBody(MakeLines(n, (tag + " old").c_str())));
    const std::vector<Bytes> singles = MakeLines(n, (tag + " new").c_str());
    in.Singles.reserve(singles.size() * 80);
    for (const Bytes& line : singles) in.Singles += testserver::EncodeFrame(166, testserver::LogLineBody(line));
    in.Last = QString::fromStdString(singles.back());
    return in;
}

// Seconds for the control to show the 144 and the N lines after it.
double TimeControl(testserver::Server& server, syslog::Component& control, const Input& in) {
    const platform::ListBox& list = control.List_SysLog();
    QElapsedTimer clock;
    clock.start();
    server.SendRaw(in.Log);
    server.SendRaw(in.Singles);
    testserver::Server::WaitFor(
        [&] {
            return list.ListCount() == syslog::Component::kMaxLines && !list.isHidden() &&
                   list.ItemText(list.ListCount() - 1) == in.Last && list.ListIndex() == list.ListCount() - 1;
        },
        600000);
    QCoreApplication::processEvents();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// Seconds for a bare list widget to take the same 2N lines one by one.
double TimeFloor(int n) {
    const std::vector<Bytes> old = MakeLines(n, "old");
    const std::vector<Bytes> fresh = MakeLines(n, "new");
    QListWidget list;
    list.setUniformItemSizes(true);
    list.resize(kWidth, kHeight);
    list.show();
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    list.clear();
    for (const auto* lines : {&old, &fresh}) {
        for (const Bytes& line : *lines) {
            if (list.count() >= syslog::Component::kMaxLines) delete list.takeItem(0);
            list.addItem(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
            list.setCurrentRow(list.count() - 1);
        }
    }
    QCoreApplication::processEvents();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

bool Report(const char* what, double ratio, double goal) {
    const bool pass = ratio <= goal;
    std::printf("%-44s %6.3f  (goal <= %.1f)  %s\n", what, ratio, goal, pass ? "PASS" : "FAIL");
    return pass;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-bench.conf");
    QApplication app(argc, argv);

    testserver::Server server;
    if (!server.Listen()) return 1;
    testserver::SampleData data;
    testserver::MakeSampleData("empty", data);
    server.SetData(data);

    MemorySettingsStore store;
    ClientState state;
    state.SettingsStore = &store;
    syslog::Component control(state);
    control.resize(kWidth, kHeight);
    control.show();
    control.setProperty("ServerPort", server.Port());
    control.setProperty("ServerAddress", "127.0.0.1");
    if (!testserver::Server::WaitFor([&] { return !control.List_SysLog().isHidden(); }, 10000)) {
        std::fprintf(stderr, "the control did not connect\n");
        return 1;
    }

    struct Size {
        int n;
        double control = 1e300;
        double floor = 1e300;
    };
    Size sizes[] = {{10000}, {100000}};
    for (Size& s : sizes) {
        TimeControl(server, control, MakeInput(s.n, -1)); // warm-up
        for (int r = 0; r < kRepetitions; ++r) {
            const Input in = MakeInput(s.n, r); // each run ends on lines of its own
            s.control = std::min(s.control, TimeControl(server, control, in));
            s.floor = std::min(s.floor, TimeFloor(s.n));
        }
        std::printf("N = %6d: control %8.1f ms, bare list widget %8.1f ms\n", s.n, s.control * 1e3, s.floor * 1e3);
    }
    bool ok = true;
    ok &= Report("control(100k) / bare list widget(100k)", sizes[1].control / sizes[1].floor, 1.5);
    ok &= Report("control(10k) / bare list widget(10k)", sizes[0].control / sizes[0].floor, 1.5);
    ok &= Report("control(100k) / control(10k)", sizes[1].control / sizes[0].control, 11.0);
    return ok ? 0 : 1;
}
