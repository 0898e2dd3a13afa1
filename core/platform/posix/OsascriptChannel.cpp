#include "platform/posix/OsascriptChannel.h"

#include <QProcess>
#include <QStandardPaths>

#include <csignal>

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
    QProcess process;
    process.setProgram(program);
    process.setArguments({QStringLiteral("-e"), source});
    process.setStandardInputFile(QProcess::nullDevice());
    // The program leads a process group of its own, so that a run past the time limit can be
    // ended together with anything it started (which would otherwise hold the output open). It
    // gets the default signal handling whatever this process chose.
    process.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::signal(SIGPIPE, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
    });
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        return failure(program + QStringLiteral(": ") + process.errorString(), kNotFoundNumber);
    }
    const qint64 pid = process.processId();
    if (!process.waitForFinished(int(m_timeLimit.count()))) {
        ::kill(-pid_t(pid), SIGKILL);
        process.waitForFinished(-1);
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_timeLimit).count();
        return failure(program + QStringLiteral(" did not answer within ") + QString::number(seconds) +
                           QStringLiteral(" seconds"),
                       kTimedOutNumber);
    }
    const QByteArray output = process.readAllStandardOutput();
    const QString errorText = withoutFinalLineBreak(QString::fromUtf8(process.readAllStandardError()));
    if (process.exitStatus() == QProcess::CrashExit) {
        return failure(
            errorText.isEmpty() ? program + QStringLiteral(" exited with uncaught signal") : errorText, -1);
    }
    if (process.exitCode() != 0) {
        return failure(errorText.isEmpty() ? program + QStringLiteral(" exited with status ") +
                                                 QString::number(process.exitCode())
                                           : errorText,
                       process.exitCode());
    }
    ScriptResult result;
    result.value = withoutFinalLineBreak(QString::fromUtf8(output));
    return result;
}

} // namespace brisquel
