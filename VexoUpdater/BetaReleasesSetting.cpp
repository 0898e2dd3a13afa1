#include "VexoUpdater/BetaReleasesSetting.h"

#include "core/platform/Platform.h"

namespace quillmere {

using brisquel::vexo::Result;
using brisquel::vexo::Status;

bool includeBetaReleases() {
    const auto defaults = brisquel::Platform::current().standardUserDefaults();
    return defaults && defaults->boolean(kIncludeBetaReleasesKey).value_or(false);
}

Result setIncludeBetaReleases(bool include) {
    const auto defaults = brisquel::Platform::current().standardUserDefaults();
    if (!defaults)
        return Result::failure(Status::Unavailable,
                               QStringLiteral("The application's settings cannot be reached."));
    return defaults->write(kIncludeBetaReleasesKey, include);
}

} // namespace quillmere
