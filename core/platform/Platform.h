#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/UserDefaults.h"
#include "core/platform/AutomationPermission.h"
#include "core/platform/Log.h"
#include "core/platform/MetadataSearch.h"
#include "core/platform/RunningApplications.h"
#include "core/platform/ScriptChannel.h"

#include <memory>

namespace brisquel {

// The platform services the scripting core uses, handed in as a whole. A program installs one
// set at start-up (the native services, or fakes in tests) before it starts any other thread.
struct BRISQUEL_EXPORT Platform {
    std::shared_ptr<MetadataSearch> metadataSearch;
    std::shared_ptr<RunningApplications> runningApplications;
    std::shared_ptr<vexo::PreferencesDomains> preferences;
    std::shared_ptr<ScriptChannel> scriptChannel;
    std::shared_ptr<AutomationPermission> automationPermission;
    std::shared_ptr<Log> log;
    // The folder searched for installed applications.
    QString applicationsFolder;
    // A failure when the folder the environment names cannot be used as given (its path is not
    // valid UTF-8, so no text names it exactly): then a discovery searches nothing and gives this
    // reason, and applicationsFolder shows the path as a person may read it.
    vexo::Result applicationsFolderProblem;

    // The application's own preferences domain: the one named by the main bundle's identifier.
    std::shared_ptr<vexo::UserDefaults> standardUserDefaults() const;

    // The services in force: those installed last, else the native ones.
    static const Platform& current();
    static void install(Platform platform);
    // This machine's own services, configured from the environment (QUILLMERE_APPLICATIONS_DIR,
    // QUILLMERE_PREFERENCES_DIR, QUILLMERE_OSASCRIPT). A folder variable whose path is not valid
    // UTF-8 is refused, never decoded into a look-alike: see applicationsFolderProblem, and the
    // preferences handles, whose every read and write then gives the reason.
    static Platform native();
    // The same, with any of these set in place of what the environment says (tests and tools that
    // keep their own folders or log).
    struct NativeSettings {
        QString applicationsFolder{};
        QString preferencesFolder{};
        std::shared_ptr<Log> log{};
    };
    static Platform native(const NativeSettings& settings);
};

} // namespace brisquel
