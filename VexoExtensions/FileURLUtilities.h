#pragma once

#include "VexoExtensions/Export.h"

#include <QString>
#include <QUrl>

// Renaming helpers on file addresses: they edit the last component of the URL's path and keep
// everything else (scheme, folder, query). A path ending in "/" keeps its "/". The extension of a
// name is the part after its last ".", unless that "." begins or ends the name (".profile" and
// "notes." have none).
namespace brisquel::vexo {

// The last component of the URL's path ("" for an empty path or "/").
BRISQUEL_EXPORT QString lastPathComponent(const QUrl& url);
// The extension of the last path component, without its "."; "" when it has none.
BRISQUEL_EXPORT QString pathExtension(const QUrl& url);

// The text counter (see incrementingCounter in StringUtilities.h) applied to the last path
// component without its extension, the extension put back after it:
//     .../Scan.tif -> .../Scan_1.tif -> .../Scan_2.tif   (start 1, step 1, "%d", "_")
// Throws CounterError like the text form.
BRISQUEL_EXPORT QUrl incrementingCounter(const QUrl& url, qint64 start, qint64 step, const QString& format,
                                         const QString& delimiter);
BRISQUEL_EXPORT void incrementCounter(QUrl& url, qint64 start, qint64 step, const QString& format,
                                      const QString& delimiter);

// The URL with the last component's extension removed and extension added ("" adds none).
BRISQUEL_EXPORT QUrl replacingPathExtension(const QUrl& url, const QString& extension);
BRISQUEL_EXPORT void replacePathExtension(QUrl& url, const QString& extension);

// The URL with the last component replaced by name, keeping the old extension when
// preserveExtension is true: a/b.txt with "c" -> a/c.txt (true) or a/c (false).
BRISQUEL_EXPORT QUrl replacingLastPathComponent(const QUrl& url, const QString& name, bool preserveExtension);
BRISQUEL_EXPORT void replaceLastPathComponent(QUrl& url, const QString& name, bool preserveExtension);

} // namespace brisquel::vexo
