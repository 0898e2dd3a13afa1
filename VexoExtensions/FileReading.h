#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QString>

namespace brisquel::vexo {

// Reads a whole file that comes from outside (another program's bundle or preferences domain).
//
// The file is opened without blocking and its type is checked on the open descriptor, so a FIFO,
// a device or a socket (or a symbolic link to one) is refused at once instead of hanging the
// reader, and a file swapped between a check and the open cannot slip through. A file larger than
// maxBytes is refused before it is read, and so is one that grows past it while being read.
//
// Failures: NotFound (nothing there), NotReadable (permissions, an I/O error), NotRegularFile,
// TooLarge; each message names the file and the cause.
BRISQUEL_EXPORT Expected<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

// The same check without reading: whether path names a regular file that could be opened for
// reading (for files handed to a library that opens them itself, such as an image reader).
BRISQUEL_EXPORT Result checkRegularFile(const QString& path, qint64 maxBytes);

} // namespace brisquel::vexo
