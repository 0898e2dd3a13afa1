#pragma once

#include "VexoExtensions/Export.h"

#include <QString>

namespace brisquel {

// The two diagnostic channels of the scripting core: the system log and standard output.
// Text handed in is written as it stands; it is never used as a format.
class BRISQUEL_EXPORT Log {
public:
    virtual ~Log() = default;

    // One line in the system log.
    virtual void system(const QString& line) = 0;
    // One line on standard output.
    virtual void standardOutput(const QString& line) = 0;
};

} // namespace brisquel
