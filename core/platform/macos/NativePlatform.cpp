// This machine's services on macOS: the system's own, with the stand-ins that also work here for
// the folders a person or a test names.

#include "core/platform/Platform.h"

#include "core/platform/FallbackMetadataSearch.h"
#include "core/platform/macos/AppKitRunningApplications.h"
#include "core/platform/macos/AppleEventPermission.h"
#include "core/platform/macos/CFPreferencesDefaults.h"
#include "core/platform/macos/SpotlightMetadataSearch.h"
#include "core/platform/macos/UnifiedLog.h"
#include "core/platform/posix/FolderMetadataSearch.h"
#include "core/platform/posix/OsascriptChannel.h"
#include "core/platform/posix/PlistFileDefaults.h"

namespace brisquel {

namespace {

const QString kSystemApplications = QStringLiteral("/Applications");

} // namespace

Platform Platform::native() {
    return native(NativeSettings{});
}

Platform Platform::native(const NativeSettings& settings) {
    Platform p;
    p.log = settings.log ? settings.log : std::make_shared<macos::UnifiedLog>();
    // Spotlight answers for /Applications; the walk answers for a folder named by the settings or
    // QUILLMERE_APPLICATIONS_DIR, and whenever Spotlight fails or finds nothing.
    p.metadataSearch = std::make_shared<FallbackMetadataSearch>(
        QStringLiteral("Spotlight"), std::make_shared<macos::SpotlightMetadataSearch>(),
        QStringList{kSystemApplications}, std::make_shared<FolderMetadataSearch>());
    p.runningApplications = std::make_shared<macos::AppKitRunningApplications>();
    // A folder of domains named by the settings or QUILLMERE_PREFERENCES_DIR (a test's world, the
    // demo) keeps them as files, as on Linux; otherwise they are the user's own, in the system's
    // preferences.
    const QString preferencesFolder = settings.preferencesFolder.isEmpty()
                                          ? qEnvironmentVariable("QUILLMERE_PREFERENCES_DIR")
                                          : settings.preferencesFolder;
    if (preferencesFolder.isEmpty())
        p.preferences = std::make_shared<macos::CFPreferencesDomains>(p.log);
    else
        p.preferences = std::make_shared<PlistFilePreferences>(preferencesFolder, p.log);
    // osascript comes with every Mac.
    p.scriptChannel = std::make_shared<OsascriptChannel>();
    p.automationPermission = std::make_shared<macos::AppleEventPermission>();
    const QString folder = settings.applicationsFolder.isEmpty()
                               ? qEnvironmentVariable("QUILLMERE_APPLICATIONS_DIR")
                               : settings.applicationsFolder;
    p.applicationsFolder = folder.isEmpty() ? kSystemApplications : folder;
    return p;
}

} // namespace brisquel
