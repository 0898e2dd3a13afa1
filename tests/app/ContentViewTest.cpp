// The main window's content: the search and the initial selection, the sidebar rows, the empty
// state, the detail area that reads its scripts afresh, and work kept off the GUI thread.

#include "tests/app/AppWorld.h"

#include "app/AppHeaderView.h"
#include "app/ApplicationView.h"
#include "app/ContentView.h"
#include "app/PlaceholderView.h"
#include "app/ScriptView.h"
#include "app/WrappingLabel.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMutex>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quillmere;
using namespace Qt::StringLiterals;

namespace {

// Walks the folder, then answers when the test says: the first search on `first`, later ones on `later`.
class HeldSearch final : public brisquel::MetadataSearch {
public:
    brisquel::MetadataSearchResult search(const brisquel::MetadataQuery& query) override {
        brisquel::MetadataSearchResult items = m_folder->search(query);
        QSemaphore& gate = m_calls.fetchAndAddOrdered(1) == 0 ? first : later;
        started.release();
        gate.acquire();
        return items;
    }
    QSemaphore started;
    QSemaphore first;
    QSemaphore later;

private:
    std::shared_ptr<brisquel::MetadataSearch> m_folder = brisquel::Platform::native().metadataSearch;
    QAtomicInt m_calls;
};

// Notes whether it is asked on the GUI thread; held, it answers once the gate opens.
class NotingRunning final : public brisquel::RunningApplications {
public:
    explicit NotingRunning(bool held) : gate(held ? 0 : 1) {}
    QList<qint64> processesWithBundleIdentifier(const QString& bundleIdentifier) override {
        started.release();
        gate.acquire();
        gate.release();
        QMutexLocker lock(&mutex);
        onGuiThread = onGuiThread || QThread::currentThread() == QCoreApplication::instance()->thread();
        return running.contains(bundleIdentifier) ? QList<qint64>{77} : QList<qint64>{};
    }
    QMutex mutex;
    bool onGuiThread = false;
    QStringList running;
    QSemaphore started;
    QSemaphore gate;
};

QByteArray pngOf(QColor color, int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class CopyList : public ::testing::Test {
protected:
    void TearDown() override {
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

    ContentView& show(bool wait = true) {
        if (!view) {
            view = std::make_unique<ContentView>(world.finder());
        }
        view->hide();
        QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
        view->show();
        EXPECT_TRUE(!wait || loaded.wait(5000));
        return *view;
    }
    void noteRunning(bool hold) {
        running = std::make_shared<NotingRunning>(hold);
        world.change([this](auto& platform) { platform.runningApplications = running; });
    }

    QStringList rowLabels() const {
        ApplicationView* detail = view->applicationView();
        EXPECT_TRUE(detail && QTest::qWaitFor([&] { return detail->readCount() > 0; }));
        QStringList labels;
        for (ScriptView* row : detail ? detail->rows() : QList<ScriptView*>()) {
            labels << row->label()->text();
        }
        return labels;
    }
    QString selected() const {
        return view->selectedApp() ? view->selectedApp()->bundleIdentifier() : u"none"_s;
    }

    AppHeaderView::Look look(int row) const {
        QListWidget* sidebar = view->sidebar();
        QStyleOptionViewItem option;
        option.initFrom(sidebar->viewport());
        option.widget = sidebar;
        option.rect = sidebar->visualItemRect(sidebar->item(row));
        option.font = sidebar->font();
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        auto* delegate = qobject_cast<AppHeaderView*>(sidebar->itemDelegate());
        EXPECT_NE(delegate, nullptr);
        return delegate ? delegate->look(option, sidebar->model()->index(row, 0)) : AppHeaderView::Look();
    }

    apptest::AppWorld world;
    std::unique_ptr<ContentView> view;
    std::shared_ptr<HeldSearch> held;
    std::shared_ptr<NotingRunning> running;
};

TEST_F(CopyList, EachShowingSearchesAgainSelectsTheFirstRunningCopyElseTheLastAndMarksTheRunningOnes) {
    world.addCopy(10);
    world.addCopy(9);
    noteRunning(false);
    // In the Finder's order 9 comes before 10. Each showing may find a copy installed meanwhile.
    const struct {
        int added;
        QList<int> running;
        int selected;
    } cases[] = {{0, {}, 10}, {11, {}, 11}, {0, {9, 11}, 9}, {0, {10}, 10}};
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(i);
        if (cases[i].added) {
            world.addCopy(cases[i].added);
        }
        running->running.clear();
        for (const int number : cases[i].running) {
            running->running << world.identifier(number);
        }
        show();
        EXPECT_EQ(selected(), world.identifier(cases[i].selected));
        EXPECT_EQ(view->sidebar()->currentRow(), cases[i].selected - 9);
        for (int row = 0; row < view->sidebar()->count(); ++row) {
            EXPECT_EQ(look(row).badge.isEmpty(), !cases[i].running.contains(row + 9)) << row;
        }
    }
    EXPECT_FALSE(running->onGuiThread);

    // A copy started while the window was in the background is marked when it comes back.
    running->running = QStringList{world.identifier(9)};
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(view.get(), &activate);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !look(0).badge.isEmpty(); }));
    apptest::settle();
    EXPECT_TRUE(look(1).badge.isEmpty() && look(2).badge.isEmpty());
    EXPECT_EQ(selected(), world.identifier(10));
}

