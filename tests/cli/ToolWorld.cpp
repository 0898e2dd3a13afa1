#include "tests/cli/ToolWorld.h"

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/ScopedEnvironment.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace Qt::Literals::StringLiterals;

namespace clitest {

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers make the largest honest runs take seconds, and a busy machine several times that.
constexpr int kTimeLimitMs = 90'000;
#else
constexpr int kTimeLimitMs = 20'000;
#endif

// A terminal of the given width whose output is not translated (a line break stays one byte): the
// side the parent reads, and the side the child writes.
std::pair<int, int> openTerminal(int columns) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::fcntl(master, F_SETFD, FD_CLOEXEC) != 0 || ::grantpt(master) != 0 ||
        ::unlockpt(master) != 0)
        std::abort();
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    const winsize size{50, static_cast<unsigned short>(columns), 0, 0};
    termios modes{};
    if (slave < 0 || ::ioctl(master, TIOCSWINSZ, &size) != 0 || ::tcgetattr(slave, &modes) != 0)
        std::abort();
    modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    ::tcsetattr(slave, TCSANOW, &modes);
    return {master, slave};
}

} // namespace

QString ToolWorld::identifier(const QString& name) {
    return u"com.example.brisquel%1.%2"_s.arg(::getpid()).arg(name);
}

Outcome ToolWorld::run(const QList<QByteArray>& arguments, int terminalColumns) const {
    QList<QByteArray> argumentBytes = QList<QByteArray>{QByteArrayLiteral(BRISQUEL_BINARY)} + arguments;
    std::vector<char*> argv;
    for (QByteArray& argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const testsupport::ScopedEnvironment environment[] = {
        {"QUILLMERE_APPLICATIONS_DIR", m_applicationsFolder.toUtf8()},
        {"QUILLMERE_PREFERENCES_DIR", m_preferencesFolder.toUtf8()},
        {"QUILLMERE_OSASCRIPT", "/nonexistent/osascript"},
        {"HOME", m_home.path().toUtf8()},
        {"XDG_CONFIG_HOME", m_home.filePath(u".config"_s).toUtf8()},
        {"COLUMNS", QByteArray()}};
    const auto [terminal, output] =
        terminalColumns > 0      ? openTerminal(terminalColumns)
        : m_outputFile.isEmpty() ? std::pair{-1, -1}
                                 : std::pair{-1, ::open(m_outputFile.constData(), O_WRONLY | O_CLOEXEC)};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
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

QString ToolWorld::makeCopy(const QString& name, const QString& bundleIdentifier, const QByteArray& sdef,
                            const QString& version) const {
    testsupport::BundleLayout layout;
    layout.bundleName = name + u".app"_s;
    layout.bundleIdentifier = bundleIdentifier;
    layout.version = version;
    layout.sdef = sdef;
    return testsupport::makeBundle(m_apps.path(), layout);
}

QVariantMap ToolWorld::domain(const QString& bundleIdentifier) const {
    return brisquel::vexo::plist::readFile(domainFile(bundleIdentifier),
                                           brisquel::vexo::limits::kPreferencesDomainBytes)
        .valueOr(QVariant())
        .toMap();
}

void ToolWorld::writeDomain(const QString& bundleIdentifier, const QVariantMap& values) const {
    testsupport::HostileFiles::writeFile(domainFile(bundleIdentifier),
                                         brisquel::vexo::plist::toBinary(values).value_or(QByteArray()));
}

QJsonArray jsonArray(const QByteArray& text) {
    const QJsonDocument document = QJsonDocument::fromJson(text);
    EXPECT_TRUE(document.isArray()) << text.toStdString();
    return document.array();
}

} // namespace clitest
