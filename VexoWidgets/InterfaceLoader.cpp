#include "VexoWidgets/InterfaceLoader.h"

#include "VexoExtensions/ApplicationPlugin.h"

namespace quillmere {

using brisquel::vexo::Expected;

namespace {

// Its address names the binary that holds this code, beside which the plug-in lies.
const char kPluginFinder = 0;

} // namespace

Expected<InterfaceLoader*> InterfaceLoader::shared() {
    // Once per process: a plug-in that failed to load fails the same way again.
    static const Expected<InterfaceLoader*> loaded = brisquel::vexo::loadApplicationPluginAs<InterfaceLoader>(
        QStringLiteral("VexoInterfaceLoader"), &kPluginFinder,
        QStringLiteral("the reader of interface files"));
    return loaded;
}

} // namespace quillmere
