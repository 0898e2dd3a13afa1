#include "core/platform/macos/UnifiedLog.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <os/log.h>
#include <pthread.h>
#include <unistd.h>

namespace brisquel::macos {

namespace {

QString processName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QString::fromLocal8Bit(getprogname()) : name;
}

// One write(2) per line, so that lines of concurrent writers never interleave.
void writeAll(int fd, const QByteArray& bytes) {
    const char* next = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        next += written;
        left -= written;
    }
}

} // namespace

void UnifiedLog::system(const QString& line) {
    const QByteArray text = line.toUtf8();
    // The text is an argument, marked public so that it is not redacted as "<private>".
    os_log(OS_LOG_DEFAULT, "%{public}s", text.constData());
    uint64_t thread = 0;
    pthread_threadid_np(nullptr, &thread);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    writeAll(STDERR_FILENO,
             (stamp + QLatin1Char(' ') + processName() + QLatin1Char('[') + QString::number(::getpid()) +
              QLatin1Char(':') + QString::number(thread) + QStringLiteral("] ") + line + QLatin1Char('\n'))
                 .toUtf8());
}

void UnifiedLog::standardOutput(const QString& line) {
    std::fflush(stdout);
    writeAll(STDOUT_FILENO, (line + QLatin1Char('\n')).toUtf8());
}

} // namespace brisquel::macos
