#pragma once

#include "VexoExtensions/Export.h"

#include <QString>

namespace brisquel {

// The platform's check for permission to send Apple events to another application.
class BRISQUEL_EXPORT AutomationPermission {
public:
    virtual ~AutomationPermission() = default;
    // Status of the check for any event class and identifier sent to the application whose bundle
    // identifier is given (macOS addresses it as such; a plain text target would address no
    // application); may ask the user when askUser is true. 0 means permitted; the status is
    // handed back unchanged, whatever it is.
    virtual int determine(const QString& targetDescriptorText, bool askUser) = 0;
};

} // namespace brisquel
