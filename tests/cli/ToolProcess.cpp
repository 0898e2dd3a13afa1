#include "tests/cli/ToolProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace clitest {

namespace {

// Both ends of a pipe, or a terminal's two sides: the parent reads `reader`, the child writes
// `writer`.
struct Channel {
    int reader = -1;
    int writer = -1;
};

Channel openPipe() {
    int fds[2] = {-1, -1};
    // pipe2() is Linux's; this works on macOS too.
    if (::pipe(fds) != 0 || ::fcntl(fds[0], F_SETFD, FD_CLOEXEC) != 0 ||
        ::fcntl(fds[1], F_SETFD, FD_CLOEXEC) != 0) {
        std::abort();
    }
    return {fds[0], fds[1]};
}

// A terminal of the given width whose output is not translated (a line break stays one byte).
Channel openTerminal(int columns) {
    // macOS's posix_openpt takes no O_CLOEXEC: set afterwards.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::fcntl(master, F_SETFD, FD_CLOEXEC) != 0 || ::grantpt(master) != 0 ||
        ::unlockpt(master) != 0) {
        std::abort();
    }
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        std::abort();
    }
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = 50;
    ::ioctl(master, TIOCSWINSZ, &size);
    termios modes{};
    ::tcgetattr(slave, &modes);
    modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    ::tcsetattr(slave, TCSANOW, &modes);
    return {master, slave};
}

} // namespace

Outcome run(const Launch& launch) {
    std::vector<QByteArray> argumentBytes{launch.program};
    for (const QByteArray& argument : launch.arguments) {
        argumentBytes.push_back(argument);
    }
    std::vector<char*> argv;
    for (QByteArray& argument : argumentBytes) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<QByteArray> environmentBytes;
    for (auto it = launch.environment.constBegin(); it != launch.environment.constEnd(); ++it) {
        environmentBytes.push_back(it.key() + '=' + it.value());
    }
    std::vector<char*> envp;
    for (QByteArray& entry : environmentBytes) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    Channel out = launch.terminalColumns > 0 ? openTerminal(launch.terminalColumns) : openPipe();
    if (!launch.outputFile.isEmpty()) {
        ::close(out.writer);
        out.writer = ::open(launch.outputFile.constData(), O_WRONLY | O_CLOEXEC);
    }
    Channel err = openPipe();
    const int nullInput = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        ::setpgid(0, 0);
        if (launch.addressSpaceLimitBytes > 0) {
            const rlimit limit{rlim_t(launch.addressSpaceLimitBytes), rlim_t(launch.addressSpaceLimitBytes)};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::dup2(nullInput, STDIN_FILENO);
        ::dup2(out.writer, STDOUT_FILENO);
        ::dup2(err.writer, STDERR_FILENO);
        if (!launch.workingDirectory.isEmpty() && ::chdir(launch.workingDirectory.constData()) != 0) {
            ::_exit(126);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    ::close(out.writer);
    ::close(err.writer);
    ::close(nullInput);

    Outcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(launch.timeLimitSeconds);
    bool killed = false;
    struct Stream {
        int fd;
        QByteArray* bytes;
    } streams[] = {{out.reader, &outcome.out}, {err.reader, &outcome.err}};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 && !killed) {
            // Past the limit: end the whole group; the streams then reach their ends.
            ::kill(-pid, SIGKILL);
            killed = true;
        }
        pollfd fds[2];
        nfds_t count = 0;
        for (const Stream& stream : streams) {
            if (stream.fd >= 0) {
                fds[count++] = {stream.fd, POLLIN, 0};
            }
        }
        const int ready = ::poll(fds, count, killed ? 1000 : int(std::max<qint64>(left.count(), 1)));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready == 0 && killed) {
            break; // a descendant outside the group still holds a stream: give up on it
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            for (Stream& stream : streams) {
                if (stream.fd != fds[i].fd) {
                    continue;
                }
                char buffer[65536];
                const ssize_t n = ::read(stream.fd, buffer, sizeof buffer);
                if (n > 0) {
                    stream.bytes->append(buffer, n);
                } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                    // A terminal's reader sees EIO once the last writer has closed it.
                    ::close(stream.fd);
                    stream.fd = -1;
                    --open;
                }
            }
        }
    }
    for (const Stream& stream : streams) {
        if (stream.fd >= 0) {
            ::close(stream.fd);
        }
    }
    if (!killed) {
        // The streams ended; the program itself may still be running (it closed them early).
        const auto exited = [pid] {
            siginfo_t info{};
            return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
        };
        while (!exited() && std::chrono::steady_clock::now() < deadline) {
            ::usleep(10000);
        }
        if (!exited()) {
            ::kill(-pid, SIGKILL);
            killed = true;
        }
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    ::kill(-pid, SIGKILL); // whatever it left running
    outcome.finished = !killed;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.peakMemoryKiB = usage.ru_maxrss;
    return outcome;
}

} // namespace clitest
