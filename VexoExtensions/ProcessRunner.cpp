#include "VexoExtensions/ProcessRunner.h"

#include "VexoExtensions/platform/Descriptors.h"
#include "VexoExtensions/platform/SpawnFileActions.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStringDecoder>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <vector>

// glibc declares it (with _GNU_SOURCE), macOS's <unistd.h> does not.
extern char** environ; // NOLINT(readability-redundant-declaration)

namespace brisquel::vexo {

std::optional<QString> decodeUtf8(const QByteArray& bytes) {
    // Stateless: a sequence cut off at the end is an error, not something to wait for. A byte-order
    // mark is kept as a character so that the text holds exactly what the bytes say.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> ProcessOutput::responseString() const {
    return decodeUtf8(response);
}

// --- Process -----------------------------------------------------------------------------------

struct Process::State {
    mutable QMutex mutex;
    QString launchPath;
    QStringList arguments;
    std::optional<QUrl> currentDirectory;
    bool ownProcessGroup = false;

    std::atomic<bool> started{false};
    std::atomic<bool> running{false};
    std::atomic<qint64> pid{0};
    std::atomic<std::int32_t> status{0};
    std::atomic<int> reason{static_cast<int>(TerminationReason::Exit)};
};

Process::Process() : m_state(std::make_shared<State>()) {}

Process::Process(QString launchPath, QStringList arguments) : Process() {
    m_state->launchPath = std::move(launchPath);
    m_state->arguments = std::move(arguments);
}

QString Process::launchPath() const {
    QMutexLocker lock(&m_state->mutex);
    return m_state->launchPath;
}

void Process::setLaunchPath(const QString& path) {
    QMutexLocker lock(&m_state->mutex);
    m_state->launchPath = path;
}

QStringList Process::arguments() const {
    QMutexLocker lock(&m_state->mutex);
    return m_state->arguments;
}

void Process::setArguments(const QStringList& arguments) {
    QMutexLocker lock(&m_state->mutex);
    m_state->arguments = arguments;
}

std::optional<QUrl> Process::currentDirectoryURL() const {
    QMutexLocker lock(&m_state->mutex);
    return m_state->currentDirectory;
}

void Process::setCurrentDirectoryURL(const std::optional<QUrl>& folder) {
    QMutexLocker lock(&m_state->mutex);
    m_state->currentDirectory = folder;
}

bool Process::ownProcessGroup() const {
    QMutexLocker lock(&m_state->mutex);
    return m_state->ownProcessGroup;
}

void Process::setOwnProcessGroup(bool own) {
    QMutexLocker lock(&m_state->mutex);
    m_state->ownProcessGroup = own;
}

std::int32_t Process::terminationStatus() const {
    return m_state->status.load();
}

Process::TerminationReason Process::terminationReason() const {
    return static_cast<TerminationReason>(m_state->reason.load());
}

qint64 Process::processIdentifier() const {
    return m_state->pid.load();
}

bool Process::isRunning() const {
    return m_state->running.load();
}

ProcessOutput Process::run(const std::optional<QUrl>& workingDir, bool verbose) {
    setCurrentDirectoryURL(workingDir);
    return runPrinting(true, verbose);
}

ProcessOutput Process::run(bool verbose) {
    return runPrinting(false, verbose);
}

namespace {

void printLine(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

QString folderPath(const QUrl& folder) {
    return folder.isLocalFile() ? folder.toLocalFile() : folder.path();
}

// Closes a descriptor once; the owner of a run keeps all four pipe ends in these.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }
    int get() const { return m_fd; }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// A pipe whose ends are close-on-exec and lie above the three standard descriptors, so that
// installing them as the child's 1 and 2 can never overwrite one another, even in a caller that
// has closed its own standard streams.
void makePipe(Descriptor& readEnd, Descriptor& writeEnd) {
    int fds[2];
    if (descriptors::openCloseOnExecPipe(fds) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot create a pipe");
    for (int i = 0; i < 2; ++i) {
        if (fds[i] < 3) {
            const int moved = ::fcntl(fds[i], F_DUPFD_CLOEXEC, 3);
            const int error = errno;
            ::close(fds[i]);
            fds[i] = moved;
            if (moved < 0) {
                if (fds[1 - i] >= 0)
                    ::close(fds[1 - i]);
                throw std::system_error(error, std::generic_category(), "cannot create a pipe");
            }
        }
    }
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
}

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

class SpawnAttributes {
public:
    explicit SpawnAttributes(bool ownProcessGroup) {
        posix_spawnattr_init(&m_attributes);
        // Dispositions that the caller set to "ignore" survive exec; the child starts clean.
        sigset_t defaults;
        sigfillset(&defaults);
        sigdelset(&defaults, SIGKILL);
        sigdelset(&defaults, SIGSTOP);
        sigset_t empty;
        sigemptyset(&empty);
        posix_spawnattr_setsigdefault(&m_attributes, &defaults);
        posix_spawnattr_setsigmask(&m_attributes, &empty);
        short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
        if (ownProcessGroup) {
            posix_spawnattr_setpgroup(&m_attributes, 0);
            flags |= POSIX_SPAWN_SETPGROUP;
        }
        posix_spawnattr_setflags(&m_attributes, flags);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

// Reads both streams as they come until both have reached their end.
void drain(Descriptor& out, Descriptor& err, QByteArray& outBytes, QByteArray& errBytes) {
    std::vector<char> buffer(size_t{64} * 1024);
    Descriptor* ends[2] = {&out, &err};
    QByteArray* sinks[2] = {&outBytes, &errBytes};
    while (out.get() >= 0 || err.get() >= 0) {
        std::array<pollfd, 2> fds{};
        int count = 0;
        int which[2];
        for (int i = 0; i < 2; ++i) {
            if (ends[i]->get() >= 0) {
                fds[count] = pollfd{ends[i]->get(), POLLIN, 0};
                which[count++] = i;
            }
        }
        if (::poll(fds.data(), static_cast<nfds_t>(count), -1) < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category(), "cannot wait for the process's output");
        }
        for (int k = 0; k < count; ++k) {
            if (fds[k].revents == 0)
                continue;
            const int i = which[k];
            const ssize_t n = ::read(ends[i]->get(), buffer.data(), buffer.size());
            if (n > 0) {
                sinks[i]->append(buffer.data(), n);
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                ends[i]->reset();
            }
        }
    }
}

} // namespace

ProcessOutput Process::runPrinting(bool printWorkingPath, bool verbose) {
    if (m_state->started.exchange(true))
        throw std::logic_error("a vexo::Process object runs only once; make a new one to run again");

    QString launchPath;
    QStringList arguments;
    std::optional<QUrl> folder;
    bool ownGroup = false;
    {
        QMutexLocker lock(&m_state->mutex);
        launchPath = m_state->launchPath;
        arguments = m_state->arguments;
        folder = m_state->currentDirectory;
        ownGroup = m_state->ownProcessGroup;
    }

    if (verbose) {
        if (printWorkingPath)
            printLine(folder ? folderPath(*folder) : QStringLiteral("Working path not set"));
        printLine(launchPath + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
    }

    if (launchPath.isEmpty())
        throw ProcessLaunchError(QStringLiteral("cannot start a process without an executable path"), 0);
    QByteArray folderBytes;
    if (folder) {
        if (!folder->isLocalFile())
            throw ProcessLaunchError(
                QStringLiteral("cannot start %1: the working folder %2 is not a local file")
                    .arg(launchPath, folder->toString()),
                EINVAL);
        const QString path = folder->toLocalFile();
        if (!QFileInfo(path).isDir())
            throw ProcessLaunchError(
                QStringLiteral("cannot start %1: the working folder %2 does not exist").arg(launchPath, path),
                ENOENT);
        folderBytes = QFile::encodeName(path);
    }

    // The path is resolved against the caller's directory, not the child's working folder.
    const QByteArray program = QFile::encodeName(QFileInfo(launchPath).absoluteFilePath());
    std::vector<QByteArray> argumentBytes;
    argumentBytes.reserve(static_cast<size_t>(arguments.size()) + 1);
    argumentBytes.push_back(QFile::encodeName(launchPath));
    for (const QString& argument : arguments)
        argumentBytes.push_back(argument.toUtf8());
    std::vector<char*> argv;
    argv.reserve(argumentBytes.size() + 1);
    for (QByteArray& bytes : argumentBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    Descriptor outRead;
    Descriptor outWrite;
    Descriptor errRead;
    Descriptor errWrite;
    try {
        makePipe(outRead, outWrite);
        makePipe(errRead, errWrite);
    } catch (const std::system_error& error) {
        throw ProcessLaunchError(
            QStringLiteral("cannot start %1: %2").arg(launchPath, QString::fromLocal8Bit(error.what())),
            error.code().value());
    }

    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), outWrite.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), errWrite.get(), STDERR_FILENO);
    // Where the spawn cannot change folder itself, the shell does it and then becomes the program.
    QByteArray launched = program;
    std::vector<QByteArray> shellBytes;
    if (folder && !spawn::addChangeFolder(actions.get(), folderBytes.constData())) {
        shellBytes = {QByteArrayLiteral("sh"),
                      QByteArrayLiteral("-c"),
                      QByteArray(spawn::kChangeFolderScript),
                      QByteArrayLiteral("sh"),
                      folderBytes,
                      program};
        argv.pop_back(); // the terminating null
        std::vector<char*> shellArgv;
        shellArgv.reserve(shellBytes.size() + argv.size());
        for (QByteArray& bytes : shellBytes)
            shellArgv.push_back(bytes.data());
        shellArgv.insert(shellArgv.end(), argv.begin() + 1, argv.end());
        shellArgv.push_back(nullptr);
        argv = std::move(shellArgv);
        launched = QByteArrayLiteral("/bin/sh");
    }
    // Nothing else of ours leaks into the child, close-on-exec or not.
    spawn::addCloseFrom(actions.get(), 3);
    SpawnAttributes attributes(ownGroup);

    pid_t pid = 0;
    const int spawnError =
        ::posix_spawn(&pid, launched.constData(), actions.get(), attributes.get(), argv.data(), environ);
    if (spawnError != 0)
        throw ProcessLaunchError(QStringLiteral("cannot start %1: %2")
                                     .arg(launchPath, QString::fromLocal8Bit(std::strerror(spawnError))),
                                 spawnError);
    m_state->pid = pid;
    m_state->running = true;
    outWrite.reset();
    errWrite.reset();

    QByteArray outBytes;
    QByteArray errBytes;
    try {
        drain(outRead, errRead, outBytes, errBytes);
    } catch (...) {
        // Never leave a child behind unreaped.
        ::kill(pid, SIGKILL);
        int ignored = 0;
        while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
        }
        m_state->running = false;
        throw;
    }

    int waitStatus = 0;
    pid_t reaped;
    do {
        reaped = ::waitpid(pid, &waitStatus, 0);
    } while (reaped < 0 && errno == EINTR);
    m_state->running = false;
    if (reaped < 0)
        // A caller that sets SIGCHLD to "ignore" has its children reaped by the system, and then how
        // this one ended is lost; that must not pass for success.
        throw std::system_error(errno, std::generic_category(),
                                "cannot learn how " + launchPath.toStdString() + " ended");

    if (WIFSIGNALED(waitStatus)) {
        m_state->status = WTERMSIG(waitStatus);
        m_state->reason = static_cast<int>(TerminationReason::UncaughtSignal);
    } else {
        m_state->status = WEXITSTATUS(waitStatus);
        m_state->reason = static_cast<int>(TerminationReason::Exit);
    }

    if (m_state->status == 0)
        return ProcessOutput(0, std::move(outBytes));
    throw ProcessError(*this, std::move(outBytes), std::move(errBytes));
}

// --- errors ------------------------------------------------------------------------------------

ProcessError::ProcessError(Process task, QByteArray stdOut, QByteArray stdErr)
    : m_task(std::move(task)), m_stdOut(std::move(stdOut)), m_stdErr(std::move(stdErr)),
      m_stdOutString(decodeUtf8(m_stdOut)), m_stdErrString(decodeUtf8(m_stdErr)),
      m_what(localizedDescription().toStdString()) {}

QString ProcessError::localizedDescription() const {
    if (m_task.terminationReason() == Process::TerminationReason::UncaughtSignal)
        return QStringLiteral("exited with uncaught signal: ") + QString::number(m_task.terminationStatus());
    return QStringLiteral("exited normally");
}

ProcessLaunchError::ProcessLaunchError(const QString& message, int errorCode)
    : std::runtime_error(message.toStdString()), m_errorCode(errorCode) {}

} // namespace brisquel::vexo
