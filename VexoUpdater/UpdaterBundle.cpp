#include "VexoUpdater/UpdaterBundle.h"

namespace quillmere {

namespace {

// Its address names the binary that holds this library's code.
class BundleFinder final {};
const BundleFinder kBundleFinder{};

} // namespace

const ResourceBundle& updaterBundle() {
    // A function-local static is made once, even with several threads asking at once.
    static const ResourceBundle bundle(QStringLiteral("VexoUpdater"), &kBundleFinder);
    return bundle;
}

QIcon updaterIcon() {
    return updaterBundle().icon(QStringLiteral("arrow.down.circle"));
}

} // namespace quillmere
