// The application delegate and its main window: launch, size limits, the saved frame, closing,
// termination, the menus and the About box, the keyboard, and the program's command line.

#include "tests/app/AppWorld.h"

#include "ContactForm/ContactForm.h"
#include "ContactForm/ContactFormViewController.h"
#include "ContactForm/FeedbackWindow.h"
#include "Preferences/PreferencesWindowController.h"
#include "Preferences/UserInteractionPausableWindow.h"
#include "Preferences/WindowFrameAutosave.h"
#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/FeedUpdater.h"
#include "VexoUpdater/Updater.h"
#include "VexoUpdater/UpdatesViewController.h"
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
#include <QMutex>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <csignal>

// The hooks QtCore offers inspecting tools (declared in its private headers, exported for them).
extern quintptr Q_CORE_EXPORT qtHookData[];

using namespace quillmere;

namespace {

// Every QObject alive, through the hooks QtCore keeps for tools that inspect a program (the
// ones a debugger's Qt support uses): construction and destruction of any object, on any thread.
class LiveObjects {
public:
    LiveObjects() {
        s_instance = this;
        s_previousAdd = qtHookData[kAddQObject];
        s_previousRemove = qtHookData[kRemoveQObject];
        qtHookData[kAddQObject] = reinterpret_cast<quintptr>(&added);
        qtHookData[kRemoveQObject] = reinterpret_cast<quintptr>(&removed);
    }
    ~LiveObjects() {
        qtHookData[kAddQObject] = s_previousAdd;
        qtHookData[kRemoveQObject] = s_previousRemove;
        s_instance = nullptr;
    }
    LiveObjects(const LiveObjects&) = delete;
    LiveObjects& operator=(const LiveObjects&) = delete;

    // Those made on this thread and alive now (others may be half made or gone before they are
    // looked at).
    QList<QObject*> onThisThread() const {
        QMutexLocker lock(&m_mutex);
        QList<QObject*> objects;
        for (QObject* object : m_alive) {
            if (object->thread() == QThread::currentThread()) {
                objects.append(object);
            }
        }
        return objects;
    }

private:
    // QtCore's indices of the two hooks.
    static constexpr int kAddQObject = 3;
    static constexpr int kRemoveQObject = 4;

    static void added(QObject* object) {
        QMutexLocker lock(&s_instance->m_mutex);
        s_instance->m_alive.insert(object);
    }
    static void removed(QObject* object) {
        QMutexLocker lock(&s_instance->m_mutex);
        s_instance->m_alive.remove(object);
    }

