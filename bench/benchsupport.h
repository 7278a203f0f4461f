#pragma once
// What the benchmarks share: a reporter that keeps the fastest repetition of every
// benchmark (the machine is shared, so the fastest run is the one other load disturbed
// least), the verdict line of a goal, and pinning the run to one core.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
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

    // Whether the benchmark ran in this run (a --benchmark_filter may leave it out).
    bool Measured(const std::string& name) const { return m_Best.count(name) != 0; }
    // Seconds per iteration of the fastest repetition; not a number when none ran, so
    // that a ratio made with it is not a number either (see Verdict).
    double Seconds(const std::string& name) const {
        auto it = m_Best.find(name);
        return it == m_Best.end() ? std::numeric_limits<double>::quiet_NaN() : it->second.seconds;
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

// The verdict line of a goal stated as a ratio: "ratio <what> <ratio> goal <= <goal>
// PASS" (or FAIL), the name padded to `width`; "ratio <what> not measured in this run"
// when the ratio is not a number, a figure of it being of a benchmark that did not run.
// Returns false only for a measured ratio above its goal.
inline bool Verdict(const std::string& what, double ratio, double goal, int width = 48) {
    if (std::isnan(ratio)) {
        std::printf("ratio %-*s not measured in this run\n", width, what.c_str());
        return true;
    }
    const bool pass = ratio <= goal;
    std::printf("ratio %-*s %7.3f  goal <= %-5g %s\n", width, what.c_str(), ratio, goal, pass ? "PASS" : "FAIL");
    return pass;
}

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
