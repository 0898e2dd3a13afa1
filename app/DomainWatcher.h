#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace quillmere {

// Tells when another program may have changed a preferences domain's file, so that what is
// shown can be read again. The file and its folder are both watched: a program that replaces
// the file by renaming a new one over it ends the watch on the old file, and a domain that has
// no file yet gets one in the folder. A burst of changes is reported once.
class DomainWatcher final : public QObject {
    Q_OBJECT

public:
    // An empty path watches nothing (a domain without a file of its own).
    explicit DomainWatcher(const QString& file, QObject* parent = nullptr);

    const QString& file() const { return m_file; }
    bool isWatching() const { return !m_watcher.files().isEmpty() || !m_watcher.directories().isEmpty(); }

    // How long a burst of changes is gathered before it is reported.
    static constexpr int settleMilliseconds = 60;

    // Watches again what exists now (after this program created the domain's folder or file).
    void arm();

signals:
    void changed();

private:
    void noticed();

    QString m_file;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

} // namespace quillmere