// With no copy the detail says where it searched, what was passed over and how to search again;
// a copy selected again reads its scripts afresh, and one without scripts says why.
TEST_F(CopyList, WithNoCopyTheDetailSaysWhyAndASelectedCopyReadsItsScriptsAfresh) {
    const QString root = world.temp().path();
    QDir().mkpath(root + u"/Broken/Capture One 9.app/Contents"_s);
    const struct {
        QString folder;
        QString said;
    } cases[] = {{root + u"/Nowhere"_s, root + u"/Nowhere does not exist"_s},
                 {root + u"/Broken"_s, root + u"/Broken/Capture One 9.app is passed over"_s},
                 {world.applicationsFolder(), u"No copy of Capture One was found in "_s + root}};
    for (const auto& [folder, said] : cases) {
        SCOPED_TRACE(folder.toStdString());
        view.reset();
        world.change([&](auto& platform) { platform.applicationsFolder = folder; });
        show();
        EXPECT_EQ(view->applicationView(), nullptr);
        ASSERT_TRUE(view->placeholder()->isVisible());
        EXPECT_EQ(view->placeholder()->detailsLabel()->text().count(said), 1); // and only once
    }
    world.addCopy(21, {{u"alpha script"_s, u"A."_s}});
    const QString second = world.addCopy(22);
    ASSERT_TRUE(QFile::remove(second + u"/Contents/Resources/CaptureOne.sdef"_s));
    QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
    QTest::mouseClick(view->placeholder()->searchAgainButton(), Qt::LeftButton);
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(selected(), world.identifier(22));
    EXPECT_TRUE(rowLabels().isEmpty());
    EXPECT_TRUE(view->applicationView()->emptyNote()->isVisible());
    EXPECT_TRUE(view->applicationView()->emptyNote()->text().contains(second));

    view->sidebar()->setFocus();
    QTest::keyClick(view->sidebar(), Qt::Key_Up);
    EXPECT_EQ(selected(), world.identifier(21));
    EXPECT_EQ(rowLabels(), QStringList{u"Alpha"_s});
    QTest::keyClick(view->sidebar(), Qt::Key_Down);
    EXPECT_TRUE(rowLabels().isEmpty());
    world.temp().write(
        u"Applications/Capture One 21.app/Contents/Resources/CaptureOne.sdef"_s,
        testsupport::sdefWithScripts({{u"alpha script"_s, u"A."_s}, {u"omega script"_s, u"O."_s}}));
    QTest::keyClick(view->sidebar(), Qt::Key_Up);
    EXPECT_EQ(rowLabels(), (QStringList{u"Alpha"_s, u"Omega"_s}));

    view->setSelectedApp(std::nullopt);
    EXPECT_EQ(view->sidebar()->currentRow(), -1);
    EXPECT_TRUE(view->placeholder()->isVisible());
}

// The list is shown before its icons are decoded: a row keeps its icon's place empty meanwhile,
// rather than showing the generic icon for a moment.
TEST_F(CopyList, TheListComesBeforeItsIconsWhichNeverShowTheGenericOneMeanwhile) {
    world.addCopy(22);
    world.setIcon(world.addCopy(23), QStringLiteral("AppIcon.png"), pngOf(Qt::red, 128));
    view = std::make_unique<ContentView>(world.finder());
    bool emptyWhenListed = false;
    QObject::connect(view.get(), &ContentView::applicationsListed, view.get(),
                     [&] { emptyWhenListed = look(0).icon.isNull() && look(1).icon.isNull(); });
    show();
    EXPECT_TRUE(emptyWhenListed);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !look(0).icon.isNull() && !look(1).icon.isNull(); }));
}

