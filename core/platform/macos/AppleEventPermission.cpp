#include "core/platform/macos/AppleEventPermission.h"

#include <QByteArray>

#include <CoreServices/CoreServices.h>
#include <pthread.h>

#include <system_error>
#include <thread>

namespace brisquel::macos {

namespace {

OSStatus probe(const QByteArray& bundleIdentifier, bool askUser) {
    AEAddressDesc target;
    AEInitializeDesc(&target);
    // The bundle identifier's UTF-8 bytes, without a terminating NUL.
    const OSErr made =
        AECreateDesc(typeApplicationBundleID, bundleIdentifier.constData(), bundleIdentifier.size(), &target);
    if (made != noErr)
        return made;
    const OSStatus status =
        AEDeterminePermissionToAutomateTarget(&target, typeWildCard, typeWildCard, askUser);
    AEDisposeDesc(&target);
    return status;
}

} // namespace

int AppleEventPermission::determine(const QString& bundleIdentifier, bool askUser) {
    const QByteArray identifier = bundleIdentifier.toUtf8();
    if (pthread_main_np() == 0)
        return probe(identifier, askUser);
    OSStatus status = noErr;
    try {
        std::thread worker([&] { status = probe(identifier, askUser); });
        worker.join();
    } catch (const std::system_error&) {
        // No thread could be started: the system is out of resources, which its own status says.
        return memFullErr;
    }
    return status;
}

} // namespace brisquel::macos
