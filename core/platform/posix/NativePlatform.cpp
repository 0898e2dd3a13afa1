// This machine's services: the Linux stand-ins for the platform's own.

#include "core/platform/Platform.h"

#include "core/platform/posix/FolderMetadataSearch.h"
#include "core/platform/posix/NoAutomationPermission.h"
#include "core/platform/posix/OsascriptChannel.h"
#include "core/platform/posix/PlistFileDefaults.h"
#include "core/platform/posix/PosixLog.h"
#include "core/platform/posix/ProcRunningApplications.h"

namespace brisquel {

Platform Platform::native() {
    return native(NativeSettings{});
}

Platform Platform::native(const NativeSettings& settings) {
    Platform p;
    p.log = settings.log ? settings.log : std::make_shared<PosixLog>();
    p.metadataSearch = std::make_shared<FolderMetadataSearch>();
    p.runningApplications = std::make_shared<ProcRunningApplications>();
    p.preferences = std::make_shared<PlistFilePreferences>(settings.preferencesFolder.isEmpty()
                                                               ? PlistFilePreferences::defaultFolder()
                                                               : settings.preferencesFolder,
                                                           p.log);
    p.scriptChannel = std::make_shared<OsascriptChannel>();
    p.automationPermission = std::make_shared<NoAutomationPermission>();
    const QString folder = settings.applicationsFolder.isEmpty()
                               ? qEnvironmentVariable("QUILLMERE_APPLICATIONS_DIR")
                               : settings.applicationsFolder;
    p.applicationsFolder = folder.isEmpty() ? QStringLiteral("/Applications") : folder;
    return p;
}

} // namespace brisquel
