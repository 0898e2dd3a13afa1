#pragma once

#include "VexoExtensions/Export.h"

#include <QList>
#include <QString>

namespace brisquel {

// The platform's list of running applications.
class BRISQUEL_EXPORT RunningApplications {
public:
    virtual ~RunningApplications() = default;
    // Process identifiers of the running applications whose bundle identifier is the given one.
    virtual QList<qint64> processesWithBundleIdentifier(const QString& bundleIdentifier) = 0;
};

} // namespace brisquel
