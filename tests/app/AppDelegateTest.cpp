// The application delegate and its main window: launch, size limits, the saved frame, closing,
// termination, the menus and the About box, the keyboard, and the program's command line.

#include "tests/app/AppWorld.h"

#include "ContactForm/ContactForm.h"
#include "ContactForm/FeedbackWindow.h"
#include "Preferences/PreferencesWindowController.h"
#include "Preferences/UserInteractionPausableWindow.h"
#include "Preferences/WindowFrameAutosave.h"
#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/Updater.h"
#include "app/AppDelegate.h"
#include "app/ApplicationMain.h"
#include "app/ApplicationView.h"
#include "app/ChooseButton.h"
#include "app/CommandLine.h"
#include "app/ContentView.h"
#include "app/MainMenu.h"
#include "app/QuitOnSignal.h"
#include "app/RemoveButton.h"
#include "app/ScriptView.h"

#include <QAction>
#include <QDirIterator>
#include <QGuiApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <csignal>

using namespace quillmere;

namespace {

// Our own commands read in title case: every word capitalised but the short joining ones.
bool isTitleCase(QString text) {
    static const QStringList small{QStringLiteral("a"),  QStringLiteral("an"), QStringLiteral("and"),
                                   QStringLiteral("in"), QStringLiteral("of"), QStringLiteral("the"),
                                   QStringLiteral("to"), QStringLiteral("for")};
    text.remove(QLatin1Char('&')).remove(QChar(0x2026));
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        if ((i == 0 || !small.contains(words[i])) && !words[i].front().isUpper()) {
            return false;
        }
    }
    return true;
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        configureApplication();
        world.addCopy(22);
        world.addCopy(23);
    }
    void TearDown() override {
        apptest::closeMessageBoxes();
        apptest::settle();
    }

    // Launches a delegate and waits until its content has been filled.
    std::unique_ptr<AppDelegate> launch() {
        auto delegate = std::make_unique<AppDelegate>(world.finder());
        delegate->applicationDidFinishLaunching();
        QSignalSpy loaded(delegate->contentView(), &ContentView::applicationsLoaded);
        EXPECT_TRUE(loaded.wait(5000));
        apptest::settle();
        return delegate;
    }

    QSize savedSize() const {
        const auto contents = world.domainContents(brisquel::vexo::MainBundle::bundleIdentifier());
        const QString text =
            contents ? contents->value(AppDelegate::kMainWindowFrameName).toString() : QString();
        return WindowFrameAutosave::parseFrame(text).value_or(QRect()).size();
    }

    static bool isCentred(QWidget* window) {
        const QPoint screenCentre = window->screen()->availableGeometry().center();
        return (window->frameGeometry().center() - screenCentre).manhattanLength() <= 2;
    }

    apptest::AppWorld world;
};

TEST_F(MainWindow, LaunchShowsOneCentredTitledWindowInFrontWithTheApplicationIcon) {
    AppDelegate delegate(world.finder());
    EXPECT_EQ(delegate.window(), nullptr);
    EXPECT_TRUE(apptest::visibleTopLevels<QMainWindow>().isEmpty());

    delegate.applicationDidFinishLaunching();
    QMainWindow* window = delegate.window();
    ASSERT_NE(window, nullptr);
    // The content starts with nothing selected; the selection follows the search.
    EXPECT_FALSE(delegate.contentView()->selectedApp().has_value());
    EXPECT_EQ(window->centralWidget(), delegate.contentView());
    EXPECT_EQ(apptest::visibleTopLevels<QMainWindow>().size(), 1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmere"));
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_TRUE(isCentred(window));
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::activeWindow(), window);
}