TEST_F(CopyList, SidebarRowsShowIconNameIdentifierAndVersionEachIconAtOneSize) {
    world.addCopy(22);
    world.setIcon(world.addCopy(23), u"AppIcon.png"_s, pngOf(Qt::red, 128));
    show();
    QListWidget* sidebar = view->sidebar();
    ASSERT_EQ(sidebar->count(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !look(0).icon.isNull() && !look(1).icon.isNull(); }));
    const AppHeaderView::Look with = look(1);
    EXPECT_EQ(with.name, u"Capture One 23"_s);
    EXPECT_EQ(with.identifier, world.identifier(23));
    EXPECT_EQ(with.version, u"Version 23.0"_s);
    // Name, identifier and version one below the other; a real and the generic icon at 32 points.
    EXPECT_GT(with.versionRect.top(), with.identifierRect.bottom() - 1);
    EXPECT_GT(with.identifierRect.top(), with.nameRect.bottom() - 1);
    EXPECT_EQ(with.icon.deviceIndependentSize().toSize(), QSize(32, 32));
    EXPECT_EQ(look(0).icon.deviceIndependentSize().toSize(), QSize(32, 32));
    const QImage drawn = sidebar->viewport()->grab().toImage();
    EXPECT_EQ(drawn.pixelColor(with.iconRect.center() * drawn.devicePixelRatio()), QColor(Qt::red));
    // Type-ahead reads the name from the item; its tooltip has the path.
    EXPECT_EQ(sidebar->item(1)->text(), u"Capture One 23"_s);
    EXPECT_TRUE(apptest::shownText(sidebar->item(1)->toolTip()).contains(world.applicationsFolder()));
}

TEST_F(CopyList, AnIconFileThatIsNoImageOrNoRegularFileGivesTheGenericIconWithoutHoldingAnythingUp) {
    const QString folder = world.temp().path();
    const QString fifo = folder + u"/icon.fifo"_s;
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(folder + u"/folder.png"_s));
    const struct {
        QString path;
        bool image;
    } cases[] = {{world.temp().write(u"big.png"_s, pngOf(Qt::blue, 1024)), true},
                 {world.temp().write(u"text.png"_s, "not an image"), false},
                 {fifo, false},
                 {folder + u"/folder.png"_s, false}};
    for (const auto& [path, image] : cases) {
        const QImage icon = AppHeaderView::loadIcon(path);
        EXPECT_EQ(!icon.isNull(), image) << path.toStdString();
        EXPECT_TRUE(!image || icon.deviceIndependentSize().toSize() == QSize(32, 32)) << path.toStdString();
    }
}

// A search held in its thread leaves the window answering and busy; of two overlapping searches
// only the newer one's answer is shown, even when the older ends last.
TEST_F(CopyList, TheWindowAnswersWhileSearchesRunAndOnlyTheNewestResultIsShown) {
    world.addCopy(21);
    held = std::make_shared<HeldSearch>();
    world.change([this](auto& platform) { platform.metadataSearch = held; });
    show(false);
    QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
    ASSERT_TRUE(held->started.tryAcquire(1, 5000));
    EXPECT_TRUE(view->isSearching());
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->busyIndicator()->isVisible(); }));
    world.addCopy(22);
    view->load();
    ASSERT_TRUE(held->started.tryAcquire(1, 5000));
    EXPECT_EQ(loaded.count(), 0);
    held->later.release();
    ASSERT_TRUE(loaded.wait(5000));
    held->first.release();
    apptest::settle();
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_FALSE(view->isSearching());
    EXPECT_FALSE(view->busyIndicator()->isVisible());
    EXPECT_EQ(view->applications().size(), 2);
}

TEST_F(CopyList, TheListShowsBeforeTheRunningCopyIsKnownAndARowPickedMeanwhileStays) {
    world.addCopy(21);
    world.addCopy(22);
    noteRunning(true);
    view = std::make_unique<ContentView>(world.finder());
    QSignalSpy listed(view.get(), &ContentView::applicationsListed);
    QSignalSpy loaded(view.get(), &ContentView::applicationsLoaded);
    // A first search done before the view is shown is listed as it is shown, for its first paint.
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(5000));
    view->show();
    EXPECT_EQ(listed.count(), 1);
    // Nothing selected yet, and no invitation to choose either; the user's pick then wins.
    EXPECT_EQ(view->sidebar()->count(), 2);
    EXPECT_FALSE(view->selectedApp().has_value());
    EXPECT_TRUE(view->placeholder() == nullptr || !view->placeholder()->isVisible());
    EXPECT_EQ(loaded.count(), 0);
    view->sidebar()->setCurrentRow(0);
    running->gate.release();
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(view->applicationView()->application().bundleIdentifier(), world.identifier(21));
}

TEST_F(CopyList, ALookupThatAnswersAfterTheViewHasGoneIsDropped) {
    world.addCopy(21);
    const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
    noteRunning(true);
    show(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return running->started.tryAcquire(); }));
    view.reset();
    running->gate.release();
    apptest::settle();
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
}

} // namespace
