#pragma once

#include "VexoExtensions/Export.h"

#include <QString>

namespace brisquel {

// Identity of one Capture One copy by its bundle identifier.
struct BRISQUEL_EXPORT CaptureOne {
    QString bundleIdentifier;

    const QString& id() const { return bundleIdentifier; }
};

} // namespace brisquel
