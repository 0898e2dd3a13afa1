#pragma once

#include "core/platform/RunningApplications.h"

#include <QHash>
#include <QString>

#include <mutex>
#include <sys/types.h>

namespace brisquel {

// The running applications read from /proc: a process runs a bundle when its executable lies
// inside "<bundle>.app/Contents/MacOS/", and its bundle identifier is that bundle's
// CFBundleIdentifier. Processes whose entries cannot be read (another user's, or gone while
// being read) are passed over.
class ProcRunningApplications final : public RunningApplications {
public:
    // procRoot is the process file system's mount point; tests may hand in a folder of their own.
    explicit ProcRunningApplications(QString procRoot = QStringLiteral("/proc"));

    QList<qint64> processesWithBundleIdentifier(const QString& bundleIdentifier) override;

    // The bundle folder an executable path lies in (the innermost "*.app" whose Contents/MacOS
    // holds it); empty when it lies in none.
    static QString bundleOfExecutable(const QString& executablePath);

private:
    // The CFBundleIdentifier of a bundle, read again only when its Info.plist changed.
    QString identifierOf(const QString& bundle);

    struct FileStamp {
        dev_t device;
        ino_t inode;
        off_t size;
        time_t seconds;
        long nanoseconds;
        bool operator==(const FileStamp&) const = default;
    };
    struct CachedIdentifier {
        FileStamp stamp;
        QString identifier;
    };

    QString m_procRoot;
    std::mutex m_cacheMutex;
    QHash<QString, CachedIdentifier> m_identifiers;
};

} // namespace brisquel
