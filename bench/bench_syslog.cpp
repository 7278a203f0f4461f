// The system log viewer taking N single log lines (166) over loopback from the
// substitute server, N = 10,000 and 100,000, in reads of one TCP segment (1,460 bytes),
// onto a full list (501 lines).
//
// The floor is the least any list showing the same thing must do for the same reads: a
// bare QListWidget of the same size takes, per read, the lines that read completes (made
// into texts beforehand: no socket, no frames, no decoding), removes the oldest beyond
// 501 in one step, adds the new ones in one step, selects the last one and scrolls to it
// once, and lets the event loop run once (as it runs between reads in the control).
// Goals, fastest of 5 repetitions in this run:
//   control(100k) / floor(100k)   <= 2
//   control(100k) / control(10k)  <= 11   (linear in the lines)
#include "platform/socketcontrol.h"
#include "bench/benchsupport.h"
#include "bench/pacedreads.h"
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

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using SysLog = korvel::syslog::Component;

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 400;

Bytes Line(int i, const char* tag) {
    return "2025-03-03 07:" + std::to_string(10 + i % 50) + ":00 " + tag + " line " + std::to_string(i) +
           " of the alarm server's system log";
}

std::vector<Bytes> Lines(int count, const char* tag) {
    std::vector<Bytes> lines;
    for (int i = 0; i < count; ++i) lines.push_back(Line(i, tag));
    return lines;
}

// N lines as 166 frames, where the stream is cut, and the lines each piece completes.
struct Workload {
    Bytes stream;
    std::vector<std::size_t> pieceEnds;
    std::vector<QStringList> linesPerPiece;
    QString last;
};

const Workload& GetWorkload(int n) {
    static std::map<int, Workload> loads;
    Workload& w = loads[n];
    if (!w.stream.empty()) return w;
    const std::vector<Bytes> lines = Lines(n, "new");
    std::vector<std::size_t> frameEnds;
    for (const Bytes& line : lines) {
        w.stream += testserver::EncodeFrame(MessageType::MsgSysLogLine, testserver::LogLineBody(line));
        frameEnds.push_back(w.stream.size());
    }
    w.pieceEnds = bench::PieceEnds(w.stream.size());
    const auto first = bench::FramesCompletedBy(w.pieceEnds, frameEnds);
    for (std::size_t k = 0; k + 1 < first.size(); ++k) {
        QStringList piece;
        for (std::size_t i = first[k]; i < first[k + 1]; ++i)
            piece.push_back(QString::fromLatin1(lines[i].data(), static_cast<qsizetype>(lines[i].size())));
        w.linesPerPiece.push_back(std::move(piece));
    }
    w.last = QString::fromStdString(lines.back());
    return w;
}

// The control, connected to the substitute server. Made once and never destroyed: its
// widgets must not outlive the application object.
struct Viewer {
    testserver::Server server;
    MemorySettingsStore store;
    ClientState state;
    std::unique_ptr<SysLog> control;
    std::unique_ptr<bench::PacedReads> paced;

    Viewer() {
        testserver::SampleData data;
        testserver::MakeSampleData("empty", data);
        server.SetData(data);
        server.Listen();
        state.SettingsStore = &store;
        control = std::make_unique<SysLog>(state);
        control->resize(kWidth, kHeight);
        control->show();
        control->setProperty("ServerPort", server.Port());
        control->setProperty("ServerAddress", "127.0.0.1");
        testserver::Server::WaitFor([&] { return !List().isHidden(); }, 10000);
        paced = std::make_unique<bench::PacedReads>(server, *control->findChild<platform::SocketControl*>(QStringLiteral("Winsock_ActiveXClient")));
    }

    const platform::ListBox& List() const { return *control->findChild<platform::ListBox*>("List_SysLog"); }

    // A full list of old lines, shown (not timed).
    bool Refill() {
        static int run = 0;
        const std::string tag = "old " + std::to_string(++run);
        server.SendFrame(MessageType::MsgSysLogList, testserver::LogBody(Lines(SysLog::kMaxLines, tag.c_str())));
        const QString last = QString::fromStdString(Line(SysLog::kMaxLines - 1, tag.c_str()));
        const platform::ListBox& list = List();
        return testserver::Server::WaitFor(
            [&] { return list.ListCount() == SysLog::kMaxLines && list.ItemText(list.ListCount() - 1) == last; },
            60000);
    }
};

Viewer& GetViewer() {
    static Viewer* viewer = new Viewer;
    return *viewer;
}

void Control(benchmark::State& st, int n) {
    Viewer& v = GetViewer();
    const Workload& w = GetWorkload(n);
    const platform::ListBox& list = v.List();
    for (auto _ : st) {
        if (!v.Refill()) st.SkipWithError("the log was not shown");
        QElapsedTimer clock;
        clock.start();
        const bool sent = v.paced->SendAll(w.stream, w.pieceEnds);
        st.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        if (!sent || list.ListCount() != SysLog::kMaxLines || list.ItemText(SysLog::kMaxLines - 1) != w.last ||
            list.ListIndex() != SysLog::kMaxLines - 1)
            st.SkipWithError("the lines were not shown");
    }
    st.counters["reads"] = static_cast<double>(w.pieceEnds.size());
}

void Floor(benchmark::State& st, int n) {
    const Workload& w = GetWorkload(n);
    static QListWidget* list = [] {
        auto* l = new QListWidget;
        l->setUniformItemSizes(true);
        l->resize(kWidth, kHeight);
        l->show();
        return l;
    }();
    QStringList full;
    for (const Bytes& line : Lines(SysLog::kMaxLines, "old")) full.push_back(QString::fromStdString(line));
    for (auto _ : st) {
        list->clear();
        list->addItems(full);
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        for (const QStringList& lines : w.linesPerPiece) {
            if (!lines.isEmpty()) {
                const int count = list->count();
                const int n = static_cast<int>(lines.size());
                list->model()->removeRows(0, std::clamp(count + n - SysLog::kMaxLines, 0, count));
                list->insertItems(list->count(), lines);
                list->setCurrentRow(list->count() - 1);
                list->scrollToItem(list->item(list->count() - 1));
            }
            QCoreApplication::processEvents();
        }
        st.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        if (list->item(list->count() - 1)->text() != w.last) st.SkipWithError("floor lost lines");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-bench.conf");
    QApplication app(argc, argv);
    GetViewer();
    for (int n : {10000, 100000}) {
        const std::string name = std::to_string(n);
        benchmark::RegisterBenchmark(("syslog/control/" + name).c_str(), Control, n)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
        benchmark::RegisterBenchmark(("syslog/floor/" + name).c_str(), Floor, n)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
    }
    benchmark::Initialize(&argc, argv);
    bench::FastestRepetition fastest(bench::Clock::Real);
    benchmark::RunSpecifiedBenchmarks(&fastest);

    auto at = [&](const char* what, int n) { return fastest.Seconds("syslog/" + std::string(what) + "/" + std::to_string(n)); };
    std::printf("\n");
    bool ok = true;
    ok &= bench::Verdict("control(100k) / floor(100k)", at("control", 100000) / at("floor", 100000), 2.0, 40);
    ok &= bench::Verdict("control(100k) / control(10k)", at("control", 100000) / at("control", 10000), 11.0, 40);
    std::printf("(control(10k) / floor(10k): %.2f)\n", at("control", 10000) / at("floor", 10000));
    std::fflush(stdout);
    return ok ? 0 : 1;
}
