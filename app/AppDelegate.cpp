#include "app/AppDelegate.h"

#include "Preferences/WindowFrameAutosave.h"
#include "app/AppIdentity.h"
#include "app/ContentView.h"
#include "app/MainMenu.h"

#include "core/AppFinder.h"
#include "core/platform/Platform.h"

#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>

namespace quillmere {

namespace {

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen) {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace

AppDelegate::AppDelegate(brisquel::AppFinder& finder, QObject* parent) : QObject(parent), m_finder(finder) {
    // The application tells its delegate when it is about to end.
    if (QCoreApplication* application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
    }
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    // The content starts with no versions and nothing selected; it searches once on screen.
    auto* content = new ContentView(m_finder);

    auto window = std::make_unique<QMainWindow>();
    window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(requestedWidth, requestedHeight);
    // Replacing the pointer releases any window held before.
    m_window = std::move(window);
    // Closing hides the window; the object and its content stay alive for the delegate.
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_window->setCentralWidget(content);
    m_contentView = content;

#if defined(Q_OS_MACOS)
    m_globalMenuBar = std::make_unique<QMenuBar>(nullptr);
    m_mainMenu = new MainMenu(m_globalMenuBar.get(), m_window.get(), this);
#else
    m_mainMenu = new MainMenu(m_window->menuBar(), m_window.get(), this);
#endif

    // The window never gets smaller than its content allows.
    m_window->layout()->activate();
    m_window->setMinimumSize(m_window->minimumSizeHint());
    m_window->resize(m_window->size().expandedTo(m_window->minimumSize()));

    m_frameAutosave = new WindowFrameAutosave(
        m_window.get(), brisquel::Platform::current().preferences->open(applicationBundleIdentifier()),
        mainWindowFrameName());
    m_frameAutosave->restoreSize();

    m_window->setWindowTitle(applicationName());
    m_window->setUnifiedTitleAndToolBarOnMac(true);

    m_window->ensurePolished();
    centreOnScreen(m_window.get());

    m_window->show();
    // Showing can still settle the menu bar's height or add a frame; centre what is shown.
    centreOnScreen(m_window.get());
    m_window->raise();
    m_window->activateWindow();
}

void AppDelegate::applicationWillTerminate() {}

} // namespace quillmere
