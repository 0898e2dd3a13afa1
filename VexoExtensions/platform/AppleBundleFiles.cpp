// An application bundle: the program runs from <name>.app/Contents/MacOS/, beside the bundle's own
// Contents/Info.plist and Contents/Resources (where the library resource bundles are copied).

#include "VexoExtensions/platform/BundleFiles.h"

#include "VexoExtensions/FileReading.h"
#include "VexoExtensions/InputLimits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <mach-o/dyld.h>

namespace brisquel::vexo::bundlefiles {

namespace {

// The path of this process's executable, as dyld gives it (before any application object exists).
QString executablePath() {
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size); // -1, with the size the path needs
    QByteArray path(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (size == 0 || _NSGetExecutablePath(path.data(), &size) != 0)
        return {};
    return QFileInfo(QFile::decodeName(path.constData())).canonicalFilePath();
}

// <name>.app/Contents when the executable lies in its MacOS folder; empty for a program that is
// not in a bundle (a test, a tool built on its own), which then finds its files as installed.
QString contentsFolder() {
    static const QString contents = [] {
        const QString executable = executablePath();
        if (executable.isEmpty())
            return QString();
        QDir folder = QFileInfo(executable).dir();
        if (folder.dirName() != QLatin1String("MacOS") || !folder.cdUp() ||
            folder.dirName() != QLatin1String("Contents"))
            return QString();
        const QString path = folder.path();
        return QFileInfo(path).path().endsWith(QLatin1String(".app")) ? path : QString();
    }();
    return contents;
}

} // namespace

InfoPlist infoPlist() {
    const QString contents = contentsFolder();
    if (contents.isEmpty())
        return installed::infoPlist();
    const QString path = contents + QStringLiteral("/Info.plist");
    const Expected<QByteArray> bytes = readRegularFile(path, limits::kInfoPlistBytes);
    return {bytes ? *bytes : QByteArray(), path};
}

QString resourceFolder() {
    const QString contents = contentsFolder();
    return contents.isEmpty() ? installed::resourceFolder() : contents + QStringLiteral("/Resources");
}

} // namespace brisquel::vexo::bundlefiles
