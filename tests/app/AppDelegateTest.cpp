// The application delegate and its main window: launch, size limits, the saved frame, closing,
// termination and the menus.

#include "tests/app/AppWorld.h"

#include "Preferences/WindowFrameAutosave.h"
#include "app/AppDelegate.h"
#include "app/AppIdentity.h"
#include "app/ApplicationMain.h"
#include "app/ContentView.h"
#include "app/MainMenu.h"

#include <QAction>
#include <QDirIterator>
#include <QGuiApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillmere;

namespace {

class AppDelegateTest : public ::testing::Test {
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
        const auto contents = world.domainContents(applicationBundleIdentifier());
        const QString text = contents ? contents->value(mainWindowFrameName()).toString() : QString();
        return WindowFrameAutosave::parseFrame(text).value_or(QRect()).size();
    }

    static bool isCentred(QWidget* window) {
        const QPoint screenCentre = window->screen()->availableGeometry().center();
        return (window->geometry().center() - screenCentre).manhattanLength() <= 2;
    }

    apptest::AppWorld world;
};

TEST_F(AppDelegateTest, LaunchShowsOneCentredTitledWindowInFront) {
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
    EXPECT_TRUE(isCentred(window));
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::activeWindow(), window);
}

TEST_F(AppDelegateTest, WindowNeverGetsSmallerThanItsContent) {
    auto delegate = launch();
    ContentView* content = delegate->contentView();
    // Neither the 600-point request nor a smaller size takes the content below 750 × 400.
    delegate->window()->resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_GE(content->width(), 750);
    EXPECT_GE(content->height(), 400);
    // The sidebar keeps 250 points even when its divider is dragged all the way left.
    auto* splitter = content->findChild<QSplitter*>();
    ASSERT_NE(splitter, nullptr);
    splitter->setSizes({0, 2000});
    QCoreApplication::processEvents();
    EXPECT_GE(content->sidebarColumn()->width(), 250);
}

TEST_F(AppDelegateTest, TheFrameIsSavedUnderMainWindowAndRestoredWhenUsable) {
    auto delegate = launch();
    delegate->window()->resize(780, 520);
    // Nobody asks: the frame is written once the window has settled.
    EXPECT_TRUE(apptest::waitUntil([&] { return savedSize() == QSize(780, 520); }));
    delegate.reset();
    delegate = launch();
    EXPECT_EQ(delegate->window()->size(), QSize(780, 520));
    EXPECT_TRUE(isCentred(delegate->window()));
    delegate.reset();

    // A broken frame leaves the default (minimum) width.
    const auto own = world.platform().preferences->open(applicationBundleIdentifier());
    ASSERT_TRUE(own->setValue(mainWindowFrameName(), QStringLiteral("10 10 20 20 0 0 x 1 2")));
    delegate = launch();
    EXPECT_EQ(delegate->window()->width(), delegate->window()->minimumWidth());
    delegate.reset();

    // One from a larger screen is brought within this one, but never below the minimum.
    ASSERT_TRUE(own->setValue(mainWindowFrameName(), QStringLiteral("0 0 9000 7000 0 0 9000 7000")));
    delegate = launch();
    QMainWindow* window = delegate->window();
    const QSize screen = window->screen()->availableGeometry().size();
    EXPECT_LE(window->width(), qMax(screen.width(), window->minimumWidth()));
    EXPECT_LE(window->height(), qMax(screen.height(), window->minimumHeight()));
}

TEST_F(AppDelegateTest, ClosingHidesTheWindowAndKeepsItAlive) {
    auto delegate = launch();
    QPointer<QMainWindow> window = delegate->window();
    QPointer<ContentView> content = delegate->contentView();
    const int rows = content->sidebar()->count();

    // Without a global menu bar, closing the last window is what ends the application.
    EXPECT_EQ(QGuiApplication::quitOnLastWindowClosed(), !hasGlobalMenuBar());
    EXPECT_TRUE(window->close());
    QTest::qWait(50);
    ASSERT_TRUE(window && content);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(delegate->window(), window.data());
    EXPECT_EQ(content->sidebar()->count(), rows);
}

TEST_F(AppDelegateTest, TerminationChangesNothingOnDisk) {
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

TEST_F(AppDelegateTest, MenusOfferAboutAndQuitWithStandardShortcuts) {
    auto delegate = launch();
    MainMenu* menu = delegate->mainMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->quitAction()->shortcut(), QKeySequence(QKeySequence::Quit));
    EXPECT_EQ(menu->closeAction()->shortcut(), QKeySequence(QKeySequence::Close));

    // Triggered twice, the About box is raised again rather than stacked.
    for (int i = 0; i < 2; ++i) {
        menu->aboutAction()->trigger();
        QCoreApplication::processEvents();
    }
    const QList<QMessageBox*> boxes = apptest::visibleTopLevels<QMessageBox>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first()->windowTitle(), QStringLiteral("About Quillmere"));
    EXPECT_TRUE(boxes.first()->text().contains(QStringLiteral("Quillmere")));
}

// The event loop is run to its end in a child process of its own, so the loop of the remaining
// tests is left as it was.
using AppDelegateDeathTest = AppDelegateTest;

TEST_F(AppDelegateDeathTest, QuitEndsTheApplicationAndRunsTheTerminationHandler) {
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

TEST_F(AppDelegateDeathTest, ClosingTheWindowQuitsWhereThereIsNoGlobalMenuBar) {
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

} // namespace
