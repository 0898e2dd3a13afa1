#include "core/platform/posix/OsascriptChannel.h"

#include "VexoExtensions/ProcessRunner.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStandardPaths>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

namespace brisquel {

namespace {

const QString kMessageKey = QStringLiteral("NSAppleScriptErrorMessage");
const QString kNumberKey = QStringLiteral("NSAppleScriptErrorNumber");
// The platform's numbers for "program not found" and "the event timed out".
constexpr int kNotFoundNumber = 127;
constexpr int kTimedOutNumber = -1712;

ScriptResult failure(const QString& message, int number) {
    ScriptResult result;
    result.errorInfo = QVariantMap{{kMessageKey, message}, {kNumberKey, number}};
    return result;
}

QString withoutFinalLineBreak(QString text) {
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
        if (text.endsWith(QLatin1Char('\r'))) {
            text.chop(1);
        }
    }
    return text;
}

QList<pid_t> processIds() {
    QList<pid_t> ids;
    if (DIR* dir = opendir("/proc")) {
        while (const dirent* entry = readdir(dir)) {
            bool ok = false;
            const pid_t pid = pid_t(QByteArray(entry->d_name).toInt(&ok));
            if (ok && pid > 0) {
                ids.append(pid);
            }
        }
        closedir(dir);
    }
    return ids;
}

QByteArray linkTarget(const QByteArray& path) {
    char buffer[256];
    const ssize_t n = readlink(path.constData(), buffer, sizeof buffer);
    return n > 0 ? QByteArray(buffer, n) : QByteArray();
}

// The output pipes a process writes to ("pipe:[inode]"), as the kernel names them.
QSet<QByteArray> outputPipesOf(pid_t pid) {
    QSet<QByteArray> pipes;
    for (const char* fd : {"/fd/1", "/fd/2"}) {
        const QByteArray target = linkTarget("/proc/" + QByteArray::number(pid) + fd);
        if (target.startsWith("pipe:")) {
            pipes.insert(target);
        }
    }
    return pipes;
}

// Everything to end when a run is given up: the program, every process below it, and every
// process that still holds its output pipes open (a child that outlived its parent, or detached
// from it), since the run waits for the end of its output.
QSet<pid_t> processesToEnd(pid_t root, const QSet<QByteArray>& pipes) {
    QSet<pid_t> result{root};
    QHash<pid_t, QList<pid_t>> children;
    for (const pid_t pid : processIds()) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly)) {
            // "pid (name) state ppid ...": the name may hold spaces and parentheses.
            const QByteArray line = stat.readAll();
            const qsizetype close = line.lastIndexOf(')');
            const QList<QByteArray> fields = close < 0 ? QList<QByteArray>() : line.mid(close + 2).split(' ');
            if (fields.size() > 1) {
                children[pid_t(fields.at(1).toInt())].append(pid);
            }
        }
        if (pipes.isEmpty() || pid == getpid()) {
            continue;
        }
        const QByteArray fdFolder = "/proc/" + QByteArray::number(pid) + "/fd";
        if (DIR* dir = opendir(fdFolder.constData())) {
            while (const dirent* entry = readdir(dir)) {
                if (entry->d_name[0] != '.' && pipes.contains(linkTarget(fdFolder + '/' + entry->d_name))) {
                    result.insert(pid);
                    break;
                }
            }
            closedir(dir);
        }
    }
    QList<pid_t> pending{root};
    while (!pending.isEmpty()) {
        const pid_t pid = pending.takeLast();
        for (const pid_t child : children.value(pid)) {
            if (!result.contains(child)) {
                result.insert(child);
                pending.append(child);
            }
        }
    }
    return result;
}

// Ends a run that outlives its time limit.
class Watchdog {
public:
    Watchdog(const vexo::Process& task, std::chrono::milliseconds limit)
        : m_task(task), m_thread([this, limit] { watch(limit); }) {}

    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    bool fired() const {
        std::lock_guard lock(m_mutex);
        return m_fired;
    }

private:
    void watch(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::unique_lock lock(m_mutex);
        // Note the output pipes as soon as the program runs, while it still holds them.
        QSet<QByteArray> pipes;
        while (!m_done && std::chrono::steady_clock::now() < deadline) {
            if (const pid_t pid = pid_t(m_task.processIdentifier()); pid > 0) {
                pipes = outputPipesOf(pid);
                break;
            }
            m_wake.wait_for(lock, std::chrono::milliseconds(1));
        }
        if (m_wake.wait_until(lock, deadline, [this] { return m_done; })) {
            return;
        }
        // The program is reaped only after its output has ended, so until then its process id
        // cannot have passed to another process.
        const pid_t pid = pid_t(m_task.processIdentifier());
        if (pid > 0 && m_task.isRunning()) {
            m_fired = true;
            // The program leads a process group of its own: that ends it and whatever it started
            // in the background, even when the program itself has already exited.
            ::kill(-pid, SIGKILL);
            for (const pid_t member : processesToEnd(pid, pipes)) {
                ::kill(member, SIGKILL);
            }
        }
    }

    vexo::Process m_task;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_fired = false;
    std::thread m_thread;
};

} // namespace

OsascriptChannel::OsascriptChannel(QString program, std::chrono::milliseconds timeLimit)
    : m_program(std::move(program)), m_timeLimit(timeLimit) {}

QString OsascriptChannel::resolveProgram() const {
    QString program = m_program;
    if (program.isEmpty()) {
        program = qEnvironmentVariable("QUILLMERE_OSASCRIPT");
    }
    if (program.isEmpty()) {
        return QStandardPaths::findExecutable(QStringLiteral("osascript"));
    }
    if (!program.contains(QLatin1Char('/'))) {
        return QStandardPaths::findExecutable(program);
    }
    return program;
}

ScriptResult OsascriptChannel::execute(const QString& source) {
    const QString program = resolveProgram();
    if (program.isEmpty()) {
        return failure(QStringLiteral("osascript not found"), kNotFoundNumber);
    }
    vexo::Process task(program, {QStringLiteral("-e"), source});
    task.setOwnProcessGroup(true);
    std::optional<vexo::ProcessOutput> output;
    bool timedOut = false;
    try {
        Watchdog watchdog(task, m_timeLimit);
        try {
            output = task.run(std::nullopt, false);
        } catch (const vexo::ProcessError&) {
            timedOut = watchdog.fired();
            if (!timedOut) {
                throw;
            }
        }
    } catch (const vexo::ProcessError& error) {
        QString message = withoutFinalLineBreak(QString::fromUtf8(error.stdErr()));
        if (message.isEmpty()) {
            message = program + QLatin1Char(' ') + error.localizedDescription();
        }
        return failure(message, int(error.task().terminationStatus()));
    } catch (const vexo::ProcessLaunchError& error) {
        return failure(error.message(), kNotFoundNumber);
    } catch (const std::exception& error) {
        return failure(program + QStringLiteral(": ") + QString::fromLocal8Bit(error.what()), -1);
    }
    if (timedOut || !output) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_timeLimit).count();
        return failure(program + QStringLiteral(" did not answer within ") + QString::number(seconds) +
                           QStringLiteral(" seconds"),
                       kTimedOutNumber);
    }
    ScriptResult result;
    result.value = withoutFinalLineBreak(QString::fromUtf8(output->response));
    return result;
}

} // namespace brisquel
