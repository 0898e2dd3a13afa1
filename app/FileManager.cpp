#include "app/FileManager.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace quillmere {

bool revealInFileManager(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return false;
    }
#if defined(Q_OS_MACOS)
    return QProcess::startDetached(QStringLiteral("/usr/bin/open"),
                                   {QStringLiteral("-R"), info.absoluteFilePath()});
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
#endif
}

} // namespace quillmere
