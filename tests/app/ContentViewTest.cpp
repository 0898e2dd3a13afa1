// The main window's content: the search and the initial selection, the sidebar rows, the
// placeholder, the detail area that reads its scripts afresh, and work kept off the GUI thread.

#include "tests/app/AppWorld.h"

#include "app/AppHeaderView.h"
#include "app/ApplicationView.h"
#include "app/ContentView.h"
#include "app/ScriptView.h"

#include "core/platform/posix/FolderMetadataSearch.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMutex>
#include <QProgressBar>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillmere;
using apptest::AppWorld;

namespace {

// A metadata search that walks the folder, then waits for the test's word before it answers:
// the first search on `first`, every later one on `later`.
class HeldSearch final : public brisquel::MetadataSearch {
public:
    brisquel::MetadataSearchResult search(const brisquel::MetadataQuery& query) override {
        brisquel::MetadataSearchResult items = brisquel::FolderMetadataSearch().search(query);
        QSemaphore& gate = m_calls.fetchAndAddOrdered(1) == 0 ? first : later;
        started.release();
        gate.acquire();
        return items;
    }
    QSemaphore started;
    QSemaphore first;
    QSemaphore later;

private:
    QAtomicInt m_calls;
};

// Running applications that note who asks, from which thread, and may hold their answer back.
class NotingRunning final : public brisquel::RunningApplications {
public:
    explicit NotingRunning(bool held = false) : m_held(held) {}
    QList<qint64> processesWithBundleIdentifier(const QString& bundleIdentifier) override {
        if (m_held) {
            started.release();
            gate.acquire();
            gate.release();
        }
        QMutexLocker lock(&mutex);
        threads.append(QThread::currentThread());
        asked.append(bundleIdentifier);
        return running.contains(bundleIdentifier) ? QList<qint64>{77} : QList<qint64>{};
    }
    QMutex mutex;
    QList<QThread*> threads;
    QStringList asked;
    QStringList running;
    QSemaphore started;
    QSemaphore gate;

private:
    const bool m_held;
};

class ContentViewTest : public ::testing::Test {
protected:
    void TearDown() override {
        // A failed test must not leave a search waiting forever.
        if (held) {
            held->first.release(100);
            held->later.release(100);
        }
        if (running) {
            running->gate.release(1);
        }
        view.reset();
        apptest::settle();
    }

    // Shows the content view (made anew, or hidden and shown again) and, unless told not to,
    // waits for the running copy to be known.
    ContentView& show(bool wait = true) {
        if (!view) {
            view = std::make_unique<ContentView>(world.finder());
        }
        view->hide();
        QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
        view->show();
        if (wait) {
            EXPECT_TRUE(loaded.wait(5000));
        }
        return *view;
    }
    void holdSearch() {
        held = std::make_shared<HeldSearch>();
        world.setMetadataSearch(held);
    }
    void noteRunning(bool hold) {
        running = std::make_shared<NotingRunning>(hold);
        world.setRunningApplications(running);
    }
    static QStringList identifiers(const QList<int>& numbers) {
        QStringList result;
        for (int number : numbers) {
            result << AppWorld::identifier(number);
        }
        return result;
    }

    // The labels of the detail's rows, once it has read its scripts.
    static QStringList rowLabels(ContentView& content) {
        ApplicationView* detail = content.applicationView();
        if (!detail) {
            ADD_FAILURE() << "no detail view";
            return {};
        }
        if (detail->readCount() == 0) {
            QSignalSpy read(detail, &ApplicationView::scriptsRead);
            EXPECT_TRUE(read.wait(5000));
        }
        QStringList labels;
        for (ScriptView* row : detail->rows()) {
            labels << row->label()->text();
        }
        return labels;
    }

    QString selected() const {
        return view->selectedApp() ? view->selectedApp()->bundleIdentifier() : QStringLiteral("none");
    }

