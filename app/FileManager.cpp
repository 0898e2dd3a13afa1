#include "app/FileManager.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace quillmere {

using brisquel::vexo::Result;
using brisquel::vexo::Status;

Result revealInFileManager(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return Result::failure(Status::NotFound, path + QStringLiteral(" no longer exists."));
    }
#if defined(Q_OS_MACOS)
    const bool started = QProcess::startDetached(QStringLiteral("/usr/bin/open"),
                                                 {QStringLiteral("-R"), info.absoluteFilePath()});
#else
    const bool started = QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
#endif
    if (!started) {
        return Result::failure(Status::Unavailable,
                               QObject::tr("No file manager could be started to show it. The file is %1")
                                   .arg(info.absoluteFilePath()));
    }
    return Result::success();
}

} // namespace quillmere
