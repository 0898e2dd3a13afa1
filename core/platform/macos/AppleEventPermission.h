#pragma once

#include "core/platform/AutomationPermission.h"

namespace brisquel::macos {

// Whether this process may send Apple events to an application, by AEDeterminePermissionToAutomateTarget
// for any event class and identifier. The target is addressed by its bundle identifier (a descriptor
// of type typeApplicationBundleID): a plain text descriptor, as the record's probe was first written,
// addresses no application, and the system would answer about nothing real.
//
// The status comes back unchanged for the log line: 0 permitted, -1743 not permitted, -1744 the
// user would have to be asked (askUser false), -600 the application is not running, or the error
// of making the descriptor. Apple's header asks that the call never be made on the main thread,
// since it may wait for the user's answer: there it runs on a thread of its own, and the caller
// waits for it.
class AppleEventPermission final : public AutomationPermission {
public:
    int determine(const QString& bundleIdentifier, bool askUser) override;
};

} // namespace brisquel::macos
