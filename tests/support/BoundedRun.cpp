#include "tests/support/BoundedRun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace testsupport {

namespace {

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM"); 0 when it cannot be read.
qint64 statusField(const QByteArray& name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

// Sets the high-water mark of resident memory back to what is resident now; false where it cannot.
bool resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

} // namespace

BoundedRun runBounded(const std::function<void()>& start, const std::function<bool()>& ended,
                      std::chrono::milliseconds bound) {
    const bool peakKept = resetPeak();
    const qint64 before = statusField("VmRSS");
    qint64 highest = before;
    QElapsedTimer clock;
    clock.start();
    start();
    const bool finished = QTest::qWaitFor(
        [&] {
            // Where the kernel keeps no high-water mark, the resident size is sampled instead.
            if (!peakKept)
                highest = std::max(highest, statusField("VmRSS"));
            return ended();
        },
        static_cast<int>(bound.count()));
    const auto elapsed = std::chrono::milliseconds(clock.elapsed());
    highest = std::max(highest, peakKept ? statusField("VmHWM") : statusField("VmRSS"));
    return {finished, elapsed, highest - before};
}

void expectWithinBounds(const BoundedRun& run, std::chrono::milliseconds bound, qint64 memoryBound) {
    EXPECT_TRUE(run.ended) << "still running after " << bound.count() << " ms";
    EXPECT_LE(run.elapsed, bound);
    EXPECT_LE(run.memoryGrowth, memoryBound)
        << "resident memory grew by " << run.memoryGrowth / (1024 * 1024) << " MB";
}

} // namespace testsupport
