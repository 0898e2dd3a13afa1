#pragma once

#include "core/platform/RunningApplications.h"

#include <QString>

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
    QString m_procRoot;
};

} // namespace brisquel
