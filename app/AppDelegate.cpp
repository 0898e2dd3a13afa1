#include "app/AppDelegate.h"

#include "ContactForm/ContactForm.h"
#include "Preferences/PreferencesWindowController.h"
#include "Preferences/WindowFrameAutosave.h"
#include "Preferences/WindowPlacement.h"
#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/Updater.h"
#include "VexoUpdater/UpdatesViewController.h"
#include "app/ApplicationIcon.h"
#include "app/AssignmentTransfer.h"
#include "app/ContentView.h"
#include "app/MainMenu.h"
#include "app/UndoHistory.h"

#include "core/AppFinder.h"
#include "core/platform/Platform.h"

#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

namespace quillmere {

AppDelegate::AppDelegate(brisquel::AppFinder& finder, QObject* parent)
    : QObject(parent), m_finder(finder), m_contactForm(new ContactForm(this)) {
    std::vector<std::unique_ptr<PreferencePane>> panes;
    panes.push_back(std::make_unique<UpdatesViewController>());
    m_preferencesWindowController = std::make_unique<PreferencesWindowController>(
        std::move(panes), Preferences::Style::toolbarItems, /*animated=*/true,
        /*hidesToolbarForSingleItem=*/true);
    // The application tells its delegate when it is about to end.
    if (QCoreApplication* application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
    }
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    // The content starts with no copies and nothing selected; it searches once on screen.
    auto* content = new ContentView(m_finder);

    auto window = std::make_unique<QMainWindow>();
    window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(kRequestedWidth, kRequestedHeight);
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
    connect(m_mainMenu->preferencesAction(), &QAction::triggered, this,
            &AppDelegate::preferencesMenuItemActionHandler);
    connect(m_mainMenu->checkForUpdatesAction(), &QAction::triggered, this, &AppDelegate::checkForUpdates);
    connect(m_mainMenu->sendFeedbackAction(), &QAction::triggered, m_contactForm, &ContactForm::sendFeedback);
    m_mainMenu->editMenu()->addActions(
        {content->undoHistory()->undoAction(), content->undoHistory()->redoAction()});
    // The assignments' own commands head the File menu.
    QMenu* file = m_mainMenu->fileMenu();
    QAction* first = file->actions().value(0);
    file->insertActions(first, {content->transfer()->importAction(), content->transfer()->exportAction()});
    file->insertMenu(first, content->transfer()->copyMenu());
    file->insertSeparator(first);

    // The window never gets smaller than its content allows.
    m_window->layout()->activate();
    m_window->setMinimumSize(m_window->minimumSizeHint());
    m_window->resize(m_window->size().expandedTo(m_window->minimumSize()));

    m_frameAutosave = new WindowFrameAutosave(
        m_window.get(), brisquel::Platform::current().standardUserDefaults(), kMainWindowFrameName);
    m_frameAutosave->restoreSize();

    m_window->setWindowTitle(brisquel::vexo::MainBundle::name());
    m_window->setWindowIcon(windowIcon());
    m_window->setUnifiedTitleAndToolBarOnMac(true);

    m_window->ensurePolished();
    fitAndCentre();

    m_window->show();
    // Showing can still settle the menu bar's height or add a frame; fit and centre what is shown,
    // and again once the window manager has framed it.
    fitAndCentre();
    QTimer::singleShot(0, m_window.get(), [this] { fitAndCentre(); });
    m_window->raise();
    m_window->activateWindow();
}

void AppDelegate::fitAndCentre() {
    const QScreen* screen = m_window->screen();
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    // The frame (title bar and borders) as the window manager draws it, or as it drew the last
    // window until it has framed this one.
    const QMargins frame = WindowPlacement::frameMargins(m_window.get());
    const QSize room = (available.size() - QSize(0, 0).grownBy(frame)).expandedTo(m_window->minimumSize());
    if (m_window->width() > room.width() || m_window->height() > room.height()) {
        m_window->resize(m_window->size().boundedTo(room));
    }
    // Centred with its frame, and again once it is framed; a window larger than the screen (its
    // minimum forbids smaller) keeps its title bar on screen.
    WindowPlacement::centre(m_window.get());
}

void AppDelegate::applicationWillTerminate() {}

void AppDelegate::preferencesMenuItemActionHandler() {
    m_preferencesWindowController->show(std::nullopt);
}

void AppDelegate::checkForUpdates() {
    if (Updater* updater = Updater::sharedUpdater()) {
        updater->checkForUpdates();
        return;
    }
    // Only a program that installed no updater gets here; the user still hears of it.
    QMessageBox::warning(
        m_window.get(), tr("Check for Updates"),
        tr("This copy of %1 cannot check for updates.").arg(brisquel::vexo::MainBundle::name()));
}

} // namespace quillmere
