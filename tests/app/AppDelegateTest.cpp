// The application delegate and its main window: launch, size limits, the saved frame, closing,
// termination and the menus.

#include "AppWorld.h"

#include "AppDelegate.h"
#include "AppIdentity.h"
#include "ApplicationMain.h"
#include "ContentView.h"
#include "MainMenu.h"
#include "WindowFrameAutosave.h"

#include <QAction>
#include <QDir>
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
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(w)) {
                w->close();
            }
        }
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

    QString savedFrame() const {
        const auto contents = world.domainContents(applicationBundleIdentifier());
        return contents ? contents->value(mainWindowFrameName()).toString() : QString();
    }

    apptest::AppWorld world;
};

TEST_F(AppDelegateTest, HasNoWindowBeforeLaunchingHasFinished) {
    AppDelegate delegate(world.finder());
    EXPECT_EQ(delegate.window(), nullptr);
    EXPECT_EQ(apptest::visibleTopLevels<QMainWindow>(), 0);
}

TEST_F(AppDelegateTest, LaunchShowsOneCentredTitledWindowInFront) {
    AppDelegate delegate(world.finder());
    delegate.applicationDidFinishLaunching();
    QMainWindow* window = delegate.window();
    ASSERT_NE(window, nullptr);

    // The content starts with nothing selected; the selection follows the search.
    EXPECT_FALSE(delegate.contentView()->selectedApp().has_value());
    EXPECT_EQ(window->centralWidget(), delegate.contentView());

    EXPECT_EQ(apptest::visibleTopLevels<QMainWindow>(), 1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmere"));
    const QPoint screenCentre = window->screen()->availableGeometry().center();
    EXPECT_LE((window->geometry().center() - screenCentre).manhattanLength(), 2);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::activeWindow(), window);
}

TEST_F(AppDelegateTest, WindowNeverGetsSmallerThanItsContent) {
    auto delegate = launch();
    QMainWindow* window = delegate->window();
    ContentView* content = delegate->contentView();

    // The 600-point request gives way to the content's 750 × 400.
    EXPECT_GE(content->width(), 750);
    EXPECT_GE(content->height(), 400);

    window->resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_GE(content->width(), 750);
    EXPECT_GE(content->height(), 400);
    EXPECT_GE(window->minimumWidth(), 750);

    // The sidebar keeps 250 points even when its divider is dragged all the way left.
    auto* splitter = content->findChild<QSplitter*>();
    ASSERT_NE(splitter, nullptr);
    splitter->setSizes({0, 2000});
    QCoreApplication::processEvents();
    EXPECT_GE(content->sidebarColumn()->width(), 250);
}

TEST_F(AppDelegateTest, FrameIsSavedUnderMainWindowAndItsSizeRestoredCentred) {
    {
        auto delegate = launch();
        delegate->window()->resize(780, 520);
        delegate->frameAutosave()->save();
        const std::optional<QRect> saved = WindowFrameAutosave::parseFrame(savedFrame());
        ASSERT_TRUE(saved.has_value()) << savedFrame().toStdString();
        EXPECT_EQ(saved->size(), QSize(780, 520));
    }
    auto delegate = launch();
    QMainWindow* window = delegate->window();
    EXPECT_EQ(window->size(), QSize(780, 520));
    const QPoint screenCentre = window->screen()->availableGeometry().center();
    EXPECT_LE((window->geometry().center() - screenCentre).manhattanLength(), 2);
}

TEST_F(AppDelegateTest, FrameIsWrittenWhenTheWindowSettlesAfterAResize) {
    auto delegate = launch();
    delegate->window()->resize(800, 480);
    // Written once the window rests, without anyone asking.
    EXPECT_TRUE(apptest::waitUntil(
        [&] {
            return WindowFrameAutosave::parseFrame(savedFrame()).value_or(QRect()).size() == QSize(800, 480);
        },
        3000))
        << savedFrame().toStdString();
}

TEST_F(AppDelegateTest, UnusableSavedFramesLeaveTheDefaultSize) {
    const auto own = world.platform().preferences->open(applicationBundleIdentifier());
    for (const QString& text :
         {QStringLiteral("nonsense"), QStringLiteral("1 2 -5 40"), QStringLiteral("10 10 20 20 0 0 x 1 2")}) {
        ASSERT_TRUE(own->setValue(mainWindowFrameName(), text));
        auto delegate = launch();
        EXPECT_EQ(delegate->window()->width(), delegate->window()->minimumWidth()) << text.toStdString();
        delegate.reset();
        apptest::settle();
    }
    // A frame from a larger screen is brought within this one, but never below the minimum.
    ASSERT_TRUE(own->setValue(mainWindowFrameName(), QStringLiteral("0 0 9000 7000 0 0 9000 7000")));
    auto delegate = launch();
    const QSize screen = delegate->window()->screen()->availableGeometry().size();
    EXPECT_LE(delegate->window()->width(), qMax(screen.width(), delegate->window()->minimumWidth()));
    EXPECT_LE(delegate->window()->height(), qMax(screen.height(), delegate->window()->minimumHeight()));
}

TEST_F(AppDelegateTest, ClosingHidesTheWindowAndKeepsItAlive) {
    auto delegate = launch();
    QPointer<QMainWindow> window = delegate->window();
    QPointer<ContentView> content = delegate->contentView();
    const int rows = content->sidebar()->count();

    // Without a global menu bar, closing the last window is what ends the application.
    EXPECT_EQ(QGuiApplication::quitOnLastWindowClosed(), !hasGlobalMenuBar());
    EXPECT_TRUE(window->close());
    QCoreApplication::processEvents();

    ASSERT_TRUE(window);
    ASSERT_TRUE(content);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(delegate->window(), window.data());
    EXPECT_EQ(content->sidebar()->count(), rows);
    // Nothing brings it back by itself.
    QTest::qWait(50);
    EXPECT_FALSE(window->isVisible());
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
    EXPECT_EQ(menu->quitAction()->menuRole(), QAction::QuitRole);
    EXPECT_EQ(menu->aboutAction()->menuRole(), QAction::AboutRole);
    EXPECT_EQ(menu->aboutAction()->text().remove(QLatin1Char('&')), QStringLiteral("About Quillmere"));
    EXPECT_EQ(menu->closeAction()->shortcut(), QKeySequence(QKeySequence::Close));

    menu->aboutAction()->trigger();
    QCoreApplication::processEvents();
    QMessageBox* about = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
            about = box;
        }
    }
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Quillmere"));
    EXPECT_TRUE(about->text().contains(QStringLiteral("Quillmere")));
    // Triggering it again raises the same box instead of stacking a second one.
    menu->aboutAction()->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(apptest::visibleTopLevels<QMessageBox>(), 1);
}

// Running the event loop to its end is done in a child process of its own, so the loop of the
// remaining tests is left as it was.
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
