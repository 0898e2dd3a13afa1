// The updates pane: its identity, and how it hands the feed address to the updater while its
// view is on screen.

#include "VexoUpdater/UpdatesViewController.h"

#include "VexoUpdater/BetaReleasesSetting.h"
#include "VexoUpdater/FeedAddress.h"
#include "VexoUpdater/UpdateSettings.h"
#include "tests/VexoUpdater/UpdaterWorld.h"
#include "tests/support/TempFolder.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

using quillmere::UpdatesViewController;
using updatertest::RecordingUpdater;
using updatertest::UpdaterWorld;

namespace {

const QString kBase = quillmere::updateFeedEndpointBase();

QString releases(const QString& identifier = UpdaterWorld::kBundleIdentifier) {
    return kBase + identifier + QStringLiteral("/releases/appcast.xml");
}

QString betas(const QString& identifier = UpdaterWorld::kBundleIdentifier) {
    return kBase + identifier + QStringLiteral("/betas/appcast.xml");
}

QString logged(const QString& address) {
    return QStringLiteral("Setting Sparkle feed to ") + address;
}

// Lets every queued change notice arrive.
void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class UpdatesPane : public ::testing::Test {
protected:
    UpdatesPane() { quillmere::Updater::setSharedUpdater(&updater); }

    UpdaterWorld world;
    RecordingUpdater updater;
    UpdatesViewController pane;
};

TEST_F(UpdatesPane, namesItselfUpdatesWithTheArrowIcon) {
    EXPECT_EQ(pane.preferencePaneIdentifier().rawValue, QStringLiteral("updates"));
    EXPECT_EQ(pane.preferencePaneTitle(), QStringLiteral("Updates"));
    ASSERT_FALSE(pane.toolbarItemIcon().isNull());
    EXPECT_FALSE(pane.toolbarItemIcon().pixmap(32, 32).isNull());
}

TEST_F(UpdatesPane, theEndpointBaseIsAnHttpsAddressEndingInApplications) {
    EXPECT_TRUE(kBase.startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(kBase.endsWith(QStringLiteral("applications/")));
}

TEST_F(UpdatesPane, appearingWithTheSettingAbsentLogsAndSetsTheReleaseFeedAtOnce) {
    pane.view();
    pane.viewDidAppear();
    EXPECT_EQ(world.feedLines(), QStringList{logged(releases())});
    EXPECT_EQ(updater.feeds, QList<QUrl>{QUrl(releases())});
    EXPECT_TRUE(releases().endsWith(QStringLiteral("/releases/appcast.xml")));
}

TEST_F(UpdatesPane, switchingBetasOnAndOffWhileShownSetsTheMatchingFeedEachTime) {
    pane.view();
    pane.viewDidAppear();
    pane.includeBetaReleasesSwitch()->click();
    EXPECT_EQ(world.defaults()->values.value(quillmere::kIncludeBetaReleasesKey), QVariant(true));
    EXPECT_EQ(updater.feeds.last(), QUrl(betas()));
    pane.includeBetaReleasesSwitch()->click();
    EXPECT_EQ(updater.feeds.last(), QUrl(releases()));
    settle(); // the domain's own notices of those writes change nothing more
    EXPECT_EQ(world.feedLines(), (QStringList{logged(releases()), logged(betas()), logged(releases())}));
    EXPECT_EQ(updater.feeds.size(), 3);
}

TEST_F(UpdatesPane, aChangeByAnotherWriterWhileShownIsFollowedAndShownOnTheSwitch) {
    pane.view();
    pane.viewDidAppear();
    world.defaults()->write(quillmere::kIncludeBetaReleasesKey, true);
    settle();
    EXPECT_EQ(updater.feeds, (QList<QUrl>{QUrl(releases()), QUrl(betas())}));
    EXPECT_TRUE(pane.includeBetaReleasesSwitch()->isChecked());
}

TEST_F(UpdatesPane, aChangeOfAnotherKeyDoesNotSetTheFeedAgain) {
    pane.view();
    pane.viewDidAppear();
    world.defaults()->write(QStringLiteral("NSWindow Frame Main Window"), QStringLiteral("0 0 600 400"));
    world.defaults()->write(quillmere::kIncludeBetaReleasesKey, false); // written, but not changed
    settle();
    EXPECT_EQ(updater.feeds.size(), 1);
    EXPECT_EQ(world.feedLines().size(), 1);
}

TEST_F(UpdatesPane, changesWhileHiddenDoNothingUntilTheNextAppearanceFollowsThemAtOnce) {
    pane.view();
    pane.viewDidAppear();
    pane.viewWillDisappear();
    EXPECT_FALSE(pane.isObserving());
    EXPECT_EQ(world.defaults()->liveObservations(), 0);
    world.defaults()->write(quillmere::kIncludeBetaReleasesKey, true);
    settle();
    EXPECT_EQ(updater.feeds, QList<QUrl>{QUrl(releases())});
    pane.viewDidAppear();
    EXPECT_EQ(updater.feeds.last(), QUrl(betas()));
    EXPECT_EQ(world.feedLines().last(), logged(betas()));
}

TEST_F(UpdatesPane, appearingTwiceLeavesOneObservationAndOneUpdatePerChange) {
    pane.view();
    pane.viewDidAppear();
    pane.viewDidAppear();
    EXPECT_EQ(world.defaults()->liveObservations(), 1);
    const qsizetype before = updater.feeds.size();
    world.defaults()->write(quillmere::kIncludeBetaReleasesKey, true);
    settle();
    EXPECT_EQ(updater.feeds.size(), before + 1);
}

TEST_F(UpdatesPane, withoutASharedUpdaterTheLineIsStillLoggedAndNothingBreaks) {
    quillmere::Updater::setSharedUpdater(nullptr);
    pane.view();
    pane.viewDidAppear();
    EXPECT_EQ(world.feedLines(), QStringList{logged(releases())});
    EXPECT_TRUE(updater.feeds.isEmpty());
    EXPECT_FALSE(pane.checkNowButton()->isEnabled());
}

TEST_F(UpdatesPane, aSettingThatCannotBeWrittenKeepsTheSwitchAndSaysWhy) {
    pane.view();
    pane.viewDidAppear();
    world.defaults()->failWrites = true;
    pane.includeBetaReleasesSwitch()->click();
    EXPECT_FALSE(pane.includeBetaReleasesSwitch()->isChecked());
    EXPECT_FALSE(pane.errorLabel()->isHidden());
    EXPECT_TRUE(pane.errorLabel()->text().contains(QStringLiteral("the disk is full")));
    EXPECT_EQ(updater.feeds.size(), 1);
}

TEST_F(UpdatesPane, theAutomaticCheckSwitchStoresItsSettingAndTellsTheUpdater) {
    pane.view();
    pane.viewDidAppear();
    EXPECT_FALSE(pane.automaticChecksSwitch()->isChecked()); // off until the user turns it on
    pane.automaticChecksSwitch()->click();
    EXPECT_TRUE(quillmere::automaticallyChecksForUpdates());
    EXPECT_EQ(updater.settingsChanges, 1);
}

TEST_F(UpdatesPane, checkNowAsksTheUpdaterAndTheLastCheckIsShown) {
    pane.view();
    EXPECT_EQ(pane.lastCheckLabel()->text(), QStringLiteral("Not checked yet"));
    quillmere::setLastUpdateCheckDate(QDateTime(QDate(2026, 3, 4), QTime(5, 6), Qt::UTC));
    pane.viewDidAppear();
    EXPECT_TRUE(pane.lastCheckLabel()->text().startsWith(QStringLiteral("Last checked: ")));
    EXPECT_EQ(pane.lastCheckLabel()->textFormat(), Qt::PlainText);
    pane.checkNowButton()->click();
    EXPECT_EQ(updater.checks, 1);
}

struct Identifier {
    const char* identifier;
};

class BundleIdentifiers : public ::testing::TestWithParam<Identifier> {};

TEST_P(BundleIdentifiers, enterTheAddressUnchangedBetweenApplicationsAndTheNextSlash) {
    const QString identifier = QString::fromUtf8(GetParam().identifier);
    UpdaterWorld world(QStringLiteral("1"), QStringLiteral("1.0"), identifier);
    RecordingUpdater updater;
    quillmere::Updater::setSharedUpdater(&updater);
    UpdatesViewController pane;
    pane.viewDidAppear();
    const QString line = world.feedLines().value(0);
    const QString address = line.mid(QStringLiteral("Setting Sparkle feed to ").size());
    const qsizetype start =
        address.indexOf(QStringLiteral("applications/")) + QStringLiteral("applications/").size();
    EXPECT_EQ(address.mid(start, address.indexOf(QLatin1Char('/'), start) - start), identifier);
    EXPECT_EQ(address, releases(identifier));
    ASSERT_EQ(updater.feeds.size(), 1);
    EXPECT_EQ(updater.feeds.first().toString(), address);
}

INSTANTIATE_TEST_SUITE_P(FeedAddress, BundleIdentifiers,
                         ::testing::Values(Identifier{"com.tamberline.Quillmere"},
                                           Identifier{"com.Example.MixedCase"},
                                           Identifier{"org.example.with-dash_and_underscore9"}));

TEST(UpdatesPaneWithoutIdentifier, doesNothingAndLogsNothing) {
    UpdaterWorld world(QStringLiteral("1"), QStringLiteral("1.0"), QString());
    RecordingUpdater updater;
    quillmere::Updater::setSharedUpdater(&updater);
    UpdatesViewController pane;
    pane.viewDidAppear();
    EXPECT_TRUE(world.feedLines().isEmpty());
    EXPECT_TRUE(updater.feeds.isEmpty());
}

// The settings domain as kept on disk, changed by another program: the file watch brings the
// change to the pane.
TEST(UpdatesPaneOnDisk, followsAChangeWrittenByAnotherProgram) {
    const QString plistutil = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    if (plistutil.isEmpty())
        GTEST_SKIP() << "plistutil (libplist-utils) is not installed";
    testsupport::TempFolder folder;
    UpdaterWorld world;
    brisquel::Platform platform = world.fakes.platform();
    platform.preferences =
        brisquel::Platform::native({.preferencesFolder = folder.path(), .log = world.fakes.log}).preferences;
    brisquel::Platform::install(platform);
    RecordingUpdater updater;
    quillmere::Updater::setSharedUpdater(&updater);
    ASSERT_TRUE(quillmere::setIncludeBetaReleases(false));

    UpdatesViewController pane;
    pane.view();
    pane.viewDidAppear();
    ASSERT_EQ(updater.feeds, QList<QUrl>{QUrl(releases())});

    // Another program writes the domain file anew, as a whole, the way settings tools do.
    const QString xml =
        folder.write(QStringLiteral("new.plist"), "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                                                  "<key>includeBetaReleases</key><true/></dict></plist>");
    const QString domainFile = folder.filePath(UpdaterWorld::kBundleIdentifier + QStringLiteral(".plist"));
    ASSERT_EQ(QProcess::execute(plistutil, {QStringLiteral("-i"), xml, QStringLiteral("-o"), domainFile}), 0);

    EXPECT_TRUE(QTest::qWaitFor([&] { return updater.feeds.size() == 2; }, 20'000));
    ASSERT_EQ(updater.feeds.size(), 2);
    EXPECT_EQ(updater.feeds.last(), QUrl(betas()));
    EXPECT_TRUE(pane.includeBetaReleasesSwitch()->isChecked());
    pane.viewWillDisappear();
}

} // namespace
