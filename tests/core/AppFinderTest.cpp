#include "core/AppFinder.h"
#include "tests/support/FakePlatform.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <unordered_set>

using namespace Qt::Literals::StringLiterals;
using brisquel::AppFinder;
using testsupport::metadataItem;

namespace {

QStringList identifiers(const QList<AppFinder::App>& apps) {
    QStringList out;
    for (const auto& app : apps)
        out << app.bundleIdentifier();
    return out;
}

// Three copies, one of them twice (a copy of a copy, found later).
class AppFinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& [name, identifier] :
             {std::pair{"20", "a"}, {"21", "b"}, {"21 copy", "b"}, {"23", "c"}})
            fakes.metadata->items << metadataItem(
                u"Capture One %1.app"_s.arg(QString::fromUtf8(name)),
                u"com.c1."_s + QString::fromUtf8(identifier),
                u"/Applications/Capture One %1.app"_s.arg(QString::fromUtf8(name)), u"16.0"_s);
    }
    testsupport::FakePlatform fakes;
    const QStringList m_expected{u"com.c1.a"_s, u"com.c1.b"_s, u"com.c1.c"_s};
};

} // namespace

// A record needs all four texts; a number where the version's text belongs is none.
TEST(AppRecordTest, BuildsFromMetadataOnlyWithAllFourTexts) {
    const auto app = AppFinder::App::fromMetadata(
        metadataItem(u"Capture One 1.2.app"_s, u"com.c1"_s, u"/Apps/Capture One 1.2.app"_s, u"1.2"_s));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->displayName() + app->id() + app->version(), u"Capture One 1.2com.c11.2"_s);
    EXPECT_EQ(app->url(), QUrl::fromLocalFile(u"/Apps/Capture One 1.2.app"_s));
    EXPECT_FALSE(AppFinder::App::fromMetadata(metadataItem(u"C.app"_s, u"com.c1"_s, u"/p"_s, {})));
    EXPECT_FALSE(AppFinder::App::fromMetadata(metadataItem(u"C.app"_s, {}, u"/p"_s, u"1"_s)));
    EXPECT_FALSE(AppFinder::App::fromMetadata(metadataItem({}, u"com.c1"_s, u"/p"_s, u"1"_s)));
    EXPECT_FALSE(AppFinder::App::fromMetadata(metadataItem(u"C.app"_s, u"com.c1"_s, {}, u"1"_s)));
    auto numeric = metadataItem(u"C.app"_s, u"com.c1"_s, u"/p"_s, {});
    numeric.attributes.insert(brisquel::MetadataAttribute::kVersion, 16);
    EXPECT_FALSE(AppFinder::App::fromMetadata(numeric));
}

// A copy is its identifier: renamed or moved it is the same copy; copies sort the Finder way.
TEST(AppRecordTest, EqualityHashAndOrderFollowTheirOwnFields) {
    const AppFinder::App a(u"Capture One 9"_s, u"com.x"_s, u"1"_s, QUrl::fromLocalFile(u"/a"_s));
    const AppFinder::App renamed(u"Capture One 10"_s, u"com.x"_s, u"2"_s, QUrl::fromLocalFile(u"/b"_s));
    const AppFinder::App other(u"Capture One 9"_s, u"com.y"_s, u"1"_s, QUrl::fromLocalFile(u"/a"_s));
    EXPECT_TRUE(a < renamed && !(renamed < a));
    EXPECT_TRUE(!(a < other) && !(other < a) && a != other);
    EXPECT_EQ(std::unordered_set<AppFinder::App>({a, renamed, other}).size(), 2u);
}

TEST_F(AppFinderTest, DiscoveryKeepsTheFirstCopyOfEachIdentifierInOrder) {
    fakes.applicationsFolder = u"/Volumes/Studio/Applications"_s;
    const auto apps = AppFinder::discover(fakes.platform());
    EXPECT_EQ(identifiers(apps), m_expected);
    EXPECT_EQ(apps[1].displayName(), u"Capture One 21"_s);
    ASSERT_EQ(fakes.metadata->queries.size(), 1);
    EXPECT_EQ(fakes.metadata->queries[0].searchScopes, QStringList{u"/Volumes/Studio/Applications"_s});
    EXPECT_EQ(fakes.metadata->queries[0].displayNamePrefix, u"Capture One"_s);
}

// A list handed back leaves the observable list alone; a callback comes later, on the asking
// thread, or on the searching one for a caller without an event loop. (The published form and the
// running copy's look-up have no caller.)
TEST_F(AppFinderTest, EveryDeliveryFormGivesTheSameList) {
    AppFinder finder(fakes.platform());
    QFuture<QList<AppFinder::App>> returned = finder.returnApps();
    ASSERT_TRUE(QTest::qWaitFor([&] { return returned.isFinished(); }, 10000));
    EXPECT_EQ(identifiers(returned.result()), m_expected);
    EXPECT_TRUE(finder.apps().isEmpty());
    QList<QThread*> threads;
    finder.findApps([&](const QList<AppFinder::App>&) { threads << QThread::currentThread(); });
    EXPECT_TRUE(threads.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !threads.isEmpty(); }, 10000));
    ASSERT_EQ(threads, QList<QThread*>{QThread::currentThread()});
    QList<AppFinder::App> received;
    std::thread([&] { received = finder.returnApps().result(); }).join();
    EXPECT_EQ(identifiers(received), m_expected);
}