TEST_F(MainWindow, NeitherTheWindowNorItsColumnsGetSmallerThanTheirContent) {
    auto delegate = launch();
    ContentView* content = delegate->contentView();
    // Neither the 600-point request nor a smaller size takes the content below 750 × 400.
    delegate->window()->resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_GE(content->width(), ContentView::kMinimumContentWidth);
    EXPECT_GE(content->height(), ContentView::kMinimumContentHeight);
    // Dragging the divider all the way either way leaves each column its minimum.
    delegate->window()->resize(1000, 600);
    auto* splitter = content->findChild<QSplitter*>();
    ASSERT_NE(splitter, nullptr);
    for (const QList<int>& sizes : {QList<int>{0, 2000}, QList<int>{2000, 0}}) {
        splitter->setSizes(sizes);
        QCoreApplication::processEvents();
        EXPECT_GE(content->sidebarColumn()->width(), ContentView::kMinimumSidebarWidth);
        EXPECT_GE(content->detailColumn()->width(), ContentView::kMinimumDetailWidth);
    }
}

TEST_F(MainWindow, TheFrameIsSavedUnderMainWindowAndRestoredWithinTheScreen) {
    auto delegate = launch();
    delegate->window()->resize(780, 520);
    // Nobody asks: the frame is written once the window has settled.
    EXPECT_TRUE(apptest::waitUntil([&] { return savedSize() == QSize(780, 520); }));
    delegate.reset();
    delegate = launch();
    EXPECT_EQ(delegate->window()->size(), QSize(780, 520));
    EXPECT_TRUE(isCentred(delegate->window()));
    delegate.reset();

    const auto own = world.platform().standardUserDefaults();
    const struct {
        QString saved;
        bool minimumWidth;
    } cases[] = {{QStringLiteral("10 10 20 20 0 0 x 1 2"), true},        // broken: the default
                 {QStringLiteral("0 0 9000 7000 0 0 9000 7000"), false}, // from a larger screen
                 {QStringLiteral("0 0 760 5000 0 0 800 5000"), false}};  // taller than this one
    for (const auto& [saved, minimumWidth] : cases) {
        SCOPED_TRACE(saved.toStdString());
        ASSERT_TRUE(own->setValue(AppDelegate::kMainWindowFrameName, saved));
        delegate = launch();
        QMainWindow* window = delegate->window();
        if (minimumWidth) {
            EXPECT_EQ(window->width(), window->minimumWidth());
        }
        // The whole frame, title bar included, lies on the screen.
        const QRect available = window->screen()->availableGeometry();
        EXPECT_TRUE(available.contains(window->frameGeometry()) ||
                    window->minimumHeight() > available.height())
            << window->frameGeometry().height() << " " << available.height();
        delegate.reset();
    }
}

TEST_F(MainWindow, ClosingHidesTheWindowAndKeepsItAlive) {
    auto delegate = launch();
    QPointer<QMainWindow> window = delegate->window();
    QPointer<ContentView> content = delegate->contentView();
    const int rows = content->sidebar()->count();

    // Without a global menu bar, closing the last window is what ends the application.
    EXPECT_EQ(QGuiApplication::quitOnLastWindowClosed(), !hasGlobalMenuBar());
    EXPECT_TRUE(window->close());
    apptest::settle();
    ASSERT_TRUE(window && content);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(delegate->window(), window.data());
    EXPECT_EQ(content->sidebar()->count(), rows);
}

TEST_F(MainWindow, TerminationChangesNothingOnDisk) {
    auto delegate = launch();
    delegate->frameAutosave()->save();
    auto snapshot = [this] {
        QMap<QString, QByteArray> files;
        QDirIterator it(world.temp().path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path, apptest::AppWorld::readBytes(path));
        }
        return files;
    };
    const auto before = snapshot();
    delegate->applicationWillTerminate();
    EXPECT_EQ(snapshot(), before);
}

