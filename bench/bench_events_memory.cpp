// Memory of the receive path in proportion to the data, measured on the alarm event
// viewer over loopback:
//   (a) a list of current alarms (143) of 37.5 MB: the growth of the peak resident memory
//       while it arrives and loads, against the message size        goal <= 3
//   (b) a list of 200 MiB: resident memory once it is loaded, against resident memory
//       before it arrived                                           goal <= 1.5
// The server is a child process writing the bytes on a plain socket, so that nothing of
// the sending side (the message, a write queue) counts in the viewer's memory. The peak
// is the kernel's high-water mark of this process (VmHWM), reset before each message
// through /proc/self/clear_refs. Each case runs three times; the worst figure counts.
#include "bench/benchsupport.h"
#include "controls/events/eventmessages.h"
#include "controls/events/eventscomponent.h"
#include "controls/events/eventtree.h"
#include "core/clientstate.h"
#include "core/frames.h"
#include "core/settingsstore.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

using namespace korvel;
using namespace korvel::events;

namespace {

constexpr std::size_t kListBytes = 37'500'000;
constexpr std::size_t kLargeBytes = 200u << 20;

// --- The child: a server that writes alarm lists on request ---------------------------

// A list of at least the given size: alarms with a record of 18 fields, a title and five
// lines, about 330 bytes each on the wire; identities from firstId on.
Bytes ListBody(std::size_t bytes, int32_t firstId) {
    Bytes alarms;
    int32_t count = 0;
    for (int32_t id = firstId; alarms.size() + 4 < bytes; ++id, ++count) {
        AppendLong(alarms, id);
        AppendString(alarms, "1\xFE" + std::to_string(id % 65536) +
                                 "\xFE" "2025-03-04 07:15:02\xFE" "2025-03-04 07:16:40\xFE\xFE" "7\xFE\xFE\xFE\xFE\xFE\xFE\xFE"
                                 "Breaker open\xFE" "Substation North\xFE" "Feeder 3\xFE" "Zone 2\xFE" "BR-03\xFE" "Call the duty engineer");
        AppendString(alarms, "Alarm " + std::to_string(id) + " at substation North");
        AppendInteger(alarms, static_cast<int16_t>(id % 4));
        AppendInteger(alarms, 5);
        for (int k = 0; k < 5; ++k) {
            AppendInteger(alarms, static_cast<int16_t>(3 + k));
            AppendString(alarms, "2025-03-04 07:1" + std::to_string(k) + ":00 line " + std::to_string(k));
        }
    }
    Bytes body;
    AppendLong(body, count);
    return body + alarms;
}

bool WriteAll(int fd, const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Commands on the pipe: 'L', the list size (8 bytes) and a marker identity (4 bytes): the
// list as a 143, then a new alarm (161) with the marker identity. 'Q': end.
[[noreturn]] void ServeChild(int listener, int commands) {
    const int client = ::accept(listener, nullptr, nullptr);
    char kind = 0;
    while (client >= 0 && ::read(commands, &kind, 1) == 1 && kind == 'L') {
        uint64_t size = 0;
        int32_t marker = 0;
        if (::read(commands, &size, sizeof size) != sizeof size || ::read(commands, &marker, sizeof marker) != sizeof marker)
            break;
        const Bytes list = BuildFrame(MessageType::MsgAlarmEventList, ListBody(size, 1));
        AlarmUpdate added{kAlarmAdded, marker, "0", "marker", 0, 0, {}};
        if (!WriteAll(client, list + BuildFrame(MessageType::MsgAlarmEventUpdate, BuildAlarmUpdate(added)))) break;
    }
    ::_exit(0);
}

// --- The viewer's side ---------------------------------------------------------------------

long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0) return std::stol(line.substr(n + 1));
    return -1;
}
double ResidentBytes() { return StatusKb("VmRSS") * 1024.0; }
double PeakBytes() { return StatusKb("VmHWM") * 1024.0; }
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

struct Child {
    int port = 0;
    int commands = -1;
    pid_t pid = -1;
};
Child g_Child;

