#include "core/AppFinder.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <unordered_set>

using brisquel::AppFinder;
using testsupport::metadataItem;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// Waits through the event loop, which brings the completion back to this thread.
template <typename T> T waitFor(QFuture<T> future) {
    while (!future.isFinished()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    if constexpr (!std::is_void_v<T>) {
        return future.result();
    }
}

QStringList identifiers(const QList<AppFinder::App>& apps) {
    QStringList out;
    for (const auto& app : apps) {
        out << app.bundleIdentifier();
    }
    return out;
}

class AppFinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakes.metadata->items = {
            metadataItem(s("Capture One 20.app"), s("com.c1.a"), s("/Applications/Capture One 20.app"),
                         s("13.1")),
            metadataItem(s("Capture One 21.app"), s("com.c1.b"), s("/Applications/Capture One 21.app"),
                         s("14.0")),
            metadataItem(s("Capture One 21 copy.app"), s("com.c1.b"),
                         s("/Applications/Old/Capture One 21 copy.app"), s("14.0")),
            metadataItem(s("Capture One 23.app"), s("com.c1.c"), s("/Applications/Capture One 23.app"),
                         s("16.0")),
        };
    }
    testsupport::FakePlatform fakes;
};

} // namespace

TEST(AppRecordTest, BuildsFromMetadataOnlyWithAllFourTexts) {
    const auto app = AppFinder::App::fromMetadata(
        metadataItem(s("Capture One 1.2.app"), s("com.c1"), s("/Apps/Capture One 1.2.app"), s("1.2")));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->displayName(), s("Capture One 1.2"));
    EXPECT_EQ(app->bundleIdentifier(), s("com.c1"));
    EXPECT_EQ(app->id(), s("com.c1"));
    EXPECT_EQ(app->version(), s("1.2"));
    EXPECT_EQ(app->url(), QUrl::fromLocalFile(s("/Apps/Capture One 1.2.app")));
    EXPECT_EQ(
        AppFinder::App::fromMetadata(metadataItem(s("Capture One"), s("a"), s("/p"), s("1")))->displayName(),
        s("Capture One"));

    EXPECT_FALSE(AppFinder::App::fromMetadata(metadataItem(s("C.app"), s("com.c1"), s("/p"), QString())));
    EXPECT_FALSE(AppFinder::App::fromMetadata(metadataItem(s("C.app"), QString(), s("/p"), s("1"))));
    EXPECT_FALSE(AppFinder::App::fromMetadata(metadataItem(QString(), s("com.c1"), s("/p"), s("1"))));
    EXPECT_FALSE(AppFinder::App::fromMetadata(metadataItem(s("C.app"), s("com.c1"), QString(), s("1"))));
    auto numeric = metadataItem(s("C.app"), s("com.c1"), s("/p"), QString());
    numeric.attributes.insert(brisquel::MetadataAttribute::kVersion, 16);
    EXPECT_FALSE(AppFinder::App::fromMetadata(numeric));
}

TEST(AppRecordTest, EqualityHashAndOrderFollowTheirOwnFields) {
    const AppFinder::App a(s("Capture One 9"), s("com.x"), s("1"), QUrl::fromLocalFile(s("/a")));
    const AppFinder::App renamed(s("Capture One 10"), s("com.x"), s("2"), QUrl::fromLocalFile(s("/b")));
    const AppFinder::App other(s("Capture One 9"), s("com.y"), s("1"), QUrl::fromLocalFile(s("/a")));
    EXPECT_EQ(a, renamed);
    EXPECT_EQ(qHash(a), qHash(renamed));
    // Finder order of display names ("9" before "10"); same name, other identifier: neither equal nor
    // ordered.
    EXPECT_TRUE(a < renamed && !(renamed < a));
    EXPECT_TRUE(!(a < other) && !(other < a) && a != other);
    std::unordered_set<AppFinder::App> set{a, renamed, other};
    EXPECT_EQ(set.size(), 2u);
}

