#include "DomainWatcher.h"

#include <QFileInfo>

namespace quillmere {

DomainWatcher::DomainWatcher(const QString& file, QObject* parent) : QObject(parent), m_file(file) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        arm();
        emit changed();
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DomainWatcher::noticed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &DomainWatcher::noticed);
    arm();
}

void DomainWatcher::arm() {
    if (m_file.isEmpty()) {
        return;
    }
    const QFileInfo info(m_file);
    const QString folder = info.absolutePath();
    if (!m_watcher.directories().contains(folder) && QFileInfo(folder).isDir()) {
        m_watcher.addPath(folder);
    }
    // After a replace the watch on the old file is gone; a new file is watched afresh.
    if (!m_watcher.files().contains(m_file) && info.exists()) {
        m_watcher.addPath(m_file);
    }
}

void DomainWatcher::noticed() {
    m_settle.start();
}

} // namespace quillmere
