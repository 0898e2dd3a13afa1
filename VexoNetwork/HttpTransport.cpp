#include "VexoNetwork/HttpTransport.h"

#include "VexoExtensions/ApplicationPlugin.h"

namespace quillmere {

using brisquel::vexo::Expected;

namespace {

// Its address names the binary that holds this code, beside which the plug-in lies.
const char kPluginFinder = 0;

} // namespace

Expected<HttpTransport*> HttpTransport::load() {
    // Once per process: a plug-in that failed to load fails the same way again.
    static const Expected<HttpTransport*> loaded = brisquel::vexo::loadApplicationPluginAs<HttpTransport>(
        QStringLiteral("VexoNetworkPlugin"), &kPluginFinder, QStringLiteral("the network library"));
    return loaded;
}

} // namespace quillmere
