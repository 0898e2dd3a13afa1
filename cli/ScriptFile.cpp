#include "cli/ScriptFile.h"

#include "cli/TerminalText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisquel::cli {

namespace {

using vexo::Result;
using vexo::Status;

// Enough of a file's start to tell a compiled script, a text and a binary file apart.
constexpr qsizetype kSniffedBytes = 4096;
// What every compiled AppleScript's data begins with.
constexpr char kCompiledScriptMagic[] = "FasdUAS";

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString quoted(const QString& shown) {
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

// The first bytes of a regular file, opened so that nothing can make the open or the read wait
// (a FIFO put in the file's place between the check and the open is refused here too).
vexo::Expected<QByteArray> head(const QByteArray& path, const QString& shown) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        return Result::failure(Status::NotReadable, shown + QStringLiteral(" cannot be read: ") +
                                                        errorText(error) +
                                                        QStringLiteral(", so Capture One could not run it"));
    }
    struct stat info {};
    QByteArray bytes;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.resize(kSniffedBytes);
        ssize_t n = 0;
        do {
            n = ::read(fd, bytes.data(), size_t(bytes.size()));
        } while (n < 0 && errno == EINTR);
        bytes.resize(n < 0 ? 0 : n);
    }
    ::close(fd);
    if (!S_ISREG(info.st_mode)) {
        return Result::failure(Status::NotRegularFile, shown + QStringLiteral(" is not a regular file"));
    }
    return bytes;
}

bool isCompiledScript(const QByteArray& head) {
    return head.startsWith(kCompiledScriptMagic);
}

// Text has no NUL bytes, except in UTF-16, which begins with a byte-order mark.
bool isText(const QByteArray& head) {
    return head.startsWith("\xff\xfe") || head.startsWith("\xfe\xff") || !head.contains('\0');
}

// Why a regular file is not a script file; empty when it is one.
QString whyNotAScript(const QByteArray& path, const QString& shown) {
    const vexo::Expected<QByteArray> start = head(path, shown);
    if (!start) {
        return start.result().message();
    }
    if (start->isEmpty()) {
        return shown + QStringLiteral(" is empty");
    }
    if (isCompiledScript(*start)) {
        return {};
    }
    const QString suffix = QString::fromUtf8(path.mid(path.lastIndexOf('.') + 1)).toLower();
    if (suffix == QLatin1String("scpt") || suffix == QLatin1String("applescript")) {
        return isText(*start) ? QString()
                              : shown + QStringLiteral(" is neither a compiled script nor a script text");
    }
    return shown + QStringLiteral(" is not an AppleScript file (.scpt, .scptd or .applescript)");
}

QString kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) {
        return QStringLiteral("a FIFO");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("a socket");
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return QStringLiteral("a device");
    }
    return QStringLiteral("not a regular file");
}

// Why the file at path is not a script Capture One could run; empty when it is one.
QString whyNotRunnable(const QByteArray& path, const QString& shown) {
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        const int error = errno;
        struct stat link {};
        if (error == ENOENT && ::lstat(path.constData(), &link) == 0) {
            return shown + QStringLiteral(" is a symbolic link to a file that does not exist");
        }
        return shown + (error == ENOENT ? QStringLiteral(" does not exist")
                                        : QStringLiteral(" cannot be reached: ") + errorText(error));
    }
    if (S_ISDIR(info.st_mode)) {
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1).toLower();
        if (!name.endsWith(".scptd")) {
            return shown + QStringLiteral(" is a folder, not a script file");
        }
        // The bundle's main script is judged as a file of its own would be: a FIFO, a folder or a
        // dangling link there is named as what it is; only a main script that is not there at all
        // makes a bundle "without" one.
        const QByteArray main = path + "/Contents/Resources/Scripts/main.scpt";
        struct stat mainInfo {};
        if (::lstat(main.constData(), &mainInfo) != 0 && errno == ENOENT) {
            return shown + QStringLiteral(" is a script bundle without Contents/Resources/Scripts/main.scpt");
        }
        return whyNotRunnable(main, shown + QStringLiteral("/Contents/Resources/Scripts/main.scpt"));
    }
    if (!S_ISREG(info.st_mode)) {
        return shown + QStringLiteral(" is ") + kindOf(info.st_mode) + QStringLiteral(", not a script file");
    }
    return whyNotAScript(path, shown);
}

bool sameFile(const QByteArray& a, const QByteArray& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.constData(), &first) == 0 && ::stat(b.constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

vexo::Expected<ScriptFile> ScriptFile::check(const Argument& file, bool force) {
    if (!file.isText()) {
        return Result::failure(Status::Refused,
                               QStringLiteral("the file name ") + quoted(file.shown()) +
                                   QStringLiteral(" is not valid UTF-8: Capture One's preferences keep a "
                                                  "path as text, and this one has no exact text form; "
                                                  "rename the file"));
    }
    QByteArray absolute = file.bytes();
    if (!absolute.startsWith('/')) {
        QByteArray folder(4096, Qt::Uninitialized);
        while (::getcwd(folder.data(), size_t(folder.size())) == nullptr) {
            if (errno != ERANGE || folder.size() > (1 << 20)) {
                const int error = errno;
                return Result::failure(Status::NotReadable,
                                       QStringLiteral("the current folder cannot be found (") +
                                           errorText(error) +
                                           QStringLiteral("): give the file's absolute path"));
            }
            folder.resize(folder.size() * 2);
        }
        folder.truncate(qsizetype(std::strlen(folder.constData())));
        if (!Argument::decodeExactly(folder)) {
            return Result::failure(Status::Refused,
                                   QStringLiteral("the current folder ") + quoted(Argument::shown(folder)) +
                                       QStringLiteral(" is not valid UTF-8: Capture One's preferences keep a "
                                                      "path as text, and the file's path would have no exact "
                                                      "text form; rename the folder"));
        }
        absolute = folder + (folder.endsWith('/') ? "" : "/") + file.bytes();
    }
    const QString text = *Argument::decodeExactly(absolute);
    const QString shown = TerminalText::printable(text);

    // "." and repeated "/" never change which file a path names; ".." can, past a symbolic link.
    QString path = QDir::cleanPath(text);
    if (path != text && !sameFile(QFile::encodeName(path), absolute) && QFileInfo::exists(text)) {
        path = text;
    }

    // The library takes the file as a URL; a path the URL form would change is never stored.
    if (QUrl::fromLocalFile(path).toLocalFile() != path) {
        return Result::failure(Status::Refused, QStringLiteral("the path ") + quoted(shown) +
                                                    QStringLiteral(" cannot be stored exactly"));
    }

    // The checks look at the path as it will be stored, so that its last name is the file's own
    // (not "." or an empty name after a trailing "/").
    const QString problem = whyNotRunnable(QFile::encodeName(path), shown);
    if (problem.isEmpty()) {
        return ScriptFile(path, QString());
    }
    if (force) {
        return ScriptFile(path, problem);
    }
    return Result::failure(Status::Refused, problem + QStringLiteral("; give --force to assign it anyway"));
}

} // namespace brisquel::cli
