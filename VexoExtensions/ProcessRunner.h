#pragma once

#include "VexoExtensions/Export.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace brisquel::vexo {

class ProcessOutput;

// An external program to run once, synchronously, with both output streams captured.
//
// Process is a handle: copies refer to the same process object (a ProcessError keeps the one that
// failed alive through such a copy). Configure the executable and the arguments, then call run():
//
//     vexo::Process task(QStringLiteral("/bin/echo"), {QStringLiteral("a"), QStringLiteral("b")});
//     try {
//         vexo::ProcessOutput out = task.run(false);      // out.responseString() == "a b\n"
//     } catch (const vexo::ProcessError& e) {             // non-zero status or uncaught signal
//         e.failureReason();                              // the standard-error text
//     } catch (const vexo::ProcessLaunchError& e) {       // the program could not be started
//     }
//
// The child gets the caller's environment and standard input, default signal dispositions and an
// empty signal mask (so a SIGPIPE that the caller ignores is not ignored by the child), and none
// of the caller's file descriptors beyond standard input, output and error.
// Both streams are read while the program runs, so any amount of output is collected whole.
// A process object runs once; run() blocks the calling thread until the program has exited and
// both of its streams have reached their end. It is safe to run different Process objects on
// different threads at the same time.
class BRISQUEL_EXPORT Process {
public:
    // How the program ended; the values are the ones the platform's task object uses.
    enum class TerminationReason { Exit = 1, UncaughtSignal = 2 };

    Process();
    // The executable's path (not searched on PATH; a relative path is taken from the caller's
    // current directory) and its arguments, passed as they stand (no shell).
    explicit Process(QString launchPath, QStringList arguments = {});

    QString launchPath() const;
    void setLaunchPath(const QString& path);
    QStringList arguments() const;
    void setArguments(const QStringList& arguments);
    // The folder the program starts in; none means the caller's current directory.
    // Must be a local (file:) URL when set.
    std::optional<QUrl> currentDirectoryURL() const;
    void setCurrentDirectoryURL(const std::optional<QUrl>& folder);
    // Starts the program as the leader of a process group of its own, so that it and everything
    // it starts (unless they leave the group) can be ended at once with kill(-pid, signal).
    bool ownProcessGroup() const;
    void setOwnProcessGroup(bool own);

    // Runs the program in workingDir (none clears any folder set before, so the caller's current
    // directory applies). With verbose, first prints to standard output one line with the
    // working folder's path (or "Working path not set") and one with the executable path, a
    // space and the arguments joined with single spaces.
    // Returns the output when the program exits with status 0. Throws ProcessError for any other
    // status or a termination by signal, ProcessLaunchError when the program cannot be started
    // (missing, not executable, a working folder that does not exist, no descriptors left for the
    // pipes) and std::logic_error when
    // this process object has been run before.
    ProcessOutput run(const std::optional<QUrl>& workingDir, bool verbose);
    // The same, keeping the working folder set on the process (if any); with verbose, prints only
    // the command line.
    ProcessOutput run(bool verbose);

    // After a run: the exit status, or for a program killed by a signal the signal's number.
    // 0 before the program has ended.
    std::int32_t terminationStatus() const;
    // After a run: whether the program exited or was killed by a signal. Exit before it ended.
    TerminationReason terminationReason() const;
    // The child's process id once started, else 0.
    qint64 processIdentifier() const;
    // True from the moment the program was started until it has ended and been reaped.
    bool isRunning() const;

    // Identity of the process object (not of its configuration).
    friend bool operator==(const Process& a, const Process& b) { return a.m_state == b.m_state; }

private:
    struct State;
    ProcessOutput runPrinting(bool printWorkingPath, bool verbose);
    std::shared_ptr<State> m_state;
};

// The result of a run that ended with status 0.
class BRISQUEL_EXPORT ProcessOutput {
public:
    ProcessOutput(std::int32_t status, QByteArray output)
        : terminationStatus(status), response(std::move(output)) {}

    std::int32_t terminationStatus; // always 0 when produced by Process::run
    QByteArray response;            // everything the program wrote to its standard output

    // response decoded as UTF-8 (decoded anew on each call); none when it is not valid UTF-8.
    std::optional<QString> responseString() const;
};

// Thrown by Process::run when the program ends with a non-zero status or by a signal.
// Carries both streams whole; what() gives localizedDescription() in UTF-8.
class BRISQUEL_EXPORT ProcessError : public std::exception {
public:
    ProcessError(Process task, QByteArray stdOut, QByteArray stdErr);

    const Process& task() const { return m_task; } // the process that failed (shared, not copied)
    const QByteArray& stdOut() const { return m_stdOut; }
    const QByteArray& stdErr() const { return m_stdErr; }
    // The streams decoded as UTF-8 once, at construction; none when not valid UTF-8.
    const std::optional<QString>& stdOutString() const { return m_stdOutString; }
    const std::optional<QString>& stdErrString() const { return m_stdErrString; }

    // "exited with uncaught signal: N" (N the signal number) for a program killed by a signal,
    // else "exited normally".
    QString localizedDescription() const;
    // The standard-error text; none when it is not valid UTF-8.
    std::optional<QString> failureReason() const { return m_stdErrString; }

    const char* what() const noexcept override { return m_what.c_str(); }

private:
    Process m_task;
    QByteArray m_stdOut;
    QByteArray m_stdErr;
    std::optional<QString> m_stdOutString;
    std::optional<QString> m_stdErrString;
    std::string m_what;
};

// Thrown by Process::run when the program cannot be started at all; what() names the program (or
// the folder) and the system's reason, for example "cannot start /no/such/tool: No such file or
// directory".
class BRISQUEL_EXPORT ProcessLaunchError : public std::runtime_error {
public:
    ProcessLaunchError(const QString& message, int errorCode);
    // The errno value behind the failure (0 for a misconfigured process object).
    int errorCode() const { return m_errorCode; }
    QString message() const { return QString::fromUtf8(what()); }

private:
    int m_errorCode;
};

// Strict UTF-8 decoding shared by the runner and the pipe helpers: none for malformed input
// (invalid bytes, overlong forms, encoded surrogates, a sequence cut off at the end).
BRISQUEL_EXPORT std::optional<QString> decodeUtf8(const QByteArray& bytes);

} // namespace brisquel::vexo