TEST_F(MainWindow, MenusUseTitleCaseAndTheStandardShortcutsAndTheAboutBoxSpeaksPlainly) {
    auto delegate = launch();
    MainMenu* menu = delegate->mainMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->quitAction()->shortcut(), QKeySequence(QKeySequence::Quit));
    EXPECT_EQ(menu->closeAction()->shortcut(), QKeySequence(QKeySequence::Close));
    QList<QAction*> commands;
    for (QMenu* each : {menu->fileMenu(), menu->helpMenu()}) {
        commands << each->menuAction() << each->actions();
    }
    ApplicationView* detail = delegate->contentView()->applicationView();
    ASSERT_NE(detail, nullptr);
    ASSERT_FALSE(detail->rows().isEmpty());
    std::unique_ptr<QMenu> context(detail->rows().first()->createContextMenu(nullptr));
    commands << context->actions();
    for (QAction* action : commands) {
        if (!action->isSeparator()) {
            EXPECT_TRUE(isTitleCase(action->text())) << action->text().toStdString();
        }
    }

    // Triggered twice, the About box is raised again rather than stacked.
    for (int i = 0; i < 2; ++i) {
        menu->aboutAction()->trigger();
        QCoreApplication::processEvents();
    }
    const QList<QMessageBox*> boxes = apptest::visibleTopLevels<QMessageBox>();
    ASSERT_EQ(boxes.size(), 1);
    QMessageBox* about = boxes.first();
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Quillmere"));
    EXPECT_FALSE(about->iconPixmap().isNull());
    const QString text = apptest::shownText(about->text());
    for (const QString& said : {QStringLiteral("Quillmere"), QStringLiteral("Version 1.0.0 (build 1)"),
                                QStringLiteral("Uses the Brisquel library, version 1.0.")}) {
        EXPECT_TRUE(text.contains(said)) << text.toStdString();
    }
    EXPECT_FALSE(text.contains(QStringLiteral("@(#)")));
    EXPECT_FALSE(text.contains(QStringLiteral("PROJECT:")));
}

TEST_F(MainWindow, PreferencesUpdateCheckAndFeedbackCommandsReachTheirWindowsOnceEach) {
    // Stands in for the application's updater: counts the checks it is asked for.
    struct CountingUpdater final : Updater {
        void setFeedURL(const QUrl& url) override { feed = url; }
        QUrl feedURL() const override { return feed; }
        void checkForUpdates() override { ++checks; }
        QUrl feed;
        int checks = 0;
    } updater;
    Updater::setSharedUpdater(&updater);
    auto delegate = launch();
    MainMenu* menu = delegate->mainMenu();

    // Ctrl+, where the platform names no shortcut of its own.
    EXPECT_EQ(menu->preferencesAction()->shortcut(), MainMenu::preferencesShortcut());
    EXPECT_FALSE(MainMenu::preferencesShortcut().isEmpty());
    EXPECT_EQ(menu->preferencesAction()->menuRole(), QAction::PreferencesRole);
    for (int i = 0; i < 2; ++i) {
        menu->preferencesAction()->trigger();
        apptest::settle();
    }
    QWidget* preferences = delegate->preferencesWindowController()->window();
    ASSERT_NE(preferences, nullptr);
    EXPECT_TRUE(preferences->isVisible());
    EXPECT_EQ(preferences->windowTitle(), QStringLiteral("Quillmere Preferences"));
    // One pane: no toolbar to choose between panes.
    for (const QToolBar* toolbar : preferences->findChildren<QToolBar*>()) {
        EXPECT_FALSE(toolbar->isVisible());
    }
    EXPECT_EQ(apptest::visibleTopLevels<UserInteractionPausableWindow>().size(), 1);
    preferences->close();

    menu->checkForUpdatesAction()->trigger();
    EXPECT_EQ(updater.checks, 1);
    Updater::setSharedUpdater(nullptr);

    for (int i = 0; i < 2; ++i) {
        menu->sendFeedbackAction()->trigger();
        apptest::settle();
    }
    FeedbackWindow* feedback = ContactForm::feedbackWindowController();
    ASSERT_NE(feedback, nullptr);
    EXPECT_TRUE(feedback->isVisible());
    EXPECT_EQ(apptest::visibleTopLevels<FeedbackWindow>().size(), 1);
    feedback->close();
}

