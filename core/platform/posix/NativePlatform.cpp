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
    Platform p;
    p.log = std::make_shared<PosixLog>();
    p.metadataSearch = std::make_shared<FolderMetadataSearch>();
    p.runningApplications = std::make_shared<ProcRunningApplications>();
    p.preferences = std::make_shared<PlistFilePreferences>(PlistFilePreferences::defaultFolder(), p.log);
    p.scriptChannel = std::make_shared<OsascriptChannel>();
    p.automationPermission = std::make_shared<NoAutomationPermission>();
    const QString folder = qEnvironmentVariable("QUILLMERE_APPLICATIONS_DIR");
    p.applicationsFolder = folder.isEmpty() ? QStringLiteral("/Applications") : folder;
    return p;
}

} // namespace brisquel