    static inline LiveObjects* s_instance = nullptr;
    static inline quintptr s_previousAdd = 0;
    static inline quintptr s_previousRemove = 0;
    mutable QMutex m_mutex;
    QSet<QObject*> m_alive;
};

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
            EXPECT_TRUE(apptest::isTitleCase(action->text())) << action->text().toStdString();
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

// The start of the program, from the delegate to the main window's first paint: everything the
// process holds at that moment, and the updater made only after it.
TEST_F(MainWindow, NothingTheFirstWindowDoesNotNeedIsAliveAtItsFirstPaint) {
    Updater::setSharedUpdater(nullptr);
    struct AtFirstPaint {
        QStringList networkObjects;
        QStringList feedbackObjects;
        QStringList updaterObjects;
        QStringList loadedPaneViews;
        int preferencesWindows = 0;
        int nativePreferencesWindows = 0;
        QStringList feedLines;
    } seen;
    std::optional<LiveObjects> live;
    live.emplace();
    ApplicationLaunch launch(world.finder());
    QObject::connect(&launch, &ApplicationLaunch::mainWindowPainted, [&] {
        for (QObject* object : live->onThisThread()) {
            const QString name = QString::fromLatin1(object->metaObject()->className());
            if (object->inherits("QNetworkAccessManager") || name.startsWith(QLatin1String("QNetwork"))) {
                seen.networkObjects << name;
            }
            if (qobject_cast<FeedbackWindow*>(object) || qobject_cast<ContactFormViewController*>(object)) {
                seen.feedbackObjects << name;
            }
            if (qobject_cast<Updater*>(object)) {
                seen.updaterObjects << name;
            }
            if (auto* pane = qobject_cast<UpdatesViewController*>(object); pane && pane->isViewLoaded()) {
                seen.loadedPaneViews << name;
            }
            if (auto* window = qobject_cast<UserInteractionPausableWindow*>(object)) {
                ++seen.preferencesWindows;
                seen.nativePreferencesWindows += window->testAttribute(Qt::WA_WState_Created) ? 1 : 0;
            }
        }
        for (const QString& line : world.log().systemLines()) {
            if (line.startsWith(QLatin1String("Setting Sparkle feed to "))) {
                seen.feedLines << line;
            }
        }
    });
    ASSERT_TRUE(QSignalSpy(&launch, &ApplicationLaunch::mainWindowPainted).wait(10'000));
    live.reset();
    EXPECT_EQ(seen.networkObjects, QStringList());
    EXPECT_EQ(seen.feedbackObjects, QStringList());
    EXPECT_EQ(seen.updaterObjects, QStringList());
    EXPECT_EQ(seen.loadedPaneViews, QStringList());
    // The preferences window object exists, made with the delegate, but no native window yet.
    EXPECT_EQ(seen.preferencesWindows, 1);
    EXPECT_EQ(seen.nativePreferencesWindows, 0);
    EXPECT_EQ(seen.feedLines, QStringList());
    // The updater comes right after, and the record of the last check follows it.
    ASSERT_TRUE(apptest::waitUntil([&] { return launch.updater() != nullptr; }));
    EXPECT_EQ(Updater::sharedUpdater(), launch.updater());
    apptest::settle();
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

// The program's own command line, run as the program: what it prints, where, and its status.
struct Invocation {
    const char* name;
    QStringList arguments;
    const char* display; // the DISPLAY given; null: none, and no other way to a window either
    int status;
    const char* output; // on standard output
    const char* error;  // on standard error, in one line
};

void PrintTo(const Invocation& row, std::ostream* os) {
    *os << row.name;
}

class ProgramOptions : public ::testing::TestWithParam<Invocation> {};

TEST_P(ProgramOptions, AnswerWithOneLineAndTheirStatusBeforeAnyWindow) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    if (GetParam().display) {
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(GetParam().display));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QUILLMERE_PROGRAM), GetParam().arguments);
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), GetParam().status);
    const QString output = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString error = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_TRUE(output.contains(QString::fromUtf8(GetParam().output))) << output.toStdString();
    if (*GetParam().error) {
        EXPECT_TRUE(error.contains(QString::fromUtf8(GetParam().error))) << error.toStdString();
        EXPECT_EQ(error.count(u'\n'), 1) << error.toStdString();
        EXPECT_FALSE(error.contains(QChar(0x1b))) << "no control character reaches the terminal";
    } else {
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ProgramOptions,
    ::testing::Values(
        Invocation{"version",
                   {QStringLiteral("--version")},
                   nullptr,
                   0,
                   "Quillmere 1.0.0 (build 1)\nBrisquel library 1.0\n",
                   ""},
        Invocation{"shortVersion", {QStringLiteral("-v")}, nullptr, 0, "Quillmere 1.0.0", ""},
        Invocation{"help", {QStringLiteral("--help")}, nullptr, 0, "Usage: quillmere", ""},
        Invocation{"shortHelp", {QStringLiteral("-h")}, nullptr, 0, "QUILLMERE_APPLICATIONS_DIR", ""},
        Invocation{"unknownOption",
                   {QStringLiteral("--bogus")},
                   nullptr,
                   2,
                   "",
                   "quillmere: unknown option \"--bogus\"; usage: quillmere [--help]"},
        Invocation{
            "unexpectedArgument", {QStringLiteral("notes.txt")}, nullptr, 2, "", "unexpected argument"},
        Invocation{"toolkitOptionWithoutItsValue",
                   {QStringLiteral("-style")},
                   nullptr,
                   2,
                   "",
                   "the option -style needs a value"},
        Invocation{"controlCharactersShownEscaped",
                   {QStringLiteral("--\x1b[31mred")},
                   nullptr,
                   2,
                   "",
                   "\"--\\u001b[31mred\""},
        Invocation{"noDisplay", {}, nullptr, 1, "", "quillmere: no display to show the window on"},
        Invocation{"aDisplayThatCannotBeReached",
                   {},
                   ":97",
                   1,
                   "",
                   "quillmere: no window can be shown: could not connect to display :97"}),
    [](const ::testing::TestParamInfo<Invocation>& row) { return std::string(row.param.name); });

// Every environment variable of the program's own that its code reads, and every option, is in
// --help, which fits a terminal of 80 columns.
TEST(ProgramHelp, NamesEveryEnvironmentVariableTheCodeReadsAndFitsEightyColumns) {
    const QRegularExpression variable(QStringLiteral("\"(QUILLMERE_[A-Z_]+)\""));
    QSet<QString> read;
    for (const char* folder :
         {"app", "core", "VexoExtensions", "VexoUpdater", "ContactForm", "Preferences", "VexoWidgets"}) {
        QDirIterator files(QStringLiteral(QUILLMERE_SOURCE_DIR "/") + QString::fromLatin1(folder),
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString source = QString::fromUtf8(apptest::AppWorld::readBytes(files.next()));
            for (const QRegularExpressionMatch& match : variable.globalMatch(source)) {
                read.insert(match.captured(1));
            }
        }
    }
    EXPECT_GE(read.size(), 6);
    const QString help = helpText();
    for (const QString& name : read) {
        EXPECT_TRUE(help.contains(name)) << name.toStdString();
    }
    for (const char* option :
         {"--help", "--version", "--check-for-updates", "--feed", "--json", "-platform"}) {
        EXPECT_TRUE(help.contains(QString::fromLatin1(option))) << option;
    }
    EXPECT_EQ(help.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^.{81,}$"))),
              QStringList());
}

} // namespace
