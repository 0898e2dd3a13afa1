// The application delegate and its main window, and what only the program itself shows: its
// command line and its start on a window system.

#include "tests/app/AppWorld.h"

#include "ContactForm/ContactFormViewController.h"
#include "ContactForm/FeedbackWindow.h"
#include "Preferences/UserInteractionPausableWindow.h"
#include "Preferences/WindowFrameAutosave.h"
#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/Updater.h"
#include "VexoUpdater/UpdatesViewController.h"
#include "app/AppDelegate.h"
#include "app/ApplicationMain.h"
#include "app/ChooseButton.h"
#include "app/ContentView.h"
#include "app/MainMenu.h"
#include "app/RemoveButton.h"

#include <QAction>
#include <QListWidget>
#include <QMainWindow>
#include <QMutex>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

// The hooks QtCore offers inspecting tools (declared in its private headers, exported for them).
extern quintptr Q_CORE_EXPORT qtHookData[];

using namespace quillmere;
using namespace Qt::StringLiterals;

namespace {

using apptest::PrintTo;

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        configureApplication();
        world.addCopy(22);
        world.addCopy(23);
    }

    std::unique_ptr<apptest::AppWindow> launch() { return std::make_unique<apptest::AppWindow>(world); }

    QSize savedSize() const {
        const QVariantMap domain =
            world.domainContents(brisquel::vexo::MainBundle::bundleIdentifier()).value_or(QVariantMap());
        const QString frame = domain.value(AppDelegate::kMainWindowFrameName).toString();
        return WindowFrameAutosave::parseFrame(frame).value_or(QRect()).size();
    }
    static bool isCentred(QWidget* window) {
        const QPoint centre = window->screen()->availableGeometry().center();
        return (window->frameGeometry().center() - centre).manhattanLength() <= 2;
    }

    apptest::AppWorld world;
};

// Neither the window nor its columns get smaller than their content.
TEST_F(MainWindow, OneCentredTitledWindowNoSmallerThanItsContentWhoseFrameIsSavedAndRestored) {
    auto app = launch();
    EXPECT_EQ(apptest::visibleTopLevels<QMainWindow>().size(), 1);
    EXPECT_EQ(app->window()->windowTitle(), u"Quillmere"_s);
    EXPECT_TRUE(isCentred(app->window()));
    ContentView* content = app->content();
    app->window()->resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_GE(content->width(), ContentView::kMinimumContentWidth);
    EXPECT_GE(content->height(), ContentView::kMinimumContentHeight);
    app->window()->resize(1000, 600);
    auto* splitter = content->findChild<QSplitter*>();
    for (const QList<int>& sizes : {QList<int>{0, 2000}, QList<int>{2000, 0}}) {
        splitter->setSizes(sizes);
        QCoreApplication::processEvents();
        EXPECT_GE(content->sidebarColumn()->width(), ContentView::kMinimumSidebarWidth);
        EXPECT_GE(content->detailColumn()->width(), ContentView::kMinimumDetailWidth);
    }
    app->window()->resize(780, 520);
    // Written unasked, once the window has settled.
    EXPECT_TRUE(QTest::qWaitFor([&] { return savedSize() == QSize(780, 520); }));
    app.reset();
    app = launch();
    EXPECT_EQ(app->window()->size(), QSize(780, 520));
    EXPECT_TRUE(isCentred(app->window()));
}

TEST_F(MainWindow, EachCommandReachesItsWindowOnceAndTheAboutBoxSpeaksPlainly) {
    struct CountingUpdater final : Updater {
        void setFeedURL(const QUrl&) override {}
        QUrl feedURL() const override { return {}; }
        void checkForUpdates() override { ++checks; }
        int checks = 0;
    } updater;
    Updater::setSharedUpdater(&updater);
    auto app = launch();
    MainMenu* menu = app->delegate().mainMenu();
    // Each twice: raised again, not stacked.
    for (QAction* action : {menu->aboutAction(), menu->preferencesAction(), menu->sendFeedbackAction()}) {
        action->trigger();
        action->trigger();
        apptest::settle();
    }
    const QList<QMessageBox*> boxes = apptest::visibleTopLevels<QMessageBox>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first()->windowTitle(), u"About Quillmere"_s);
    EXPECT_TRUE(apptest::shownText(boxes.first()->text()).contains(u"Version 1.0.0 (build 1)"_s));
    boxes.first()->close();
    EXPECT_EQ(apptest::visibleTopLevels<UserInteractionPausableWindow>().size(), 1);
    const QList<FeedbackWindow*> feedback = apptest::visibleTopLevels<FeedbackWindow>();
    ASSERT_EQ(feedback.size(), 1);
    // Close Window closes the window in front only.
    feedback.first()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(feedback.first()));
    menu->closeAction()->trigger();
    EXPECT_FALSE(feedback.first()->isVisible());
    EXPECT_TRUE(app->window()->isVisible());
    menu->checkForUpdatesAction()->trigger();
    EXPECT_EQ(updater.checks, 1);
    Updater::setSharedUpdater(nullptr);
}