TEST(AppRecordTest, MenuItemCarriesTitleIconAndIdentifier) {
    testsupport::TempFolder folder;
    const QString bundle = folder.filePath(s("Capture One 23.app"));
    folder.write(s("Capture One 23.app/Contents/Info.plist"),
                 "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIconFile</key>"
                 "<string>AppIcon</string></dict></plist>");
    folder.write(s("Capture One 23.app/Contents/Resources/AppIcon.icns"), "icns");
    const AppFinder::App app(s("Capture One 23"), s("com.c1"), s("16"), QUrl::fromLocalFile(bundle));
    EXPECT_EQ(app.icon(), bundle + s("/Contents/Resources/AppIcon.icns"));
    const brisquel::MenuItem item = app.makeMenuItem();
    EXPECT_EQ(item.title, s("Capture One 23"));
    EXPECT_EQ(item.imagePath, app.icon());
    EXPECT_EQ(item.representedObject, QVariant(s("com.c1")));
    EXPECT_TRUE(AppFinder::App(s("X"), s("y"), s("1"), QUrl::fromLocalFile(s("/nowhere"))).icon().isEmpty());
}

TEST_F(AppFinderTest, DiscoveryKeepsTheFirstCopyOfEachIdentifierInOrder) {
    fakes.applicationsFolder = s("/Volumes/Studio/Applications");
    const auto apps = AppFinder::discover(fakes.platform());
    EXPECT_EQ(identifiers(apps), QStringList({s("com.c1.a"), s("com.c1.b"), s("com.c1.c")}));
    EXPECT_EQ(apps[1].displayName(), s("Capture One 21"));
    ASSERT_EQ(fakes.metadata->queries.size(), 1);
    const auto& query = fakes.metadata->queries[0];
    EXPECT_EQ(query.searchScopes, QStringList{s("/Volumes/Studio/Applications")});
    EXPECT_EQ(query.displayNamePrefix, s("Capture One"));
    EXPECT_EQ(query.predicate, s("kMDItemKind == 'Application' AND kMDItemDisplayName LIKE 'Capture One*'"));
    EXPECT_EQ(query.sortAttribute, brisquel::MetadataAttribute::kDisplayName);
}

TEST_F(AppFinderTest, EveryDeliveryFormGivesTheSameList) {
    AppFinder finder(fakes.platform());
    const QStringList expected = {s("com.c1.a"), s("com.c1.b"), s("com.c1.c")};

    EXPECT_EQ(identifiers(waitFor(finder.returnApps())), expected);
    EXPECT_TRUE(finder.apps().isEmpty()); // returnApps leaves the observable list alone

    int calls = 0;
    QThread* completedOn = nullptr;
    QList<AppFinder::App> received;
    finder.findApps([&](QList<AppFinder::App> apps) {
        ++calls;
        completedOn = QThread::currentThread();
        received = std::move(apps);
    });
    EXPECT_EQ(calls, 0); // returns at once
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 10000);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(completedOn, QThread::currentThread());
    EXPECT_EQ(identifiers(received), expected);

    QSignalSpy willChange(&finder, &AppFinder::objectWillChange);
    QSignalSpy changed(&finder, &AppFinder::appsChanged);
    waitFor(finder.findApps());
    EXPECT_EQ(identifiers(finder.apps()), expected);
    EXPECT_EQ(willChange.count(), 1);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(identifiers(changed[0][0].value<QList<AppFinder::App>>()), expected);
}

TEST_F(AppFinderTest, RunningCopyIsTheFirstRunningInListOrder) {
    AppFinder finder(fakes.platform());
    EXPECT_FALSE(waitFor(finder.findRunningCaptureOne()));
    fakes.running->running = {s("com.c1.c"), s("com.c1.b")};
    const auto running = waitFor(finder.findRunningCaptureOne());
    ASSERT_TRUE(running);
    EXPECT_EQ(running->bundleIdentifier(), s("com.c1.b"));
    EXPECT_TRUE(AppFinder::discover(fakes.platform())[1].isRunning());
    EXPECT_FALSE(AppFinder::discover(fakes.platform())[0].isRunning());
}

TEST_F(AppFinderTest, CompletesOnTheSearchingThreadWhenTheCallerHasNoEventLoop) {
    AppFinder finder(fakes.platform());
    QList<AppFinder::App> result;
    // A plain thread without an event dispatcher: std::thread is not a QThread with a loop.
    std::thread worker([&] {
        QFuture<QList<AppFinder::App>> future = finder.returnApps();
        future.waitForFinished();
        result = future.result();
    });
    worker.join();
    EXPECT_EQ(result.size(), 3);
}