    // How one sidebar row is drawn.
    static AppHeaderView::Look look(QListWidget* sidebar, int row, bool selected) {
        QStyleOptionViewItem option;
        option.initFrom(sidebar->viewport());
        option.widget = sidebar;
        option.rect = sidebar->visualItemRect(sidebar->item(row));
        option.font = sidebar->font();
        option.palette = sidebar->palette();
        option.state = QStyle::State_Enabled | QStyle::State_Active |
                       (selected ? QStyle::State_Selected : QStyle::State_None);
        auto* delegate = qobject_cast<AppHeaderView*>(sidebar->itemDelegate());
        EXPECT_NE(delegate, nullptr);
        return delegate ? delegate->look(option, sidebar->model()->index(row, 0)) : AppHeaderView::Look();
    }

    AppWorld world;
    std::unique_ptr<ContentView> view;
    std::shared_ptr<HeldSearch> held;
    std::shared_ptr<NotingRunning> running;
};

// ---- initial selection ----

TEST_F(ContentViewTest, EachShowingSearchesAgainAndSelectsTheFirstRunningCopyElseTheLast) {
    world.addCopy(10, {{QStringLiteral("capture done script"), QStringLiteral("After a capture.")},
                       {QStringLiteral("batch done script"), QStringLiteral("After a batch.")}});
    world.addCopy(9);
    noteRunning(false);
    // The Finder's order puts 9 before 10, which a plain text order would not.
    const struct {
        int added;
        QList<int> running, asked;
        int selected;
    } cases[] = {{0, {}, {9, 10}, 10},        // none running: the last
                 {11, {}, {9, 10, 11}, 11},   // a copy installed meanwhile shows on the next showing
                 {0, {10}, {9, 10}, 10},      // only the second of three runs
                 {0, {10, 11}, {9, 10}, 10}}; // the first running; none after it is asked
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(i);
        if (cases[i].added) {
            world.addCopy(cases[i].added);
        }
        // No look-up runs between showings.
        running->running = identifiers(cases[i].running);
        running->asked.clear();
        show();
        EXPECT_EQ(view->searchCount(), i + 1);
        EXPECT_EQ(selected(), AppWorld::identifier(cases[i].selected));
        EXPECT_EQ(view->sidebar()->currentRow(), cases[i].selected - 9);
        EXPECT_EQ(running->asked, identifiers(cases[i].asked));
        EXPECT_FALSE(running->threads.contains(QThread::currentThread()));
    }
    EXPECT_EQ(rowLabels(*view), (QStringList{QStringLiteral("Capture Done"), QStringLiteral("Batch Done")}));
}

TEST_F(ContentViewTest, AnEmptyFolderShowsOnlyThePlaceholder) {
    ContentView& content = show();
    EXPECT_TRUE(content.applications().isEmpty());
    EXPECT_FALSE(content.selectedApp().has_value());
    EXPECT_EQ(content.sidebar()->count(), 0);
    EXPECT_EQ(content.applicationView(), nullptr);
    auto* detail = content.findChild<QStackedWidget*>(QStringLiteral("detail"));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->currentWidget(), content.placeholder());
    EXPECT_TRUE(content.placeholder()->isVisible());
    EXPECT_EQ(content.placeholder()->text(), QStringLiteral("Please select a version of Capture One"));
    EXPECT_TRUE(content.findChildren<ScriptView*>().isEmpty());
}

// ---- the sidebar ----

