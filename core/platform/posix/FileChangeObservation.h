#pragma once

#include "VexoExtensions/UserDefaults.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

namespace brisquel {

// Tells when a file may have changed, through the kernel's file notifications. The file and its
// folder are both watched: a program that replaces the file by renaming a new one over it ends the
// watch on the old file, and a file that does not exist yet is created in the folder. While the
// folder itself does not exist, the nearest folder above it that does is watched instead. A burst
// of changes is told once, after it settles.
class FileChangeObservation final : public QObject, public vexo::ChangeObservation {
    Q_OBJECT

public:
    // How long a burst of changes is gathered before it is told.
    static constexpr int kSettleMilliseconds = 60;

    FileChangeObservation(QString file, std::function<void()> onChange);

    // The paths watched now.
    QStringList watchedPaths() const { return m_watcher.files() + m_watcher.directories(); }

private:
    // Watches what exists now.
    void arm();
    void noticed();

    QString m_file;
    std::function<void()> m_onChange;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

} // namespace brisquel
