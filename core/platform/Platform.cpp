#include "Platform.h"

#include "posix/FolderMetadataSearch.h"
#include "posix/NoAutomationPermission.h"
#include "posix/OsascriptChannel.h"
#include "posix/PlistFileDefaults.h"
#include "posix/PosixLog.h"
#include "posix/ProcRunningApplications.h"

#include <QtGlobal>

namespace brisquel {

namespace {

// Set at start-up, before other threads run; read-only afterwards.
std::unique_ptr<Platform>& installed() {
    static std::unique_ptr<Platform> platform;
    return platform;
}

} // namespace

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

const Platform& Platform::current() {
    auto& platform = installed();
    if (!platform) {
        static const Platform fallback = native();
        return fallback;
    }
    return *platform;
}

void Platform::install(Platform platform) {
    installed() = std::make_unique<Platform>(std::move(platform));
}

} // namespace brisquel
