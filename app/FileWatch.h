#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace quillmere {

// Tells when any of a set of files may have changed: deleted, created again, replaced, renamed,
// or its permissions changed. Each file is watched itself (while it exists) and through its
// folder, which sees it come back; while the folder is missing too, the nearest folder above it
// that exists is watched instead. A burst of changes is told once, after it settles.
//
// The platform's file notifications do the watching: nothing is polled. Where the platform runs
// out of watches, the files it cannot watch are simply not followed.
class FileWatch final : public QObject {
    Q_OBJECT

public:
    // How long a burst of changes is gathered before it is told.
    static constexpr int kSettleMilliseconds = 60;

    explicit FileWatch(QObject* parent = nullptr);

    // The files to follow (absolute paths); replaces the set given before.
    void setFiles(const QStringList& files);
    const QStringList& files() const { return m_files; }
    // The files and folders watched now.
    QStringList watchedPaths() const { return m_watcher.files() + m_watcher.directories(); }

signals:
    // One of the files may have changed.
    void changed();

private:
    // Watches what exists now of the files and their folders.
    void arm();
    void noticed();

    QStringList m_files;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

} // namespace quillmere
