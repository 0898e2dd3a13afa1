#include "ContactForm/ContactFormBundle.h"

#include "VexoExtensions/MainBundle.h"

#include <QDir>

namespace quillmere {

namespace {

// Its address names the binary that holds this library's code.
class BundleFinder final {};
const BundleFinder kBundleFinder{};

} // namespace

QString ContactFormBundle::path() {
    // A function-local static is initialised once, even with several threads asking at once.
    static const QString bundle =
        brisquel::vexo::requireResourceBundle(QString::fromLatin1(kLibraryName), &kBundleFinder);
    return bundle;
}

QString ContactFormBundle::filePath(const QString& name) {
    return QDir(path()).filePath(name);
}

} // namespace quillmere
