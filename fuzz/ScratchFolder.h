#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// For the fuzz targets whose reader takes a path rather than bytes: one temporary folder per
// process, made on first use under $TMPDIR (scripts/fuzz points that into the build folder).
namespace quillmere::fuzz {

// A failure here is the harness's, not the reader's; going on would only show a reader refusing
// every input, so the process stops with the reason.
[[noreturn]] inline void harnessFailure(const QString& what) {
    std::fprintf(stderr, "fuzz harness: %s\n", qUtf8Printable(what));
    std::abort();
}

inline const QString& scratchFolder() {
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/quillmere-fuzz-XXXXXX"));
    if (!folder.isValid())
        harnessFailure(QStringLiteral("no temporary folder: ") + folder.errorString());
    static const QString path = folder.path();
    return path;
}

// Replaces the file's contents with the bytes, making its folders first.
inline void writeFile(const QString& path, const std::uint8_t* data, std::size_t size) {
    if (!QDir().mkpath(QFileInfo(path).path()))
        harnessFailure(QStringLiteral("cannot make the folder of ") + path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
            static_cast<qint64>(size))
        harnessFailure(QStringLiteral("cannot write ") + path + QStringLiteral(": ") + file.errorString());
}

// A copy of the input: readers are handed bytes read from a file, which QByteArray ends with a NUL.
inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

} // namespace quillmere::fuzz
