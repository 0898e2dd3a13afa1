#pragma once

// What a program started by the start-up benchmark reports: the moment it first painted what is
// measured (CLOCK_MONOTONIC, which every process shares) and the most memory it has held resident
// until then (VmHWM).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace bench {

inline long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

inline long long peakResidentKibibytes() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) {
        return 0;
    }
    char line[256];
    long long kibibytes = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kibibytes = std::atoll(line + 6);
            break;
        }
    }
    std::fclose(status);
    return kibibytes;
}

// Prints "<monotonic nanoseconds> <peak resident kibibytes>" and ends the process at once. With
// SMAPS_DUMP naming a file, it first copies /proc/self/smaps there: what is mapped and resident at
// that moment, mapping by mapping.
[[noreturn]] inline void reportAndExit() {
    const long long now = monotonicNanoseconds();
    if (const char* dump = std::getenv("SMAPS_DUMP")) {
        FILE* in = std::fopen("/proc/self/smaps", "r");
        FILE* out = std::fopen(dump, "w");
        char buffer[4096];
        size_t n = 0;
        while (in && out && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            std::fwrite(buffer, 1, n, out);
        if (in)
            std::fclose(in);
        if (out)
            std::fclose(out);
    }
    std::printf("%lld %lld\n", now, peakResidentKibibytes());
    std::fflush(stdout);
    std::_Exit(0);
}

} // namespace bench
