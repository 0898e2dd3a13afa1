// The main window's content: the search and the initial selection, the sidebar rows, the
// placeholder, the detail area that reads its scripts afresh, and work kept off the GUI thread.

#include "AppWorld.h"

#include "AppHeaderView.h"
#include "ApplicationView.h"
#include "ContentView.h"
#include "ScriptView.h"

#include "platform/posix/FolderMetadataSearch.h"

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

// A metadata search that walks the folder, then waits for the test's word before it answers.
class HeldSearch final : public brisquel::MetadataSearch {
public:
    QList<brisquel::MetadataItem> execute(const brisquel::MetadataQuery& query) override {
        QList<brisquel::MetadataItem> items = brisquel::FolderMetadataSearch().execute(query);
        started.release();
        gate.acquire();
        return items;
    }
    QSemaphore started;
    QSemaphore gate;
};

// Running applications that note the thread asking.
class ThreadNotingRunning final : public brisquel::RunningApplications {
public:
    QList<qint64> processesWithBundleIdentifier(const QString& bundleIdentifier) override {
        QMutexLocker lock(&mutex);
        threads.append(QThread::currentThread());
        asked.append(bundleIdentifier);
        return running.contains(bundleIdentifier) ? QList<qint64>{77} : QList<qint64>{};
    }
    QMutex mutex;
    QList<QThread*> threads;
    QStringList asked;
    QSet<QString> running;
};

// Running applications that answer only when the test says so.
class HeldRunning final : public brisquel::RunningApplications {
public:
    QList<qint64> processesWithBundleIdentifier(const QString&) override {
        gate.acquire();
        gate.release();
        return {};
    }
    QSemaphore gate;
};

class ContentViewTest : public ::testing::Test {
protected:
    void TearDown() override {
        // A failed test must not leave a search waiting forever.
        if (held) {
            held->gate.release(100);
        }
        if (heldRunning) {
            heldRunning->gate.release(1);
        }
        view.reset();
        apptest::settle();
    }

    // Shows a content view and waits for its search to be shown.
    ContentView& show() {
        view = std::make_unique<ContentView>(world.finder());
        QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
        view->show();
        EXPECT_TRUE(loaded.wait(5000));
        return *view;
    }

    // Waits until the detail view has read its scripts.
    static ApplicationView* detailRead(ContentView& content) {
        ApplicationView* detail = content.applicationView();
        if (detail && detail->readCount() == 0) {
            QSignalSpy read(detail, &ApplicationView::scriptsRead);
            EXPECT_TRUE(read.wait(5000));
        }
        return detail;
    }

    // The drawing options of one sidebar row.
    static QStyleOptionViewItem rowOption(QListWidget* sidebar, int row, bool selected) {
        QStyleOptionViewItem option;
        option.initFrom(sidebar->viewport());
        option.widget = sidebar;
        option.rect = sidebar->visualItemRect(sidebar->item(row));
        option.font = sidebar->font();
        option.palette = sidebar->palette();
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        if (selected) {
            option.state |= QStyle::State_Selected;
        }
        return option;
    }

    static QStringList rowLabels(ApplicationView* detail) {
        QStringList labels;
        for (ScriptView* row : detail->rows()) {
            labels << row->label()->text();
        }
        return labels;
    }

    AppWorld world;
    std::unique_ptr<ContentView> view;
    std::shared_ptr<HeldSearch> held;
    std::shared_ptr<HeldRunning> heldRunning;
};

// ---- initial selection ----

TEST_F(ContentViewTest, TheOnlyRunningCopyOfThreeIsSelectedAndItsScriptsShown) {
    world.addCopy(21, {{QStringLiteral("alpha script"), QStringLiteral("A.")}});
    world.addCopy(22, {{QStringLiteral("capture done script"), QStringLiteral("After a capture.")},
                       {QStringLiteral("batch done script"), QStringLiteral("After a batch.")}});
    world.addCopy(23, {{QStringLiteral("gamma script"), QStringLiteral("G.")}});
    world.setRunning({AppWorld::identifier(22)});

    ContentView& content = show();
    ASSERT_EQ(content.applications().size(), 3);
    ASSERT_TRUE(content.selectedApp().has_value());
    EXPECT_EQ(content.selectedApp()->bundleIdentifier(), AppWorld::identifier(22));
    EXPECT_EQ(content.sidebar()->currentRow(), 1);

    ApplicationView* detail = detailRead(content);
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->application().bundleIdentifier(), AppWorld::identifier(22));
    EXPECT_EQ(rowLabels(detail), (QStringList{QStringLiteral("Capture Done"), QStringLiteral("Batch Done")}));
}