TEST_F(MainWindow, EveryTabStopShowsWhereTheFocusIsStartingWithTheSidebar) {
    ASSERT_TRUE(world.writeExternally(world.identifier(23), u"endOfCaptureScript"_s,
                                      world.scriptFile(u"Export Done.scpt"_s)));
    auto app = launch();
    EXPECT_EQ(QApplication::focusWidget(), app->content()->sidebar());
    QList<QWidget*> stops;
    for (QWidget* focused = QApplication::focusWidget();
         focused && !stops.contains(focused) && stops.size() < 20; focused = QApplication::focusWidget()) {
        stops << focused;
        SCOPED_TRACE(focused->metaObject()->className());
        const QImage withFocus = focused->grab().toImage();
        QTest::keyClick(focused, Qt::Key_Tab);
        apptest::settle();
        EXPECT_NE(focused->grab().toImage(), withFocus);
    }
    // The sidebar, the three rows' choose buttons and the one remove button.
    ASSERT_EQ(stops.size(), 5);
    EXPECT_TRUE(qobject_cast<QListWidget*>(stops[0]) && qobject_cast<ChooseButton*>(stops[1]) &&
                qobject_cast<RemoveButton*>(stops[2]));
}

// Every QObject alive on this thread, through the hooks QtCore keeps for inspecting tools (a
// debugger's Qt support uses them): indices 3 and 4 are the added and removed object hooks.
class LiveObjects {
public:
    LiveObjects() { swapHooks(); }
    ~LiveObjects() { swapHooks(); }
    LiveObjects(const LiveObjects&) = delete;
    LiveObjects& operator=(const LiveObjects&) = delete;

    static QList<QObject*> onThisThread() {
        QMutexLocker lock(&s_mutex);
        QList<QObject*> objects;
        for (QObject* object : std::as_const(s_alive)) {
            if (object->thread() == QThread::currentThread()) {
                objects.append(object);
            }
        }
        return objects;
    }

private:
    static void swapHooks() {
        std::swap(qtHookData[3], s_hooks[0]);
        std::swap(qtHookData[4], s_hooks[1]);
    }
    static void added(QObject* object) {
        QMutexLocker lock(&s_mutex);
        s_alive.insert(object);
    }
    static void removed(QObject* object) {
        QMutexLocker lock(&s_mutex);
        s_alive.remove(object);
    }
    static inline quintptr s_hooks[2] = {reinterpret_cast<quintptr>(&added),
                                         reinterpret_cast<quintptr>(&removed)};
    static inline QMutex s_mutex;
    static inline QSet<QObject*> s_alive;
};

// A fast start: only after the first paint are the updater, the network and the other windows made.
TEST_F(MainWindow, NothingTheFirstWindowDoesNotNeedIsAliveAtItsFirstPaint) {
    Updater::setSharedUpdater(nullptr);
    QStringList unneeded;
    int preferencesWindows = 0;
    std::optional<LiveObjects> live(std::in_place);
    ApplicationLaunch launch(world.finder());
    QObject::connect(&launch, &ApplicationLaunch::mainWindowPainted, [&] {
        for (QObject* object : LiveObjects::onThisThread()) {
            const QString name = QString::fromLatin1(object->metaObject()->className());
            auto* pane = qobject_cast<UpdatesViewController*>(object);
            auto* window = qobject_cast<UserInteractionPausableWindow*>(object);
            if (name.startsWith(QLatin1String("QNetwork")) || qobject_cast<FeedbackWindow*>(object) ||
                qobject_cast<ContactFormViewController*>(object) || qobject_cast<Updater*>(object) ||
                (pane && pane->isViewLoaded()) || (window && window->testAttribute(Qt::WA_WState_Created))) {
                unneeded << name;
            }
            preferencesWindows += window ? 1 : 0;
        }
        unneeded << world.log().systemLines().filter(u"Setting Sparkle feed to "_s);
    });
    ASSERT_TRUE(QSignalSpy(&launch, &ApplicationLaunch::mainWindowPainted).wait(10'000));
    live.reset();
    EXPECT_EQ(unneeded, QStringList());
    EXPECT_EQ(preferencesWindows, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return launch.updater() != nullptr; }));
    EXPECT_EQ(Updater::sharedUpdater(), launch.updater());
    apptest::settle();
}

// Each in a child process, so that the event loop of the other tests is left as it was.
enum class End { QuitCommand, CloseWindow };

class Ending : public MainWindow, public ::testing::WithParamInterface<End> {};

