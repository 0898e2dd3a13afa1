// A program installed under a prefix: its information dictionary is compiled in as the Qt resource
// ":/Info.plist", and its data lies in share/quillmere beside its bin folder.

#include "VexoExtensions/platform/BundleFiles.h"

#include "VexoExtensions/MainBundle.h"

#include <QDir>
#include <QFile>

namespace brisquel::vexo::bundlefiles {

InfoPlist installed::infoPlist() {
    const QString resource = QStringLiteral(":/Info.plist");
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {QByteArray(), resource};
    return {file.readAll(), resource};
}

QString installed::resourceFolder() {
    const QString folder = MainBundle::bundleFolder();
    if (folder.isEmpty())
        return {};
    return QDir::cleanPath(folder + QStringLiteral("/../share/quillmere"));
}

// Where the application is no bundle, the installed form is the answer; on macOS,
// AppleBundleFiles.cpp gives it.
#if !defined(__APPLE__)
InfoPlist infoPlist() {
    return installed::infoPlist();
}

QString resourceFolder() {
    return installed::resourceFolder();
}
#endif

} // namespace brisquel::vexo::bundlefiles
