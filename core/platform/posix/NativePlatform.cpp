// This machine's services: the Linux stand-ins for the platform's own.

#include "core/platform/Platform.h"

#include "VexoExtensions/EnvironmentPath.h"

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
    p.preferences = std::make_shared<PlistFilePreferences>(
        settings.preferencesFolder.isEmpty() ? PlistFilePreferences::defaultFolder()
                                             : vexo::Expected<QString>(settings.preferencesFolder),
        p.log);
    p.scriptChannel = std::make_shared<OsascriptChannel>();
    p.automationPermission = std::make_shared<NoAutomationPermission>();
    QString folder = settings.applicationsFolder;
    if (folder.isEmpty()) {
        const vexo::Expected<QString> configured = vexo::environmentPath("QUILLMERE_APPLICATIONS_DIR");
        if (!configured) {
            p.applicationsFolderProblem = configured.result();
            folder = vexo::printableBytes(qgetenv("QUILLMERE_APPLICATIONS_DIR"));
        } else {
            folder = *configured;
        }
    }
    p.applicationsFolder = folder.isEmpty() ? QStringLiteral("/Applications") : folder;
    return p;
}

} // namespace brisquel
