#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace clitest {

// What one run of a program gave.
struct Outcome {
    bool finished = false; // false: it was still running at the time limit and was killed
    int exitCode = -1;     // -1 when it did not exit normally
    QByteArray out;
    QByteArray err;
    long peakMemoryKiB = 0; // its largest resident set size

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
    QStringList outLines() const { return outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    QStringList errLines() const { return errText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// One run of a program: its arguments as bytes (so that a test can hand over a file name that is
// not valid UTF-8, which QProcess cannot), its environment and folder, and where its output goes.
struct Launch {
    QByteArray program;
    QList<QByteArray> arguments;
    QMap<QByteArray, QByteArray> environment; // the whole environment
    QByteArray workingDirectory;
    // Standard output to a terminal of this many columns (0: to a pipe, like any program's).
    int terminalColumns = 0;
    // Standard output to this file instead (such as /dev/full); nothing is gathered from it.
    QByteArray outputFile;
    // A run still going after this long is killed, with whatever it started: a hang fails the test
    // instead of stalling the suite. Far above any honest run, also under the sanitizers.
    int timeLimitSeconds = 20;
    // The address space the program may take (0: no limit), so that a reader that expands its
    // input without bound fails at once instead of taking the machine's memory. Meant for builds
    // without the sanitizers, which reserve far more address space than they use.
    qint64 addressSpaceLimitBytes = 0;
};

// Runs the program to its end (or to the time limit) and gathers what it wrote. The program runs
// in a process group of its own, which the time limit ends as a whole.
Outcome run(const Launch& launch);

} // namespace clitest
