#include "app/ApplicationMain.h"

#include "VexoExtensions/MainBundle.h"
#include "VexoExtensions/VisibleText.h"
#include "VexoUpdater/FeedUpdater.h"
#include "VexoUpdater/LastUpdateCheck.h"
#include "VexoUpdater/UpdateCheckCommand.h"
#include "VexoWidgets/Appearance.h"
#include "app/AppDelegate.h"
#include "app/ApplicationIcon.h"
#include "app/CommandLine.h"
#include "app/ContentView.h"
#include "app/QuitOnSignal.h"
#include "app/URLTransformer.h"
#include "core/AppFinder.h"
#include "core/platform/Platform.h"
#if defined(QUILLMERE_WITH_SPARKLE)
#include "VexoUpdater/SparkleUpdater.h"
#endif

#include <QApplication>
#include <QList>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace quillmere {

// The application's updater, chosen by the build: Sparkle where a macOS build bundles it, else
// the application's own check of its feed.
#if defined(QUILLMERE_WITH_SPARKLE)
using ApplicationUpdater = SparkleUpdater;
#else
using ApplicationUpdater = FeedUpdater;
#endif

namespace {

// While the application object is made, the toolkit's messages are held back: when it cannot
// reach the window system it writes a few lines and then aborts the process. In that case one
// line of ours is written instead, with the toolkit's own reason, and the program ends with
// status 1. Otherwise the held messages go on as they came.
class WindowSystemStart final {
public:
    WindowSystemStart() { s_previous = qInstallMessageHandler(&hold); }
    ~WindowSystemStart() {
        qInstallMessageHandler(s_previous);
        for (const Held& message : std::as_const(s_held)) {
            if (s_previous) {
                s_previous(message.type, QMessageLogContext(), message.text);
            } else {
                std::fprintf(stderr, "%s\n", qUtf8Printable(message.text));
            }
        }
        s_held.clear();
    }
    WindowSystemStart(const WindowSystemStart&) = delete;
    WindowSystemStart& operator=(const WindowSystemStart&) = delete;

private:
    struct Held {
        QtMsgType type;
        QString text;
    };

    static void hold(QtMsgType type, const QMessageLogContext& /*context*/, const QString& text) {
        if (type != QtFatalMsg) {
            s_held.append(Held{type, text});
            return;
        }
        // The cause the platform gave before it gave up, else the first line of its last word.
        QString cause = text.section(u'\n', 0, 0);
        for (const Held& message : std::as_const(s_held)) {
            if (message.type != QtDebugMsg) {
                cause = message.text.section(u'\n', 0, 0);
                break;
            }
        }
        const QString line =
            QStringLiteral("quillmere: no window can be shown: ") + brisquel::vexo::visibleText(cause);
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
        std::_Exit(1);
    }

    static inline QtMessageHandler s_previous = nullptr;
    static inline QList<Held> s_held;
};

} // namespace

bool hasGlobalMenuBar() {
#if defined(Q_OS_MACOS)
    return true;
#else
    return false;
#endif
}

void configureApplication() {
    using brisquel::vexo::MainBundle;
    QCoreApplication::setApplicationName(MainBundle::name());
    QCoreApplication::setApplicationVersion(MainBundle::shortVersion());
    // The identifier's domain part, reversed: "com.tamberline.Quillmere" gives "tamberline.com".
    QStringList domain = MainBundle::bundleIdentifier().split(u'.', Qt::SkipEmptyParts);
    if (!domain.isEmpty()) {
        domain.removeLast();
    }
    std::reverse(domain.begin(), domain.end());
    QCoreApplication::setOrganizationDomain(domain.join(u'.'));
    // No display name: the toolkit would add it to every window's title on X11, giving
    // "Quillmere Preferences — Quillmere". Each window names the application where it matters.
    QGuiApplication::setDesktopFileName(MainBundle::bundleIdentifier());
    // With a global menu bar the application stays reachable after its window closes, and the
    // user quits it from there. Without one, an application left running with no window could be
    // neither seen nor quit, so closing the last window quits it.
    QGuiApplication::setQuitOnLastWindowClosed(!hasGlobalMenuBar());
}

ApplicationLaunch::ApplicationLaunch(brisquel::AppFinder& finder, std::function<void(AppDelegate&)> launched,
                                     QObject* parent)
    : QObject(parent), m_delegate(std::make_unique<AppDelegate>(finder)), m_launched(std::move(launched)) {
    // Launching has finished once the event loop runs.
    QTimer::singleShot(0, this, &ApplicationLaunch::finishLaunching);
}

ApplicationLaunch::~ApplicationLaunch() {
    // The updater goes first: nothing of the delegate's reaches it afterwards.
    m_updater.reset();
    m_delegate.reset();
}

void ApplicationLaunch::finishLaunching() {
    m_delegate->applicationDidFinishLaunching();
    if (QMainWindow* window = m_delegate->window()) {
        window->centralWidget()->installEventFilter(this);
    }
    if (m_launched) {
        m_launched(*m_delegate);
    }
}

bool ApplicationLaunch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        watched->removeEventFilter(this);
        emit mainWindowPainted();
        // After the paint has reached the screen.
        QTimer::singleShot(0, this, &ApplicationLaunch::installUpdater);
    }
    return QObject::eventFilter(watched, event);
}

void ApplicationLaunch::installUpdater() {
    auto updater = std::make_unique<ApplicationUpdater>();
    ApplicationUpdater* made = updater.get();
    m_updater = std::move(updater);
    Updater::setSharedUpdater(made);
    LastUpdateCheck::shared().follow(made);
    made->startAutomaticChecks();
}

int ApplicationMain(int argc, char** argv, const std::function<void(AppDelegate&)>& launched) {
    // Answered before the toolkit starts, which needs a display.
    if (const std::optional<int> answered = answerCommandLine(argc, argv)) {
        return *answered;
    }
    if (isUpdateCheckCommand(argc, argv)) {
        return runUpdateCheckCommand(argc, argv);
    }
    if (const std::optional<QString> problem = displayProblem(argc, argv)) {
        std::fprintf(stderr, "quillmere: %s\n", problem->toLocal8Bit().constData());
        return 1;
    }
    std::unique_ptr<QApplication> application;
    {
        const WindowSystemStart start;
        application = std::make_unique<QApplication>(argc, argv);
    }
    configureApplication();
    applyApplicationStyle();
    // Every window of the application (the panel, message boxes) carries its icon.
    QApplication::setWindowIcon(windowIcon());
    // Installed before the first search starts any other thread.
    brisquel::Platform::install(brisquel::Platform::native());
    URLTransformer::registerTransformers();
    // Ctrl-C in the terminal quits as the Quit command does.
    QuitOnSignal quitOnSignal;

    int status = 0;
    {
        const ApplicationLaunch launch(brisquel::AppFinder::shared(), launched);
        status = QApplication::exec();
    }
    return status;
}

} // namespace quillmere
