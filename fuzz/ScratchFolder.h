#pragma once

#include "tests/support/HostileFiles.h"

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
// process, made on first use under $TMPDIR (scripts/fuzz points that into the build folder). The
// files around the fuzzer's bytes come from the tests' hostile-file maker.
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

// Replaces the file's contents with the fuzzer's bytes, making its folders first.
inline void writeFile(const QString& path, const std::uint8_t* data, std::size_t size) {
    testsupport::HostileFiles::writeFile(
        path, QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
}

// A copy of the input: readers are handed bytes read from a file, which QByteArray ends with a NUL.
inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

} // namespace quillmere::fuzz
