#include "app/FileWatch.h"

#include <QFileInfo>
#include <QSet>

namespace quillmere {

namespace {

// The file's folder, or while it is missing the nearest folder above it that exists.
QString nearestFolder(const QString& file) {
    QString folder = QFileInfo(file).absolutePath();
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder) {
            break;
        }
        folder = parent;
    }
    return folder;
}

// Brings the watcher's paths of one kind to `wanted`, leaving alone what it already watches.
void follow(QFileSystemWatcher& watcher, const QStringList& watched, const QSet<QString>& wanted) {
    QStringList gone;
    for (const QString& path : watched) {
        if (!wanted.contains(path)) {
            gone.append(path);
        }
    }
    if (!gone.isEmpty()) {
        watcher.removePaths(gone);
    }
    const QSet<QString> kept(watched.begin(), watched.end());
    QStringList added;
    for (const QString& path : wanted) {
        if (!kept.contains(path)) {
            added.append(path);
        }
    }
    if (!added.isEmpty()) {
        watcher.addPaths(added);
    }
}

} // namespace

FileWatch::FileWatch(QObject* parent) : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        arm();
        emit changed();
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileWatch::noticed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileWatch::noticed);
}

void FileWatch::setFiles(const QStringList& files) {
    if (files == m_files) {
        return;
    }
    m_files = files;
    arm();
}

void FileWatch::arm() {
    QSet<QString> folders;
    QSet<QString> files;
    for (const QString& file : std::as_const(m_files)) {
        if (file.isEmpty()) {
            continue;
        }
        const QString folder = nearestFolder(file);
        if (QFileInfo(folder).isDir()) {
            folders.insert(folder);
        }
        // After a replace the watch on the old file is gone; the new file is watched afresh.
        if (QFileInfo::exists(file)) {
            (QFileInfo(file).isDir() ? folders : files).insert(file);
        }
    }
    follow(m_watcher, m_watcher.directories(), folders);
    follow(m_watcher, m_watcher.files(), files);
}

void FileWatch::noticed() {
    // What is watched is brought up to date once the burst has settled (a folder above a file's
    // own folder changes for many reasons; the watch moves closer when it can).
    m_settle.start();
}

} // namespace quillmere