TEST_F(MainWindow, EveryTabStopShowsWhereTheFocusIsStartingWithTheSidebarAtLaunch) {
    const QString file = world.scriptFile(QStringLiteral("Export Done.scpt"));
    ASSERT_TRUE(world.writeExternally(world.identifier(23), QStringLiteral("endOfCaptureScript"), file));
    auto delegate = launch();
    QMainWindow* window = delegate->window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    ASSERT_TRUE(apptest::waitUntil([&] {
        return delegate->contentView()->applicationView() &&
               delegate->contentView()->applicationView()->readCount() > 0;
    }));
    apptest::settle();
    EXPECT_EQ(QApplication::focusWidget(), delegate->contentView()->sidebar());

    QList<QWidget*> stops;
    for (int i = 0; i < 20; ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        if (stops.contains(focused)) {
            break;
        }
        stops << focused;
        SCOPED_TRACE(focused->metaObject()->className());
        EXPECT_TRUE(focused->isVisible());
        EXPECT_TRUE(qobject_cast<QListWidget*>(focused) || qobject_cast<ChooseButton*>(focused) ||
                    qobject_cast<RemoveButton*>(focused) || qobject_cast<QPushButton*>(focused));
        const QImage withFocus = focused->grab().toImage();
        QTest::keyClick(focused, Qt::Key_Tab);
        apptest::settle();
        EXPECT_NE(focused->grab().toImage(), withFocus);
    }
    // The sidebar, the three rows' choose buttons and the one remove button.
    EXPECT_EQ(stops.size(), 5);
}

// ---- the program's end ----

// The event loop is run to its end in a child process of its own, so the loop of the remaining
// tests is left as it was.
using MainWindowDeathTest = MainWindow;

TEST_F(MainWindowDeathTest, QuitEndsTheApplicationAndRunsTheTerminationHandler) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto delegate = launch();
            QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);
            QTimer::singleShot(0, delegate->mainMenu()->quitAction(), &QAction::trigger);
            QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(3); });
            const int status = QApplication::exec();
            std::_Exit(status == 0 && aboutToQuit.count() == 1 ? 0 : 10 + status);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(MainWindowDeathTest, ClosingTheWindowQuitsWhereThereIsNoGlobalMenuBar) {
    if (hasGlobalMenuBar()) {
        GTEST_SKIP() << "with a global menu bar the application keeps running without a window";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto delegate = launch();
            QPointer<QMainWindow> window = delegate->window();
            QTimer::singleShot(0, window, [window] { window->close(); });
            QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(3); });
            const int status = QApplication::exec();
            // The window was hidden, not destroyed, on the way out.
            std::_Exit(status == 0 && window && !window->isVisible() ? 0 : 10 + status);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(MainWindowDeathTest, AnInterruptFromTheTerminalQuitsLikeTheQuitCommand) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const int signal : {SIGINT, SIGTERM}) {
        EXPECT_EXIT(
            {
                auto delegate = launch();
                QuitOnSignal quitOnSignal;
                QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);
                QTimer::singleShot(0, [signal] { std::raise(signal); });
                QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(3); });
                const int status = QApplication::exec();
                std::_Exit(quitOnSignal.isActive() && status == 0 && aboutToQuit.count() == 1 ? 0
                                                                                              : 10 + status);
            },
            ::testing::ExitedWithCode(0), "")
            << signal;
    }
}

TEST(ProgramOptions, HelpAndVersionPrintAndEndTheProgramWithoutADisplay) {
    const struct {
        QString argument;
        QString said;
    } cases[] = {
        {QStringLiteral("--version"), QStringLiteral("Quillmere 1.0.0 (build 1)\nBrisquel library 1.0\n")},
        {QStringLiteral("-v"), QStringLiteral("Quillmere 1.0.0")},
        {QStringLiteral("--help"), QStringLiteral("Usage: quillmere")},
        {QStringLiteral("-h"), QStringLiteral("QUILLMERE_APPLICATIONS_DIR")}};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    for (const auto& [argument, said] : cases) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUILLMERE_PROGRAM), {argument});
        ASSERT_TRUE(program.waitForFinished(30000)) << argument.toStdString();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << argument.toStdString();
        const QString output = QString::fromLocal8Bit(program.readAllStandardOutput());
        EXPECT_TRUE(output.contains(said)) << output.toStdString();
        EXPECT_TRUE(program.readAllStandardError().isEmpty());
    }
    EXPECT_EQ(helpText().split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^.{81,}$"))),
              QStringList());
}

} // namespace
