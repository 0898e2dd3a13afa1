#pragma once

#include "VexoExtensions/Result.h"

#include <QString>

namespace quillmere {

// The setting that chooses between the release feed and the beta feed, kept in the application's
// own settings domain (brisquel::Platform::current().standardUserDefaults()) under
// "includeBetaReleases". Nothing registers a default for it. (C++ has no categories that add a
// property to every settings object, so the accessors are these two free functions.)

inline const QString kIncludeBetaReleasesKey = QStringLiteral("includeBetaReleases");

// The stored boolean; false when the key is absent, holds another kind of value, or the domain
// cannot be read (a reason for the last is written to the log by the domain).
bool includeBetaReleases();
// Stores the setting; a failure names the domain and the cause, and leaves the stored value as
// it was.
brisquel::vexo::Result setIncludeBetaReleases(bool include);

} // namespace quillmere
