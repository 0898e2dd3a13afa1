#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <map>
#include <string>
#include <vector>

namespace bench {

// Prints the usual console table and keeps each benchmark's time per iteration, so that a
// program can end with the ratio of two benchmarks measured in the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
    }

    double time(const std::string& name) const {
        const auto it = m_times.find(name);
        return it == m_times.end() ? 0.0 : it->second;
    }

    // "<label>: <measured/baseline> (limit <limit>)"
    void printRatio(const char* label, const std::string& measured, const std::string& baseline,
                    double limit) const {
        const double base = time(baseline);
        printLine(label, base > 0 ? time(measured) / base : 0.0, limit);
    }

    // "<label>: <ratio> (limit <limit>)", for a ratio computed some other way; bench/run reads
    // these lines into its summary.
    static void printLine(const char* label, double ratio, double limit) {
        std::printf("%s: %.2f (limit %g)\n", label, ratio, limit);
        std::fflush(stdout);
    }

private:
    std::map<std::string, double> m_times;
};

// The median of some times; 0 for none.
inline double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The times, in seconds, of a piece of work and of its baseline taken in alternation.
struct Alternation {
    std::vector<double> measured;
    std::vector<double> baseline;
    bool failed = false;

    // The ratio of the medians: neither one stall of a shared machine nor a slow drift of its load
    // moves it, since both sides are taken in the same moments.
    double ratio() const {
        const double base = median(baseline);
        return base > 0 ? median(measured) / base : 0.0;
    }
};

// Runs the work and its baseline (each returns false when it failed) in alternating blocks: each
// block calls one side once untimed, then `timedPerBlock` times timed; the side that goes first
// turns each round. Each side is timed in its own steady state (the memory allocator, the caches
// and the file system as its own previous call left them, which is what a later call of the same
// work meets), while a drift of the machine's load weighs on both alike.
template <typename Measured, typename Baseline>
Alternation alternate(int rounds, int timedPerBlock, Measured&& measured, Baseline&& baseline) {
    using Clock = std::chrono::steady_clock;
    Alternation times;
    for (int round = 0; round < rounds && !times.failed; ++round) {
        for (int turn = 0; turn < 2 && !times.failed; ++turn) {
            const bool measuredTurn = (round + turn) % 2 == 0;
            const auto call = [&] { return measuredTurn ? measured() : baseline(); };
            times.failed = !call();
            for (int i = 0; i < timedPerBlock && !times.failed; ++i) {
                const Clock::time_point start = Clock::now();
                times.failed = !call();
                const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
                (measuredTurn ? times.measured : times.baseline).push_back(seconds);
            }
        }
    }
    return times;
}

// Hands times taken beforehand to a benchmark as its iterations (for benchmarks registered with
// UseManualTime and as many iterations as there are times), so that the table shows them.
inline void replay(benchmark::State& state, const std::vector<double>& seconds, bool failed) {
    if (failed || seconds.empty()) {
        state.SkipWithError("the work failed");
        return;
    }
    size_t next = 0;
    for (auto _ : state) {
        state.SetIterationTime(seconds[next++ % seconds.size()]);
    }
}

// Makes the C library's allocator keep the memory it has been given. By default it hands the top of
// its heap back to the system whenever enough of it is free, and takes pages again (each faulted in
// and zeroed by the kernel) at the next call that needs them; whether a given run crosses that line
// depends on where the system placed the heap, which changes from run to run. Taken in alternation,
// one side would then pay now and then for the pages the other side gave back. With the heap kept,
// each side is timed on its own work, in every run alike.
inline void keepHeap() {
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
}

// Runs the registered benchmarks with the reporter; false when arguments were not understood.
inline bool runBenchmarks(int argc, char** argv, RatioReporter& reporter) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return false;
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return true;
}

} // namespace bench
