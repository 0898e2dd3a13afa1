#include "VexoUpdater/ResourceBundle.h"

#include "VexoExtensions/MainBundle.h"

#include <QDir>
#include <QFileInfo>

namespace quillmere {

namespace {

// An object of this library's code: where it lies tells which binary holds the library.
const char kBundleFinder = 0;

} // namespace

QString updaterResourceBundle() {
    static const QString bundle =
        brisquel::vexo::requireResourceBundle(QStringLiteral("VexoUpdater"), &kBundleFinder);
    return bundle;
}

QIcon updaterIcon() {
    static const QIcon icon = [] {
        const QDir bundle(updaterResourceBundle());
        QIcon made;
        for (const QString& name :
             {QStringLiteral("arrow.down.circle.png"), QStringLiteral("arrow.down.circle@2x.png")}) {
            const QString path = bundle.filePath(name);
            if (!QFileInfo(path).isFile())
                qFatal("unable to find image %s in bundle %s", qUtf8Printable(name),
                       qUtf8Printable(bundle.path()));
            made.addFile(path);
        }
        return made;
    }();
    return icon;
}

} // namespace quillmere
