// Objective-C++ only because the lookup by bundle identifier is AppKit's (NSRunningApplication);
// libproc would avoid it, but Apple marks libproc private and subject to change.

#include "core/platform/macos/AppKitRunningApplications.h"

#import <AppKit/AppKit.h>

#include <algorithm>

namespace brisquel::macos {

QList<qint64> AppKitRunningApplications::processesWithBundleIdentifier(const QString& bundleIdentifier) {
    QList<qint64> processes;
    // Called from worker threads too, which have no autorelease pool of their own.
    @autoreleasepool {
        // Documented to give an empty array, never nil, when nothing runs with the identifier.
        NSArray<NSRunningApplication*>* running =
            [NSRunningApplication runningApplicationsWithBundleIdentifier:bundleIdentifier.toNSString()];
        for (NSRunningApplication* application in running) {
            const pid_t process = application.processIdentifier;
            if (!application.terminated && process > 0)
                processes.append(process);
        }
    }
    std::sort(processes.begin(), processes.end());
    return processes;
}

} // namespace brisquel::macos
