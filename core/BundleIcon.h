#pragma once

#include "VexoExtensions/Export.h"

#include <QString>
#include <QVariant>

namespace brisquel {

// The icon file a bundle names in its information dictionary (CFBundleIconFile): a file in
// Contents/Resources, with ".icns" or ".png" added when the name has no extension. Empty when
// the value is not a plain file name or no such regular file (within limits::kIconFileBytes)
// exists; a name can never reach outside the bundle's resources.
BRISQUEL_EXPORT QString bundleIconFile(const QString& bundlePath, const QVariant& iconFileName);

} // namespace brisquel
