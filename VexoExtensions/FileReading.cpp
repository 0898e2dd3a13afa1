#include "VexoExtensions/FileReading.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisquel::vexo {

namespace {

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString kindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    return QStringLiteral("a special file");
}

QString sizeText(qint64 bytes) {
    return QString::number(bytes) + QStringLiteral(" bytes");
}

// Closes the descriptor when it goes out of scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Opens path for reading and checks what it is. On success the descriptor is open and info
// describes it.
Result openRegular(const QString& path, qint64 maxBytes, Descriptor& file, struct stat& info) {
    const QByteArray native = QFile::encodeName(path);
    file.fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0) {
        const int error = errno;
        switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Result::failure(Status::NotFound, path + QStringLiteral(" does not exist"));
        case ENXIO: // a socket, or a FIFO or device with nothing behind it
        case ENODEV:
            return Result::failure(Status::NotRegularFile, path + QStringLiteral(" is not a regular file"));
        default:
            return Result::failure(Status::NotReadable,
                                   path + QStringLiteral(" cannot be opened: ") + errorText(error));
        }
    }
    if (::fstat(file.fd, &info) != 0)
        return Result::failure(Status::NotReadable,
                               path + QStringLiteral(" cannot be read: ") + errorText(errno));
    if (!S_ISREG(info.st_mode))
        return Result::failure(Status::NotRegularFile, path + QStringLiteral(" is ") + kindOf(info.st_mode) +
                                                           QStringLiteral(", not a regular file"));
    if (info.st_size > maxBytes)
        return Result::failure(Status::TooLarge, path + QStringLiteral(" is too large (") +
                                                     sizeText(info.st_size) + QStringLiteral("; at most ") +
                                                     sizeText(maxBytes) + QStringLiteral(" are read)"));
    return {};
}

} // namespace

Result checkRegularFile(const QString& path, qint64 maxBytes) {
    Descriptor file;
    struct stat info {};
    return openRegular(path, maxBytes, file, info);
}

Expected<QByteArray> readRegularFile(const QString& path, qint64 maxBytes) {
    Descriptor file;
    struct stat info {};
    if (Result opened = openRegular(path, maxBytes, file, info); !opened)
        return opened;
    // One byte more than allowed shows a file that grew past the bound while it was read.
    QByteArray contents(static_cast<qsizetype>(info.st_size) + 1, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == contents.size()) {
            if (used > maxBytes)
                break;
            contents.resize(qMin<qint64>(contents.size() * 2, maxBytes + 1));
        }
        const ssize_t count =
            ::read(file.fd, contents.data() + used, static_cast<size_t>(contents.size() - used));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return Result::failure(Status::NotReadable,
                                   path + QStringLiteral(" cannot be read: ") + errorText(errno));
        }
        if (count == 0)
            break;
        used += count;
    }
    if (used > maxBytes)
        return Result::failure(Status::TooLarge, path + QStringLiteral(" grew past ") + sizeText(maxBytes) +
                                                     QStringLiteral(" while it was read"));
    contents.truncate(used);
    return contents;
}

} // namespace brisquel::vexo
