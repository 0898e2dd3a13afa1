#include "core/platform/Platform.h"

#include "core/platform/posix/FolderMetadataSearch.h"
#include "core/platform/posix/NoAutomationPermission.h"
#include "core/platform/posix/OsascriptChannel.h"
#include "core/platform/posix/PlistFileDefaults.h"
#include "core/platform/posix/PosixLog.h"
#include "core/platform/posix/ProcRunningApplications.h"

#include "VexoExtensions/MainBundle.h"

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

std::shared_ptr<vexo::UserDefaults> Platform::standardUserDefaults() const {
    return preferences ? preferences->open(vexo::MainBundle::bundleIdentifier()) : nullptr;
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
