#include "core/platform/posix/PosixLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <syslog.h>
#include <unistd.h>

namespace brisquel {

namespace {

QString processName() {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) {
        name = QFileInfo(QString::fromLocal8Bit(program_invocation_name)).fileName();
    }
    return name;
}

// One write(2) per line, so that lines of concurrent writers never interleave.
void writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        p += n;
        left -= n;
    }
}

} // namespace

QString PosixLog::formatSystemLine(const QString& text) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return stamp + QLatin1Char(' ') + processName() + QLatin1Char('[') + QString::number(::getpid()) +
           QLatin1Char(':') + QString::number(::gettid()) + QStringLiteral("] ") + text;
}

void PosixLog::system(const QString& line) {
    writeAll(STDERR_FILENO, (formatSystemLine(line) + QLatin1Char('\n')).toUtf8());
    const QByteArray utf8 = line.toUtf8();
    ::syslog(LOG_NOTICE, "%s", utf8.constData());
}

void PosixLog::standardOutput(const QString& line) {
    fflush(stdout);
    writeAll(STDOUT_FILENO, (line + QLatin1Char('\n')).toUtf8());
}

} // namespace brisquel
