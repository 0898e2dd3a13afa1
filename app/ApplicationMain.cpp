#include "app/ApplicationMain.h"

#include "app/AppDelegate.h"
#include "app/AppIdentity.h"
#include "app/Appearance.h"
#include "app/ApplicationIcon.h"
#include "app/CommandLine.h"
#include "app/QuitOnSignal.h"
#include "app/URLTransformer.h"

#include "VexoUpdater/FeedUpdater.h"
#include "VexoUpdater/UpdateCheckCommand.h"
#include "core/AppFinder.h"
#include "core/platform/Platform.h"

#include <QApplication>
#include <QTimer>

#if defined(QUILLMERE_WITH_SPARKLE)
#include "VexoUpdater/SparkleUpdater.h"
#endif

namespace quillmere {

// The application's updater, chosen by the build: Sparkle where a macOS build bundles it, else
// the application's own check of its feed.
#if defined(QUILLMERE_WITH_SPARKLE)
using ApplicationUpdater = SparkleUpdater;
#else
using ApplicationUpdater = FeedUpdater;
#endif

bool hasGlobalMenuBar() {
#if defined(Q_OS_MACOS)
    return true;
#else
    return false;
#endif
}

void configureApplication() {
    QCoreApplication::setApplicationName(applicationName());
    QCoreApplication::setOrganizationDomain(QStringLiteral("tamberline.com"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMERE_VERSION));
    // No display name: the toolkit would add it to every window's title on X11, giving
    // "Quillmere Preferences — Quillmere". Each window names the application where it matters.
    QGuiApplication::setDesktopFileName(applicationBundleIdentifier());
    // With a global menu bar the application stays reachable after its window closes, and the
    // user quits it from there. Without one, an application left running with no window could be
    // neither seen nor quit, so closing the last window quits it.
    QGuiApplication::setQuitOnLastWindowClosed(!hasGlobalMenuBar());
}

int ApplicationMain(int argc, char** argv, const std::function<void(AppDelegate&)>& launched) {
    // Answered before the toolkit starts, which needs a display.
    if (const std::optional<int> answered = answerCommandLine(argc, argv)) {
        return *answered;
    }
    if (isUpdateCheckCommand(argc, argv)) {
        return runUpdateCheckCommand(argc, argv);
    }
    QApplication application(argc, argv);
    configureApplication();
    applyPaletteChoice();
    // Every window of the application (the panel, message boxes) carries its icon.
    QApplication::setWindowIcon(applicationIcon());
    // Installed before the first search starts any other thread.
    brisquel::Platform::install(brisquel::Platform::native());
    URLTransformer::registerTransformers();
    // Ctrl-C in the terminal quits as the Quit command does.
    QuitOnSignal quitOnSignal;

    // The updater exists before the delegate, whose preferences pane hands it the feed address.
    ApplicationUpdater updater;
    Updater::setSharedUpdater(&updater);

    AppDelegate delegate(brisquel::AppFinder::shared());
    // Launching has finished once the event loop runs.
    QTimer::singleShot(0, &delegate, [&delegate, &launched, &updater] {
        delegate.applicationDidFinishLaunching();
        updater.startAutomaticChecks();
        if (launched) {
            launched(delegate);
        }
    });
    return QApplication::exec();
}

} // namespace quillmere
