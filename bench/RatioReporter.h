#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

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
        std::printf("%s: %.2f (limit %.1f)\n", label, ratio, limit);
        std::fflush(stdout);
    }

private:
    std::map<std::string, double> m_times;
};

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
