#include "platform/posix/OsascriptChannel.h"

#include "VexoExtensions/ProcessRunner.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QStandardPaths>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <signal.h>

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

// The process and every process below it, read from /proc, children before their parents.
QList<pid_t> processTree(pid_t root) {
    QHash<pid_t, QList<pid_t>> children;
    if (DIR* dir = opendir("/proc")) {
        while (const dirent* entry = readdir(dir)) {
            bool ok = false;
            const pid_t pid = pid_t(QByteArray(entry->d_name).toInt(&ok));
            if (!ok || pid <= 0) {
                continue;
            }
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly)) {
                continue;
            }
            // "pid (name) state ppid ...": the name may hold spaces and parentheses.
            const QByteArray line = stat.readAll();
            const qsizetype close = line.lastIndexOf(')');
            if (close < 0) {
                continue;
            }
            const QList<QByteArray> fields = line.mid(close + 2).split(' ');
            if (fields.size() > 1) {
                children[pid_t(fields.at(1).toInt())].append(pid);
            }
        }
        closedir(dir);
    }
    QList<pid_t> order;
    QList<pid_t> pending{root};
    while (!pending.isEmpty()) {
        const pid_t pid = pending.takeLast();
        order.prepend(pid);
        pending.append(children.value(pid));
    }
    return order;
}

// Ends a run that outlives its limit. Descendants go too: they would otherwise hold the output
// pipes open and keep the run waiting for their end.
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
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, limit, [this] { return m_done; })) {
            return;
        }
        const pid_t pid = pid_t(m_task.processIdentifier());
        if (pid > 0 && m_task.isRunning()) {
            m_fired = true;
            for (const pid_t member : processTree(pid)) {
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
    try {
        std::optional<vexo::ProcessOutput> output;
        {
            Watchdog watchdog(task, m_timeLimit);
            try {
                output = task.run(std::nullopt, false);
            } catch (const vexo::ProcessError&) {
                if (watchdog.fired()) {
                    const auto seconds =
                        std::chrono::duration_cast<std::chrono::seconds>(m_timeLimit).count();
                    return failure(QStringLiteral("%1 did not answer within %2 seconds")
                                       .arg(program, QString::number(seconds)),
                                   kTimedOutNumber);
                }
                throw;
            }
        }
        ScriptResult result;
        result.value = withoutFinalLineBreak(QString::fromUtf8(output->response));
        return result;
    } catch (const vexo::ProcessError& error) {
        QString message = withoutFinalLineBreak(QString::fromUtf8(error.stdErr()));
        if (message.isEmpty()) {
            message = QStringLiteral("%1 %2").arg(program, error.localizedDescription());
        }
        return failure(message, int(error.task().terminationStatus()));
    } catch (const vexo::ProcessLaunchError& error) {
        return failure(error.message(), kNotFoundNumber);
    }
}

} // namespace brisquel
