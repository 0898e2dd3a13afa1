#include "core/platform/posix/FileChangeObservation.h"

#include <QDir>
#include <QFileInfo>

namespace brisquel {

FileChangeObservation::FileChangeObservation(QString file, std::function<void()> onChange)
    : m_file(std::move(file)), m_onChange(std::move(onChange)) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        arm();
        if (m_onChange)
            m_onChange();
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileChangeObservation::noticed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileChangeObservation::noticed);
    arm();
}

void FileChangeObservation::arm() {
    const QFileInfo info(m_file);
    // The folder, or while it is missing the nearest folder above it that exists.
    QString folder = info.absolutePath();
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    const QStringList watchedFolders = m_watcher.directories();
    for (const QString& stale : watchedFolders) {
        if (stale != folder)
            m_watcher.removePath(stale);
    }
    if (!watchedFolders.contains(folder) && QFileInfo(folder).isDir())
        m_watcher.addPath(folder);
    // After a replace the watch on the old file is gone; a new file is watched afresh.
    if (!m_watcher.files().contains(m_file) && info.exists())
        m_watcher.addPath(m_file);
}

void FileChangeObservation::noticed() {
    // A folder above the domain's folder changes for many reasons; watch closer when it can.
    arm();
    m_settle.start();
}

} // namespace brisquel
