#pragma once

#include <QString>

namespace brisquel {

// Identity of one Capture One copy by its bundle identifier.
struct CaptureOne {
    QString bundleIdentifier;

    const QString& id() const { return bundleIdentifier; }
};

} // namespace brisquel