TEST_F(ContentViewTest, WithNoneRunningTheLastInTheFindersOrderIsSelected) {
    // The Finder's order puts 9 before 10, which a plain text order would not.
    world.addCopy(10);
    world.addCopy(9);
    world.addCopy(11);
    ContentView& content = show();
    ASSERT_EQ(content.applications().size(), 3);
    EXPECT_EQ(content.applications().first().bundleIdentifier(), AppWorld::identifier(9));
    ASSERT_TRUE(content.selectedApp().has_value());
    EXPECT_EQ(content.selectedApp()->bundleIdentifier(), AppWorld::identifier(11));
    EXPECT_EQ(content.sidebar()->currentRow(), 2);
}

TEST_F(ContentViewTest, TheFirstOfSeveralRunningCopiesIsSelectedAndTheRestAreNotAsked) {
    world.addCopy(20);
    world.addCopy(21);
    world.addCopy(22);
    auto running = std::make_shared<ThreadNotingRunning>();
    running->running = {AppWorld::identifier(21), AppWorld::identifier(22)};
    world.setRunningApplications(running);

    ContentView& content = show();
    EXPECT_EQ(content.selectedApp()->bundleIdentifier(), AppWorld::identifier(21));
    QMutexLocker lock(&running->mutex);
    EXPECT_EQ(running->asked, (QStringList{AppWorld::identifier(20), AppWorld::identifier(21)}));
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

TEST_F(ContentViewTest, ChoosingNoneBringsThePlaceholderBack) {
    world.addCopy(23);
    ContentView& content = show();
    ASSERT_NE(content.applicationView(), nullptr);
    content.setSelectedApp(std::nullopt);
    EXPECT_EQ(content.applicationView(), nullptr);
    EXPECT_EQ(content.sidebar()->currentRow(), -1);
    EXPECT_TRUE(content.placeholder()->isVisible());
}

// ---- the sidebar ----

TEST_F(ContentViewTest, SidebarRowsShowIconNameAndIdentifier) {
    const QString bundle = world.addCopy(23);
    world.addCopy(22);
    // Copy 23 names an icon file; copy 22 has none and gets the generic icon.
    QImage image(128, 128, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(bundle + QStringLiteral("/Contents/Resources/AppIcon.png")));
    QFile info(bundle + QStringLiteral("/Contents/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    QByteArray plist = info.readAll();
    info.close();
    plist.replace("<dict>", "<dict>\n  <key>CFBundleIconFile</key><string>AppIcon</string>");
    ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
    info.write(plist);
    info.close();

    ContentView& content = show();
    QListWidget* sidebar = content.sidebar();
    ASSERT_EQ(sidebar->count(), 2);
    auto* rowView = qobject_cast<AppHeaderView*>(sidebar->itemDelegate());
    ASSERT_NE(rowView, nullptr);
    const AppHeaderView::Look with =
        rowView->look(rowOption(sidebar, 1, false), sidebar->model()->index(1, 0));
    const AppHeaderView::Look without =
        rowView->look(rowOption(sidebar, 0, false), sidebar->model()->index(0, 0));

    EXPECT_EQ(with.name, QStringLiteral("Capture One 23"));
    EXPECT_EQ(with.identifier, AppWorld::identifier(23));
    EXPECT_GT(with.nameFont.weight(), with.identifierFont.weight());
    EXPECT_LT(with.identifierFont.pointSizeF(), with.nameFont.pointSizeF());
    // The caption sits below the name, both right of the icon.
    EXPECT_GT(with.identifierRect.top(), with.nameRect.top());
    EXPECT_GT(with.nameRect.left(), with.iconRect.right());

    // The icon is drawn at 32 points whatever the file's own size, in the file's colours.
    EXPECT_EQ(with.icon.deviceIndependentSize().toSize(), QSize(32, 32));
    EXPECT_EQ(with.icon.toImage().pixelColor(with.icon.width() / 2, with.icon.height() / 2), QColor(Qt::red));
    EXPECT_FALSE(without.icon.isNull());
    const QImage drawn = sidebar->viewport()->grab().toImage();
    const QPoint iconCentre = with.iconRect.center() * drawn.devicePixelRatio();
    EXPECT_EQ(drawn.pixelColor(iconCentre), QColor(Qt::red));

    // Assistive tools and type-ahead read the name from the item itself.
    EXPECT_EQ(sidebar->item(1)->text(), QStringLiteral("Capture One 23"));
    EXPECT_FALSE(sidebar->accessibleName().isEmpty());
    // Rows are at least as tall as the icon with its margins.
    EXPECT_GE(sidebar->visualItemRect(sidebar->item(0)).height(), 32 + 2 * AppHeaderView::margin);
}

TEST_F(ContentViewTest, TheSelectedRowIsDrawnInTheSelectionColours) {
    world.addCopy(22);
    ContentView& content = show();
    QListWidget* sidebar = content.sidebar();
    auto* rowView = qobject_cast<AppHeaderView*>(sidebar->itemDelegate());
    const QModelIndex index = sidebar->model()->index(0, 0);
    const QPalette palette = sidebar->palette();
    const AppHeaderView::Look selected = rowView->look(rowOption(sidebar, 0, true), index);
    const AppHeaderView::Look plain = rowView->look(rowOption(sidebar, 0, false), index);
    EXPECT_EQ(selected.nameColor, palette.color(QPalette::Active, QPalette::HighlightedText));
    EXPECT_EQ(plain.nameColor, palette.color(QPalette::Active, QPalette::Text));
    EXPECT_NE(plain.identifierColor, plain.nameColor);
}

TEST_F(ContentViewTest, TheKeyboardMovesTheSelection) {
    world.addCopy(21);
    world.addCopy(22);
    ContentView& content = show();
    ASSERT_EQ(content.sidebar()->currentRow(), 1);
    content.sidebar()->setFocus();
    QTest::keyClick(content.sidebar(), Qt::Key_Up);
    ASSERT_TRUE(content.selectedApp().has_value());
    EXPECT_EQ(content.selectedApp()->bundleIdentifier(), AppWorld::identifier(21));
    EXPECT_EQ(content.applicationView()->application().bundleIdentifier(), AppWorld::identifier(21));
}

// ---- the detail area ----

TEST_F(ContentViewTest, ReselectingACopyReadsItsScriptsAfresh) {
    const QString first = world.addCopy(21, {{QStringLiteral("alpha script"), QStringLiteral("A.")}});
    world.addCopy(22, {{QStringLiteral("beta script"), QStringLiteral("B.")}});
    ContentView& content = show();
    const auto apps = content.applications();

    content.setSelectedApp(apps[0]);
    EXPECT_EQ(rowLabels(detailRead(content)), QStringList{QStringLiteral("Alpha")});

    content.setSelectedApp(apps[1]);
    EXPECT_EQ(rowLabels(detailRead(content)), QStringList{QStringLiteral("Beta")});

    // The copy's scripting definition changes while another copy is shown.
    QFile sdef(first + QStringLiteral("/Contents/Resources/CaptureOne.sdef"));
    ASSERT_TRUE(sdef.open(QIODevice::WriteOnly | QIODevice::Truncate));
    sdef.write(testsupport::sdefWithScripts({{QStringLiteral("alpha script"), QStringLiteral("A.")},
                                             {QStringLiteral("omega script"), QStringLiteral("O.")}}));
    sdef.close();

    content.setSelectedApp(apps[0]);
    EXPECT_EQ(rowLabels(detailRead(content)),
              (QStringList{QStringLiteral("Alpha"), QStringLiteral("Omega")}));
}

TEST_F(ContentViewTest, ACopyWithoutScriptsShowsAnEmptyForm) {
    const QString bundle = world.addCopy(23);
    QFile::remove(bundle + QStringLiteral("/Contents/Resources/CaptureOne.sdef"));
    ContentView& content = show();
    ApplicationView* detail = detailRead(content);
    ASSERT_NE(detail, nullptr);
    EXPECT_TRUE(detail->rows().isEmpty());
    EXPECT_TRUE(world.log().systemLines().contains(QStringLiteral("Could not get sdef file")));
}

TEST_F(ContentViewTest, ShowingTheContentAgainSearchesAgain) {
    world.addCopy(21);
    ContentView& content = show();
    EXPECT_EQ(content.applications().size(), 1);
    world.addCopy(22);

    content.hide();
    QSignalSpy loaded(&content, &ContentView::applicationsLoaded);
    content.show();
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(content.searchCount(), 2);
    EXPECT_EQ(content.applications().size(), 2);
    EXPECT_EQ(content.selectedApp()->bundleIdentifier(), AppWorld::identifier(22));
}

// ---- the GUI thread stays free ----

TEST_F(ContentViewTest, TheWindowAnswersWhileASearchRunsAndShowsABusyIndicator) {
    world.addCopy(23);
    held = std::make_shared<HeldSearch>();
    world.setMetadataSearch(held);

    view = std::make_unique<ContentView>(world.finder());
    QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
    view->show();
    ASSERT_TRUE(held->started.tryAcquire(1, 5000));

    // The search is stuck in its thread, yet the GUI thread handles events and shows it busy.
    EXPECT_TRUE(view->isSearching());
    EXPECT_TRUE(view->busyIndicator()->isVisible());
    bool timerRan = false;
    QTimer::singleShot(10, view.get(), [&timerRan] { timerRan = true; });
    EXPECT_TRUE(apptest::waitUntil([&] { return timerRan; }, 2000));
    EXPECT_EQ(loaded.count(), 0);

    held->gate.release();
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_FALSE(view->isSearching());
    EXPECT_FALSE(view->busyIndicator()->isVisible());
    EXPECT_EQ(view->applications().size(), 1);
}

TEST_F(ContentViewTest, TheListShowsBeforeTheRunningCopyIsKnown) {
    world.addCopy(21);
    world.addCopy(22);
    heldRunning = std::make_shared<HeldRunning>();
    world.setRunningApplications(heldRunning);

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

    heldRunning->gate.release();
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(view->selectedApp()->bundleIdentifier(), AppWorld::identifier(22));
    EXPECT_NE(view->applicationView(), nullptr);
}

TEST_F(ContentViewTest, ARowPickedBeforeTheRunningCopyIsKnownStaysPicked) {
    world.addCopy(21);
    world.addCopy(22);
    heldRunning = std::make_shared<HeldRunning>();
    world.setRunningApplications(heldRunning);
    view = std::make_unique<ContentView>(world.finder());
    QSignalSpy listed(view.get(), &ContentView::applicationsListed);
    QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
    view->show();
    EXPECT_TRUE(listed.count() == 1 || listed.wait(5000));

    view->sidebar()->setCurrentRow(0);
    heldRunning->gate.release();
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(view->selectedApp()->bundleIdentifier(), AppWorld::identifier(21));
    EXPECT_EQ(view->applicationView()->application().bundleIdentifier(), AppWorld::identifier(21));
}

TEST_F(ContentViewTest, RunningCopiesAreLookedUpAwayFromTheGuiThread) {
    world.addCopy(22);
    world.addCopy(23);
    auto running = std::make_shared<ThreadNotingRunning>();
    world.setRunningApplications(running);
    show();
    QMutexLocker lock(&running->mutex);
    ASSERT_FALSE(running->threads.isEmpty());
    for (QThread* thread : std::as_const(running->threads)) {
        EXPECT_NE(thread, QThread::currentThread());
    }
}

TEST_F(ContentViewTest, ALateSearchResultNeverReplacesANewerOne) {
    world.addCopy(21);
    held = std::make_shared<HeldSearch>();
    world.setMetadataSearch(held);
    view = std::make_unique<ContentView>(world.finder());
    QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
    view->show();
    ASSERT_TRUE(held->started.tryAcquire(1, 5000));
    // A second search starts while the first is held; only the second sees the new copy.
    world.addCopy(22);
    view->load();
    ASSERT_TRUE(held->started.tryAcquire(1, 5000));
    held->gate.release(2);
    EXPECT_TRUE(apptest::waitUntil([&] { return !view->isSearching(); }, 5000));
    apptest::settle();
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_EQ(view->applications().size(), 2);
}

} // namespace
