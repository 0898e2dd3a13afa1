#include "tests/cli/ToolWorld.h"

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcessEnvironment>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace clitest {

namespace {

// The parent reads `reader`, the child writes `writer`: both ends of a pipe, or a terminal's sides.
struct Channel {
    int reader = -1;
    int writer = -1;
};

Channel openPipe() {
    int fds[2] = {-1, -1};
    if (::pipe(fds) != 0 || ::fcntl(fds[0], F_SETFD, FD_CLOEXEC) != 0 ||
        ::fcntl(fds[1], F_SETFD, FD_CLOEXEC) != 0)
        std::abort();
    return {fds[0], fds[1]};
}

// A terminal of the given width whose output is not translated (a line break stays one byte).
Channel openTerminal(int columns) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::fcntl(master, F_SETFD, FD_CLOEXEC) != 0 || ::grantpt(master) != 0 ||
        ::unlockpt(master) != 0)
        std::abort();
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0)
        std::abort();
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

std::vector<char*> pointers(std::vector<QByteArray>& strings) { // for exec, which ends with a null
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (QByteArray& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers make the largest honest runs take seconds, and a busy machine several times that.
constexpr int kTimeLimitSeconds = 90;
#else
constexpr int kTimeLimitSeconds = 20;
#endif

} // namespace

QString ToolWorld::identifier(const QString& name) {
    return u"com.example.brisquel"_s + QString::number(QCoreApplication::applicationPid()) +
           QLatin1Char('.') + name;
}

Outcome ToolWorld::run(const QList<QByteArray>& arguments, int terminalColumns) const {
    std::vector<QByteArray> argumentBytes{QByteArrayLiteral(BRISQUEL_BINARY)};
    argumentBytes.insert(argumentBytes.end(), arguments.begin(), arguments.end());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"COLUMNS"_s);
    for (const auto& [name, value] : {std::pair{u"QUILLMERE_APPLICATIONS_DIR"_s, m_applicationsFolder},
                                      {u"QUILLMERE_PREFERENCES_DIR"_s, m_preferencesFolder},
                                      {u"QUILLMERE_OSASCRIPT"_s, u"/nonexistent/osascript"_s},
                                      {u"HOME"_s, m_home.path()},
                                      {u"XDG_CONFIG_HOME"_s, m_home.filePath(u".config"_s)}})
        environment.insert(name, value);
    std::vector<QByteArray> environmentBytes;
    for (const QString& entry : environment.toStringList())
        environmentBytes.push_back(entry.toUtf8());
    std::vector<char*> argv = pointers(argumentBytes);
    std::vector<char*> envp = pointers(environmentBytes);

    Channel out = terminalColumns > 0 ? openTerminal(terminalColumns) : openPipe();
    if (!m_outputFile.isEmpty()) {
        ::close(out.writer);
        out.writer = ::open(m_outputFile.constData(), O_WRONLY | O_CLOEXEC);
    }
    Channel err = openPipe();
    const int nullInput = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid == 0) { // only async-signal-safe calls from here to exec
        ::setpgid(0, 0);
#if !defined(__SANITIZE_ADDRESS__)
        // A reader that expands its input without bound fails at once instead of taking the machine.
        const rlimit limit{rlim_t(4) << 30, rlim_t(4) << 30};
        ::setrlimit(RLIMIT_AS, &limit);
#endif
        ::dup2(nullInput, STDIN_FILENO);
        ::dup2(out.writer, STDOUT_FILENO);
        ::dup2(err.writer, STDERR_FILENO);
        if (::chdir(m_workingDirectory.constData()) != 0)
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    for (const int fd : {out.writer, err.writer, nullInput})
        ::close(fd);

    Outcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeLimitSeconds);
    bool killed = false;
    int fds[2] = {out.reader, err.reader};
    QByteArray* bytes[2] = {&outcome.out, &outcome.err};
    while (fds[0] >= 0 || fds[1] >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 && !killed) {
            ::kill(-pid, SIGKILL); // the streams then reach their ends
            killed = true;
        }
        pollfd polled[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}}; // a negative fd is ignored
        const int ready = ::poll(polled, 2, killed ? 1000 : int(std::max<qint64>(left.count(), 1)));
        if ((ready < 0 && errno != EINTR) || (ready == 0 && killed))
            break; // a descendant outside the group still holds a stream: give up on it
        for (int i = 0; i < 2; ++i) {
            if (fds[i] < 0 || polled[i].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(fds[i], buffer, sizeof buffer);
            if (n > 0) {
                bytes[i]->append(buffer, n);
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) { // a terminal gives EIO at its end
                ::close(fds[i]);
                fds[i] = -1;
            }
        }
    }
    ::close(fds[0]); // when a descendant still held one (-1 when closed: harmless)
    ::close(fds[1]);
    if (!killed) { // the streams ended; the program itself ends within the bound, or is killed
        siginfo_t info{};
        while (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != pid &&
               std::chrono::steady_clock::now() < deadline)
            ::usleep(10000);
        killed = info.si_pid != pid;
    }
    ::kill(-pid, SIGKILL); // whatever it left running
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    outcome.finished = !killed;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.peakMemoryKiB = usage.ru_maxrss;
    EXPECT_TRUE(outcome.finished) << "brisquel was still running at the time limit: "
                                  << arguments.join(' ').toStdString();
    return outcome;
}

Outcome ToolWorld::run(const QStringList& arguments, int terminalColumns) const {
    QList<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes.append(argument.toUtf8());
    return run(bytes, terminalColumns);
}

QString ToolWorld::makeCopy(const QString& name, const QString& bundleIdentifier, const QByteArray& sdef,
                            const QString& version) const {
    testsupport::BundleLayout layout;
    layout.bundleName = name + u".app"_s;
    layout.bundleIdentifier = bundleIdentifier;
    layout.version = version;
    layout.sdef = sdef;
    return testsupport::makeBundle(m_apps.path(), layout);
}

QString ToolWorld::domainFile(const QString& bundleIdentifier) const {
    return QDir(m_preferencesFolder).filePath(bundleIdentifier + u".plist"_s);
}

QVariantMap ToolWorld::domain(const QString& bundleIdentifier) const {
    return brisquel::vexo::plist::readFile(domainFile(bundleIdentifier),
                                           brisquel::vexo::limits::kPreferencesDomainBytes)
        .valueOr(QVariant())
        .toMap();
}

void ToolWorld::writeDomain(const QString& bundleIdentifier, const QVariantMap& values) const {
    QFile file(domainFile(bundleIdentifier));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(brisquel::vexo::plist::toBinary(values).value_or(QByteArray()));
}

QString ToolWorld::compiledScript(const QString& relative) const {
    return m_files.write(relative, QByteArrayLiteral("FasdUAS 1.101.10\x0e\0\0\0\x04\x0f\xff\xff"));
}

QJsonArray jsonArray(const QByteArray& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.toStdString();
    return document.array();
}

} // namespace clitest
