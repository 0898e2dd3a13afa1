#include "cli/ScriptFile.h"

#include "cli/TerminalText.h"

#include "core/ScriptCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace brisquel::cli {

namespace {

using vexo::Result;
using vexo::Status;

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString quoted(const QString& shown) {
    return QLatin1Char('"') + shown + QLatin1Char('"');
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

    // "." and repeated "/" never change which file a path names; ".." can, past a symbolic link.
    QString path = QDir::cleanPath(text);
    if (path != text && !sameFile(QFile::encodeName(path), absolute) && QFileInfo::exists(text)) {
        path = text;
    }
    // Messages name the file as it would be stored, not as it was typed ("/home/me/./a.scpt").
    const QString shown = TerminalText::printable(path);

    // The library takes the file as a URL; a path the URL form would change is never stored.
    if (QUrl::fromLocalFile(path).toLocalFile() != path) {
        return Result::failure(Status::Refused, QStringLiteral("the path ") + quoted(shown) +
                                                    QStringLiteral(" cannot be stored exactly"));
    }

    // The checks look at the path as it will be stored, so that its last name is the file's own
    // (not "." or an empty name after a trailing "/").
    const ScriptCheck checked = ScriptCheck::of(path, shown);
    const QString& problem = checked.reason();
    if (checked.passes()) {
        return ScriptFile(path, QString());
    }
    if (force) {
        return ScriptFile(path, problem);
    }
    return Result::failure(Status::Refused, problem + QStringLiteral("; give --force to assign it anyway"));
}

} // namespace brisquel::cli
