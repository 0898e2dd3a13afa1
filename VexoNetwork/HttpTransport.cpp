#include "VexoNetwork/HttpTransport.h"

#include "VexoExtensions/ApplicationPlugin.h"

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

// Its address names the binary that holds this code, beside which the plug-in lies.
const char kPluginFinder = 0;

} // namespace

Expected<HttpTransport*> HttpTransport::load() {
    // Once per process: a plug-in that failed to load fails the same way again.
    static const Expected<HttpTransport*> loaded = []() -> Expected<HttpTransport*> {
        const Expected<QObject*> root =
            brisquel::vexo::loadApplicationPlugin(QStringLiteral("VexoNetworkPlugin"), &kPluginFinder);
        if (!root)
            return root.result();
        if (auto* transport = qobject_cast<HttpTransport*>(*root))
            return transport;
        return Result::failure(Status::Malformed,
                               QStringLiteral("libVexoNetworkPlugin.so is not the network library"));
    }();
    return loaded;
}

} // namespace quillmere