bool Spin(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    QTimer wake;
    wake.start(10);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct Viewer {
    MemorySettingsStore store;
    ClientState state;
    std::unique_ptr<Component> component;
    EventTree* tree = nullptr; // the control's alarm tree, found by its name
    int32_t marker = 0;

    Viewer() {
        state.SettingsStore = &store;
        component = std::make_unique<Component>(state);
        component->resize(640, 480);
        tree = component->findChild<EventTree*>("TreeView_Event");
        component->show();
        component->setProperty("ServerPort", g_Child.port);
        component->setProperty("ServerAddress", "127.0.0.1");
        Spin([&] { return component->IsConnected(); }, 10000);
    }

    // Asks the child for a list of that size and waits until it is loaded and the marker
    // after it is in.
    bool Load(std::size_t bytes) {
        const char kind = 'L';
        const uint64_t size = bytes;
        const int32_t id = --marker; // never an identity of the list
        if (::write(g_Child.commands, &kind, 1) != 1 || ::write(g_Child.commands, &size, sizeof size) != sizeof size ||
            ::write(g_Child.commands, &id, sizeof id) != sizeof id)
            return false;
        return Spin([&] { return tree->FindAlarm(id).isValid(); }, 600000);
    }
};

Viewer& GetViewer() {
    static Viewer* viewer = new Viewer;
    return *viewer;
}

double g_WorstPeakRatio = 0, g_WorstResidentRatio = 0;

void ListPeak(benchmark::State& st) {
    Viewer& v = GetViewer();
    v.Load(100'000); // warm: the tree and its icons made once
    for (auto _ : st) {
        const double before = ResidentBytes();
        if (!ResetPeak()) st.SkipWithError("cannot reset the peak (clear_refs)");
        QElapsedTimer clock;
        clock.start();
        if (!v.Load(kListBytes)) st.SkipWithError("list not loaded");
        st.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        const double ratio = (PeakBytes() - before) / static_cast<double>(kListBytes);
        g_WorstPeakRatio = std::max(g_WorstPeakRatio, ratio);
        st.counters["peak_growth_MB"] = (PeakBytes() - before) / 1e6;
        st.counters["ratio"] = ratio;
    }
}

void LargeResident(benchmark::State& st) {
    Viewer& v = GetViewer();
    for (auto _ : st) {
        v.Load(100'000);
        const double before = ResidentBytes();
        if (!v.Load(kLargeBytes)) st.SkipWithError("list not loaded");
        Spin([] { return false; }, 200); // deferred deletions run
        const double after = ResidentBytes();
        g_WorstResidentRatio = std::max(g_WorstResidentRatio, after / before);
        st.counters["before_MB"] = before / 1e6;
        st.counters["after_MB"] = after / 1e6;
        st.counters["ratio"] = after / before;
    }
}

} // namespace

int main(int argc, char** argv) {
    // The child is made before anything of Qt exists.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int pipeEnds[2];
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe(pipeEnds) != 0) {
        std::perror("server socket");
        return 1;
    }
    g_Child.port = ntohs(address.sin_port);
    g_Child.pid = ::fork();
    if (g_Child.pid == 0) {
        ::close(pipeEnds[1]);
        ServeChild(listener, pipeEnds[0]);
    }
    ::close(pipeEnds[0]);
    ::close(listener);
    g_Child.commands = pipeEnds[1];

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KORVEL_SYSTEM_CONFIG", "/nonexistent/korvel-bench.conf");
    QApplication app(argc, argv);
    GetViewer();
    benchmark::RegisterBenchmark("events/list_peak/37.5MB", ListPeak)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
    benchmark::RegisterBenchmark("events/resident_after/200MiB", LargeResident)
        ->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
    benchmark::Initialize(&argc, argv);
    bench::FastestRepetition fastest(bench::Clock::Real);
    benchmark::RunSpecifiedBenchmarks(&fastest);

    const char quit = 'Q';
    (void)!::write(g_Child.commands, &quit, 1);
    ::close(g_Child.commands);

    bool ok = true;
    std::printf("\n");
    // The worst ratio of the benchmark's repetitions; not a number when it did not run.
    auto report = [&](const char* what, const char* benchmark, double worst, double goal) {
        ok = bench::Verdict(what, fastest.Measured(benchmark) ? worst : std::nan(""), goal, 62) && ok;
    };
    report("peak resident growth / message size, alarm list of 37.5 MB", "events/list_peak/37.5MB", g_WorstPeakRatio, 3.0);
    report("resident after / before, alarm list of 200 MiB", "events/resident_after/200MiB", g_WorstResidentRatio, 1.5);
    std::printf("(loading the 37.5 MB list: %.0f ms, fastest of 3)\n", fastest.Seconds("events/list_peak/37.5MB") * 1e3);
    std::fflush(stdout);
    GetViewer().component.reset();
    ::waitpid(g_Child.pid, nullptr, 0);
    return ok ? 0 : 1;
}
