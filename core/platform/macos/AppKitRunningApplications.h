#pragma once

#include "core/platform/RunningApplications.h"

namespace brisquel::macos {

// The running applications as AppKit knows them (NSRunningApplication's lookup by bundle
// identifier): the process identifiers of those still running, in ascending order, as the Linux
// stand-in gives them. An application that has no process (identifier -1) or has already ended is
// left out.
class AppKitRunningApplications final : public RunningApplications {
public:
    QList<qint64> processesWithBundleIdentifier(const QString& bundleIdentifier) override;
};

} // namespace brisquel::macos