TEST_P(Ending, QuitsWithStatusZeroThroughTheTerminationHandler) {
    if (GetParam() == End::CloseWindow && hasGlobalMenuBar()) {
        GTEST_SKIP() << "with a global menu bar the application keeps running without a window";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto app = launch();
            QPointer<QMainWindow> window = app->window();
            QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);
            QTimer::singleShot(0, [&] {
                if (GetParam() == End::QuitCommand) {
                    app->delegate().mainMenu()->quitAction()->trigger();
                } else {
                    window->close();
                }
            });
            QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(3); });
            const int status = QApplication::exec();
            // A closed window is hidden, not destroyed.
            const bool ok = status == 0 && aboutToQuit.count() == 1 && window &&
                            (GetParam() != End::CloseWindow || !window->isVisible());
            std::_Exit(ok ? 0 : 10 + status);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Ways, Ending, ::testing::Values(End::QuitCommand, End::CloseWindow),
                         [](const auto& end) {
                             return std::string(end.param == End::QuitCommand ? "QuitCommand"
                                                                              : "CloseWindow");
                         });

// The program's own command line, run as the program: what it prints, where, and its status.
struct Invocation {
    const char* name;
    QStringList arguments;
    const char* display; // the DISPLAY given, or "offscreen"; null: no way to a window
    int status;
    const char* output; // on standard output
    const char* error;  // on standard error, in one line unless a window showed
};

class ProgramOptions : public ::testing::TestWithParam<Invocation> {};

TEST_P(ProgramOptions, AnswerWithTheirStatusAndOneLineBeforeAnyWindow) {
    const Invocation& row = GetParam();
    const bool offscreen = row.display && std::string_view(row.display) == "offscreen";
    testsupport::TempFolder folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    if (offscreen) {
        for (const char* name : {"QUILLMERE_PREFERENCES_DIR", "QUILLMERE_APPLICATIONS_DIR"}) {
            environment.insert(QString::fromLatin1(name), folder.path());
        }
        environment.insert(u"QUILLMERE_UPDATE_FEED_BASE"_s, u"http://127.0.0.1:9"_s);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    } else if (row.display) {
        environment.insert(u"DISPLAY"_s, QString::fromLatin1(row.display));
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QUILLMERE_PROGRAM), row.arguments);
    QString error;
    if (offscreen) {
        // Once the window is raised, SIGTERM quits as Quit does. (Offscreen says it cannot raise one.)
        static_cast<void>(QTest::qWaitFor(
            [&] {
                error += QString::fromLocal8Bit(program.readAllStandardError());
                return error.contains(u"raise()"_s) || program.state() == QProcess::NotRunning;
            },
            10'000));
        program.terminate();
    }
    ASSERT_TRUE(program.waitForFinished(30'000));
    error += QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), row.status) << error.toStdString();
    const QString output = QString::fromLocal8Bit(program.readAllStandardOutput());
    EXPECT_TRUE(output.contains(QString::fromUtf8(row.output))) << output.toStdString();
    // No control character reaches the terminal.
    EXPECT_TRUE(error.contains(QString::fromUtf8(row.error))) << error.toStdString();
    EXPECT_TRUE(offscreen || error.count(u'\n') == (*row.error ? 1 : 0)) << error.toStdString();
    EXPECT_FALSE(error.contains(QChar(0x1b)));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(CommandLine, ProgramOptions, ::testing::Values(
    Invocation{"Version", {u"--version"_s}, nullptr, 0, "Quillmere 1.0.0 (build 1)\nBrisquel library 1.0\n", ""},
    Invocation{"Help", {u"--help"_s}, nullptr, 0, "Usage: quillmere", ""},
    Invocation{"UnknownOption", {u"--bogus"_s}, nullptr, 2, "",
               "quillmere: unknown option \"--bogus\"; usage: quillmere [--help]"},
    Invocation{"FlagWithAValue", {u"-reverse=1"_s}, nullptr, 2, "", "unknown option"},
    Invocation{"ToolkitFlag", {u"-reverse"_s}, nullptr, 1, "", "no display"},
    Invocation{"ToolkitOptionWithItsValue", {u"-style=Fusion"_s}, nullptr, 1, "", "no display"},
    Invocation{"UnexpectedArgument", {u"notes.txt"_s}, nullptr, 2, "", "unexpected argument"},
    Invocation{"ToolkitOptionWithoutValue", {u"-style"_s}, nullptr, 2, "", "the option -style needs a value"},
    Invocation{"ControlCharactersEscaped", {u"--\x1b[31mred"_s}, nullptr, 2, "", "\"--\\u001b[31mred\""},
    Invocation{"NoDisplay", {}, nullptr, 1, "", "quillmere: no display to show the window on"},
    Invocation{"UnreachableDisplay", {}, ":97", 1, "",
               "quillmere: no window can be shown: could not connect to display :97"},
    // A warning of the toolkit while it starts is passed on, and the window still shows.
    Invocation{"ToolkitWarning", {u"-style"_s, u"bogus"_s}, "offscreen", 0, "", "invalid style override 'bogus'"}),
    [](const ::testing::TestParamInfo<Invocation>& row) { return std::string(row.param.name); });
// clang-format on

} // namespace
