#include "tests/cli/ToolWorld.h"

#include "tests/support/ScopedEnvironment.h"

#include <QFile>
#include <QProcess>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace clitest {

namespace {

// Far above the largest honest run, even under the sanitizers on a busy machine.
constexpr int kTimeLimitMs = 90'000;

// A raw terminal (a line break stays one byte): the side the parent reads, the side the child writes.
std::pair<int, int> openTerminal(int columns) {
    int master = -1;
    int slave = -1;
    termios modes{};
    ::cfmakeraw(&modes);
    ::cfsetspeed(&modes, B38400);
    const winsize size{50, static_cast<unsigned short>(columns), 0, 0};
    if (::openpty(&master, &slave, nullptr, &modes, &size) != 0)
        std::abort();
    for (const int side : {master, slave})
        ::fcntl(side, F_SETFD, FD_CLOEXEC);
    return {master, slave};
}

} // namespace

Outcome ToolWorld::run(const QList<QByteArray>& arguments, int terminalColumns) const {
    QList<QByteArray> argumentBytes = QList<QByteArray>{QByteArrayLiteral(BRISQUEL_BINARY)} + arguments;
    QList<char*> argv;
    for (QByteArray& argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const testsupport::ScopedEnvironment environment[] = {
        {"QUILLMERE_APPLICATIONS_DIR", m_applicationsFolder.toUtf8()},
        {"QUILLMERE_PREFERENCES_DIR", m_preferencesFolder.toUtf8()},
        {"QUILLMERE_OSASCRIPT", "/nonexistent/osascript"},
        {"HOME", m_home.path().toUtf8()},
        {"XDG_CONFIG_HOME", m_home.filePath(QStringLiteral(".config")).toUtf8()},
        {"COLUMNS", QByteArray()}};
    const auto [terminal, output] = terminalColumns > 0 ? openTerminal(terminalColumns) : std::pair{-1, -1};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    if (!m_outputFile.isEmpty())
        process.setStandardOutputFile(m_outputFile);
    // The child execs itself, so that arguments and a working folder that are no UTF-8 go through as
    // bytes; only async-signal-safe calls here.
    process.setChildProcessModifier([&] {
        ::setpgid(0, 0);
#if !defined(__SANITIZE_ADDRESS__)
        // A reader that expands its input without bound fails at once instead of taking the machine.
        const rlimit limit{rlim_t(4) << 30, rlim_t(4) << 30};
        ::setrlimit(RLIMIT_AS, &limit);
#endif
        if (output >= 0)
            ::dup2(output, STDOUT_FILENO);
        if (::chdir(m_workingDirectory.constData()) == 0)
            ::execve(argv[0], argv.data(), environ);
        ::_exit(127);
    });
    process.start(QStringLiteral(BRISQUEL_BINARY), {});
    ::close(output);
    Outcome outcome;
    std::thread terminalReader([&outcome, terminal] { // to its end, EIO once the last writer is gone
        QFile side;
        if (terminal >= 0 && side.open(terminal, QIODevice::ReadOnly))
            outcome.out = side.readAll();
    });
    const bool finished = process.waitForFinished(kTimeLimitMs);
    if (!finished && process.processId() > 0) {
        ::kill(-pid_t(process.processId()), SIGKILL);
        process.waitForFinished();
    }
    terminalReader.join();
    ::close(terminal);
    outcome.out += process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage); // the largest of all this process's children so far
    outcome.peakMemoryKiB = usage.ru_maxrss;
    EXPECT_TRUE(finished) << "brisquel was still running at the time limit: "
                          << arguments.join(' ').toStdString();
    return outcome;
}

} // namespace clitest
