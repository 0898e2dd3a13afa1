#pragma once

#include <QtGlobal>

#include <chrono>
#include <functional>

namespace testsupport {

// What one run of something asynchronous cost: whether it ended in time, how long it took, and how
// far the process's resident memory rose above where it was at the start.
struct BoundedRun {
    bool ended = false;
    std::chrono::milliseconds elapsed{};
    qint64 memoryGrowth = 0;
};

// The bounds of a reader of hostile input, however much the other side sends and however slowly.
inline constexpr std::chrono::milliseconds kHostileTimeBound{15'000};
inline constexpr qint64 kHostileMemoryBound = qint64{200} * 1024 * 1024;

// Calls start(), then turns the event loop until ended() is true or `bound` has passed, measuring
// time and the peak of resident memory (the kernel's high-water mark, reset before the start).
BoundedRun runBounded(const std::function<void()>& start, const std::function<bool()>& ended,
                      std::chrono::milliseconds bound = kHostileTimeBound);

// Fails the running test when the run did not end, or ended past the time or memory bound.
void expectWithinBounds(const BoundedRun& run, std::chrono::milliseconds bound = kHostileTimeBound,
                        qint64 memoryBound = kHostileMemoryBound);

} // namespace testsupport