TEST_F(ContentViewTest, SidebarRowsShowIconNameAndIdentifierReadablyWhenSelected) {
    world.addCopy(22);
    const QString bundle = world.addCopy(23);
    // Copy 23 names an icon file; copy 22 has none and gets the generic icon.
    QImage image(128, 128, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(bundle + QStringLiteral("/Contents/Resources/AppIcon.png")));
    QFile info(bundle + QStringLiteral("/Contents/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::ReadWrite));
    const QByteArray plist =
        info.readAll().replace("<dict>", "<dict>\n  <key>CFBundleIconFile</key><string>AppIcon</string>");
    ASSERT_TRUE(info.seek(0) && info.write(plist) == plist.size());
    info.close();

    ContentView& content = show();
    QListWidget* sidebar = content.sidebar();
    ASSERT_EQ(sidebar->count(), 2);
    const AppHeaderView::Look with = look(sidebar, 1, false);
    EXPECT_EQ(with.name, QStringLiteral("Capture One 23"));
    EXPECT_EQ(with.identifier, AppWorld::identifier(23));
    EXPECT_GT(with.nameFont.weight(), with.identifierFont.weight());
    EXPECT_LT(with.identifierFont.pointSizeF(), with.nameFont.pointSizeF());
    // The caption sits below the name, both right of the icon.
    EXPECT_GT(with.identifierRect.top(), with.nameRect.top());
    EXPECT_GT(with.nameRect.left(), with.iconRect.right());

    // The icon is drawn at 32 points whatever the file's own size, in the file's colours.
    EXPECT_EQ(with.icon.deviceIndependentSize().toSize(), QSize(32, 32));
    const QImage drawn = sidebar->viewport()->grab().toImage();
    EXPECT_EQ(drawn.pixelColor(with.iconRect.center() * drawn.devicePixelRatio()), QColor(Qt::red));
    EXPECT_FALSE(look(sidebar, 0, false).icon.isNull());
    EXPECT_GE(sidebar->visualItemRect(sidebar->item(0)).height(), 32 + 2 * AppHeaderView::margin);

    // Assistive tools and type-ahead read the name from the item itself.
    EXPECT_EQ(sidebar->item(1)->text(), QStringLiteral("Capture One 23"));
    EXPECT_FALSE(sidebar->accessibleName().isEmpty());

    const QPalette palette = sidebar->palette();
    const AppHeaderView::Look plain = look(sidebar, 0, false);
    EXPECT_EQ(look(sidebar, 0, true).nameColor, palette.color(QPalette::Active, QPalette::HighlightedText));
    EXPECT_EQ(plain.nameColor, palette.color(QPalette::Active, QPalette::Text));
    EXPECT_NE(plain.identifierColor, plain.nameColor);
}

// ---- the detail area ----

TEST_F(ContentViewTest, ReselectingACopyReadsItsScriptsAfresh) {
    const QString first = world.addCopy(21, {{QStringLiteral("alpha script"), QStringLiteral("A.")}});
    const QString second = world.addCopy(22);
    // Copy 22 has no scripting definition: an empty form, and the reason in the log.
    ASSERT_TRUE(QFile::remove(second + QStringLiteral("/Contents/Resources/CaptureOne.sdef")));
    ContentView& content = show();
    content.sidebar()->setFocus();
    ASSERT_EQ(content.sidebar()->currentRow(), 1);
    EXPECT_TRUE(rowLabels(content).isEmpty());
    EXPECT_TRUE(world.log().systemLines().contains(QStringLiteral("Could not get sdef file")));

    QTest::keyClick(content.sidebar(), Qt::Key_Up);
    EXPECT_EQ(selected(), AppWorld::identifier(21));
    EXPECT_EQ(rowLabels(content), QStringList{QStringLiteral("Alpha")});
    QTest::keyClick(content.sidebar(), Qt::Key_Down);
    EXPECT_TRUE(rowLabels(content).isEmpty());

    // The copy's scripting definition changes while another copy is shown.
    QFile sdef(first + QStringLiteral("/Contents/Resources/CaptureOne.sdef"));
    ASSERT_TRUE(sdef.open(QIODevice::WriteOnly | QIODevice::Truncate));
    sdef.write(testsupport::sdefWithScripts({{QStringLiteral("alpha script"), QStringLiteral("A.")},
                                             {QStringLiteral("omega script"), QStringLiteral("O.")}}));
    sdef.close();
    QTest::keyClick(content.sidebar(), Qt::Key_Up);
    EXPECT_EQ(rowLabels(content), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Omega")}));

    // Choosing none brings the placeholder back.
    content.setSelectedApp(std::nullopt);
    EXPECT_EQ(content.applicationView(), nullptr);
    EXPECT_EQ(content.sidebar()->currentRow(), -1);
    EXPECT_TRUE(content.placeholder()->isVisible());
}

// ---- the GUI thread stays free ----

TEST_F(ContentViewTest, TheWindowAnswersWhileSearchesRunAndOnlyTheNewestResultIsShown) {
    world.addCopy(21);
    holdSearch();
    show(false);
    QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
    ASSERT_TRUE(held->started.tryAcquire(1, 5000));

    // The search is stuck in its thread, yet the GUI thread handles events and shows it busy.
    EXPECT_TRUE(view->isSearching());
    EXPECT_TRUE(view->busyIndicator()->isVisible());
    bool timerRan = false;
    QTimer::singleShot(10, view.get(), [&timerRan] { timerRan = true; });
    EXPECT_TRUE(apptest::waitUntil([&] { return timerRan; }));

    // A second search starts while the first is held; only the second sees the new copy, and the
    // first, answering last, changes nothing.
    world.addCopy(22);
    view->load();
    ASSERT_TRUE(held->started.tryAcquire(1, 5000));
    EXPECT_EQ(loaded.count(), 0);
    held->later.release();
    ASSERT_TRUE(loaded.wait(5000));
    held->first.release();
    EXPECT_TRUE(apptest::waitUntil([&] { return !view->isSearching(); }, 5000));
    apptest::settle();
    QTest::qWait(100);
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_FALSE(view->busyIndicator()->isVisible());
    EXPECT_EQ(view->applications().size(), 2);
}

TEST_F(ContentViewTest, TheListShowsBeforeTheRunningCopyIsKnownAndARowPickedMeanwhileStays) {
    world.addCopy(21);
    world.addCopy(22);
    noteRunning(true);
    view = std::make_unique<ContentView>(world.finder());
    QSignalSpy listed(view.get(), &ContentView::applicationsListed);
    QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
    view->show();
    EXPECT_TRUE(listed.count() == 1 || listed.wait(5000));

    // Listed, no longer searching, nothing selected yet, and no invitation to choose either.
    EXPECT_EQ(view->sidebar()->count(), 2);
    EXPECT_FALSE(view->isSearching());
    EXPECT_FALSE(view->busyIndicator()->isVisible());
    EXPECT_FALSE(view->selectedApp().has_value());
    EXPECT_FALSE(view->placeholder()->isVisible());
    EXPECT_EQ(view->applicationView(), nullptr);
    EXPECT_EQ(loaded.count(), 0);

    // Left alone the last copy would be chosen; the user's pick wins.
    view->sidebar()->setCurrentRow(0);
    running->gate.release();
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(selected(), AppWorld::identifier(21));
    EXPECT_EQ(view->applicationView()->application().bundleIdentifier(), AppWorld::identifier(21));
}

TEST_F(ContentViewTest, ResultsThatArriveAfterTheViewHasGoneAreDropped) {
    world.addCopy(21);
    const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
    auto goneWhileHeld = [&](QSemaphore& started, QSemaphore& gate) {
        show(false);
        ASSERT_TRUE(apptest::waitUntil([&] { return started.tryAcquire(); }, 5000));
        view.reset();
        gate.release();
        apptest::settle();
        EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
    };
    // Once while the copies are searched, once while the running copy is looked for.
    holdSearch();
    goneWhileHeld(held->started, held->first);
    world.setMetadataSearch(std::make_shared<brisquel::FolderMetadataSearch>());
    noteRunning(true);
    goneWhileHeld(running->started, running->gate);
}

} // namespace
