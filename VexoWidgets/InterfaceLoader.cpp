#include "VexoWidgets/InterfaceLoader.h"

#include "VexoExtensions/ApplicationPlugin.h"

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

// Its address names the binary that holds this code, beside which the plug-in lies.
const char kPluginFinder = 0;

} // namespace

Expected<InterfaceLoader*> InterfaceLoader::shared() {
    // Once per process: a plug-in that failed to load fails the same way again.
    static const Expected<InterfaceLoader*> loaded = []() -> Expected<InterfaceLoader*> {
        const Expected<QObject*> root =
            brisquel::vexo::loadApplicationPlugin(QStringLiteral("VexoInterfaceLoader"), &kPluginFinder);
        if (!root)
            return root.result();
        if (auto* loader = qobject_cast<InterfaceLoader*>(*root))
            return loader;
        return Result::failure(
            Status::Malformed,
            QStringLiteral("libVexoInterfaceLoader.so is not the reader of interface files"));
    }();
    return loaded;
}

} // namespace quillmere
