#pragma once
// What the benchmarks share: a reporter that keeps the fastest repetition of every
// benchmark (the machine is shared, so the fastest run is the one other load disturbed
// least), and pinning the run to one core.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <sched.h>
#include <string>
#include <vector>

namespace korvel::bench {

// Which time a benchmark's figure is: CPU time of this process, or the wall clock
// (for benchmarks whose work happens in a server or the event loop, or that time
// themselves with manual time).
enum class Clock { Cpu, Real };

class FastestRepetition final : public benchmark::ConsoleReporter {
public:
    explicit FastestRepetition(Clock clock) : m_Clock(clock) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0) continue;
            const double total = m_Clock == Clock::Cpu ? r.cpu_accumulated_time : r.real_accumulated_time;
            Best& best = m_Best[r.run_name.function_name];
            const double s = total / static_cast<double>(r.iterations);
            if (s < best.seconds) {
                best.seconds = s;
                best.counters.clear();
                for (const auto& [name, counter] : r.counters) best.counters[name] = counter.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Seconds per iteration of the fastest repetition (a very large number when none ran).
    double Seconds(const std::string& name) const {
        auto it = m_Best.find(name);
        return it == m_Best.end() ? 1e300 : it->second.seconds;
    }
    // A counter of that fastest repetition, 0 when it has none.
    double Counter(const std::string& name, const std::string& counter) const {
        auto it = m_Best.find(name);
        if (it == m_Best.end()) return 0;
        auto c = it->second.counters.find(counter);
        return c == it->second.counters.end() ? 0 : c->second;
    }

private:
    struct Best {
        double seconds = 1e300;
        std::map<std::string, double> counters;
    };
    Clock m_Clock;
    std::map<std::string, Best> m_Best;
};

// Keeps the whole run on the core it started on: a thread that moves between cores
// leaves its caches behind.
inline void PinToCurrentCore() {
    const int cpu = sched_getcpu();
    if (cpu < 0) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    sched_setaffinity(0, sizeof set, &set);
}

} // namespace korvel::bench
