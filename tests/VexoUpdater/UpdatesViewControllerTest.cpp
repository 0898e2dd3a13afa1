// The updates pane: the feed address it hands the updater while on screen, its switches, the last
// check it shows, a studio's update-feed base, and the stop for an interface file that does not fit.

#include "VexoUpdater/UpdatesViewController.h"

#include "VexoUpdater/FeedAddress.h"
#include "VexoUpdater/LastUpdateCheck.h"
#include "VexoUpdater/UpdateSettings.h"
#include "tests/VexoUpdater/UpdaterWorld.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using brisquel::vexo::Result;
using brisquel::vexo::Status;
using quillmere::UpdatesViewController;
using updatertest::RecordingUpdater;
using updatertest::UpdaterWorld;
namespace UpdateSettings = quillmere::UpdateSettings;

namespace {

const QString kBase = quillmere::builtInFeedBase();

QString releases(const QString& base = kBase) {
    return base + UpdaterWorld::kBundleIdentifier + QStringLiteral("/releases/appcast.xml");
}

QString betas() {
    return kBase + UpdaterWorld::kBundleIdentifier + QStringLiteral("/betas/appcast.xml");
}

QString logged(const QString& address) {
    return QStringLiteral("Setting Sparkle feed to ") + address;
}

void settle() { // lets every queued change notice arrive
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

using testsupport::ScopedEnvironment;

class UpdatesPane : public ::testing::Test {
protected:
    UpdatesPane() {
        quillmere::Updater::setSharedUpdater(&updater);
        quillmere::LastUpdateCheck::shared().clear();
    }
    void show() {
        pane.view();
        pane.viewDidAppear();
    }

    UpdaterWorld world;
    RecordingUpdater updater;
    UpdatesViewController pane;
};

TEST_F(UpdatesPane, AppearingSetsTheReleaseFeedAndEachSwitchTellsTheUpdaterOnce) {
    show();
    EXPECT_EQ(updater.feeds, QList<QUrl>{QUrl(releases())});
    pane.includeBetaReleasesSwitch()->click();
    pane.includeBetaReleasesSwitch()->click();
    settle(); // the domain's own notices of those writes change nothing more
    EXPECT_EQ(world.feedLines(), (QStringList{logged(releases()), logged(betas()), logged(releases())}));
    EXPECT_EQ(updater.feeds, (QList<QUrl>{QUrl(releases()), QUrl(betas()), QUrl(releases())}));
    const int changes = updater.settingsChanges;
    pane.automaticChecksSwitch()->click();
    EXPECT_TRUE(UpdateSettings::automaticallyChecksForUpdates.read());
    EXPECT_EQ(updater.settingsChanges, changes + 1);
    pane.checkNowButton()->click();
    EXPECT_EQ(updater.checks, 1);
}

// Another writer's changes are followed while the pane is shown, and at its next appearance.
TEST_F(UpdatesPane, FollowsAnotherWriterWhileShownAndAtTheNextAppearance) {
    show();
    // An integer, as a tool that knows no booleans writes one.
    world.defaults()->write(UpdateSettings::includeBetaReleases.key(), 1);
    world.defaults()->write(UpdateSettings::automaticallyChecksForUpdates.key(), QStringLiteral("YES"));
    settle();
    EXPECT_EQ(updater.feeds, (QList<QUrl>{QUrl(releases()), QUrl(betas())}));
    EXPECT_TRUE(pane.includeBetaReleasesSwitch()->isChecked() && pane.automaticChecksSwitch()->isChecked());
    const int live = world.defaults()->liveObservations();
    pane.viewDidAppear(); // twice: still one observation
    EXPECT_EQ(world.defaults()->liveObservations(), live);
    pane.viewWillDisappear();
    EXPECT_EQ(world.defaults()->liveObservations(), 0);
    world.defaults()->write(UpdateSettings::includeBetaReleases.key(), false);
    settle();
    EXPECT_EQ(updater.feeds.last(), QUrl(betas()));
    pane.viewDidAppear();
    EXPECT_EQ(updater.feeds.last(), QUrl(releases()));
}

TEST_F(UpdatesPane, WithoutASharedUpdaterTheLineIsStillLoggedAndCheckNowIsOff) {
    quillmere::Updater::setSharedUpdater(nullptr);
    show();
    EXPECT_EQ(world.feedLines(), QStringList{logged(releases())});
    EXPECT_TRUE(updater.feeds.isEmpty());
    EXPECT_FALSE(pane.checkNowButton()->isEnabled());
}

TEST_F(UpdatesPane, ASettingThatCannotBeWrittenKeepsTheSwitchAndSaysWhy) {
    show();
    world.defaults()->m_failWrites = true;
    pane.includeBetaReleasesSwitch()->click();
    EXPECT_FALSE(pane.includeBetaReleasesSwitch()->isChecked());
    EXPECT_TRUE(!pane.errorLabel()->isHidden() &&
                pane.errorLabel()->text().contains(QLatin1String("cannot be written")));
    EXPECT_EQ(updater.feeds.size(), 1);
}

// The status beside Check Now, as the updater tells its outcomes while the pane is on screen: the
// last check of this run, a failure with its time included, else the date a completed check stored.
// Rows: hours since the stored check and since this run's (-1: none), whether this run's failed.
TEST_F(UpdatesPane, TheStatusSaysWhenTheLastCheckEndedAndHow) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QDateTime ended;
    quillmere::LastUpdateCheck::shared().follow(&updater, [&] { return ended; });
    const struct {
        int storedHoursAgo;
        int thisRunHoursAgo;
        bool thisRunFailed;
        const char* shown;
    } rows[] = {
        {-1, -1, false, "Not checked yet"},       {-1, 1, false, "Last checked: "},
        {30, -1, false, "Last checked: "},        {30, 1, false, "Last checked: "},
        {30, 1, true, "The last check failed ("}, {1, 1, true, "The last check failed ("},
        {1, 30, true, "Last checked: "},
    };
    const Result failure =
        Result::failure(Status::Unavailable,
                        QStringLiteral("The update server could not be reached.\n\nHost a.test not found"));
    pane.view();
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        quillmere::LastUpdateCheck::shared().clear();
        const auto stored = now.addSecs(qint64{-3600} * row.storedHoursAgo);
        ASSERT_TRUE(UpdateSettings::lastUpdateCheckDate.write(
            row.storedHoursAgo < 0 ? std::nullopt : std::optional(stored)));
        pane.viewDidAppear();
        ended = now.addSecs(qint64{-3600} * row.thisRunHoursAgo);
        if (row.thisRunHoursAgo >= 0)
            emit updater.updateCheckFinished(row.thisRunFailed ? failure : Result::success());
        const QString shown = pane.lastCheckLabel()->text();
        const bool failed = shown.startsWith(QStringLiteral("The last check failed ("));
        EXPECT_TRUE(shown.startsWith(QString::fromUtf8(row.shown))) << shown.toStdString();
        EXPECT_EQ(shown.endsWith(QStringLiteral("): The update server could not be reached.")), failed);
        // The detail is for the tooltip.
        EXPECT_EQ(pane.lastCheckLabel()->toolTip().contains(QStringLiteral("not found")), failed);
        pane.viewWillDisappear();
    }
}

TEST(UpdatesPaneWithoutIdentifier, DoesNothingAndLogsNothing) {
    UpdaterWorld world(QStringLiteral("1"), QStringLiteral("1.0"), QString());
    RecordingUpdater updater;
    quillmere::Updater::setSharedUpdater(&updater);
    UpdatesViewController pane;
    pane.viewDidAppear();
    EXPECT_TRUE(world.feedLines().isEmpty());
    EXPECT_TRUE(updater.feeds.isEmpty());
}

// A studio's own update-feed base, from the environment or the preferences domain.
TEST(UpdatesPaneFeedBase, IsUsedUnderTheHttpsRuleAndShownInThePane) {
    const struct {
        const char* environment; // null: unset
        const char* preference;  // null: absent
        bool taken;              // else the build's base is used
        const char* shownWords;  // null: nothing shown
    } rows[] = {
        {nullptr, nullptr, false, nullptr},
        {"https://m.test/u/applications/", nullptr, true, "as QUILLMERE_UPDATE_FEED_BASE"},
        {"http://127.0.0.1:8080/applications/", nullptr, true, "127.0.0.1:8080"},
        {nullptr, "https://m.test/applications/", true, "preference \"updateFeedBase\""},
        {"https://a.test/applications/", "https://b.test/applications/", true, "a.test"},
        {"http://m.test/applications/", nullptr, false, "only https addresses are taken"},
        {"https://m.test/feeds/", nullptr, false, "must end in \"applications/\""},
        {"https://m.test/applications/?x=1", nullptr, false, "query"},
        {"mirror", nullptr, false, "not a web address"},
        {nullptr, "ftp://m.test/applications/", false, "preferences key \"updateFeedBase\" is not used"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.environment ? row.environment : row.preference ? row.preference : "none");
        const ScopedEnvironment environment("QUILLMERE_UPDATE_FEED_BASE", QByteArray(row.environment));
        UpdaterWorld world;
        RecordingUpdater updater;
        quillmere::Updater::setSharedUpdater(&updater);
        ASSERT_TRUE(!row.preference ||
                    UpdateSettings::updateFeedBase.write(QString::fromUtf8(row.preference)));
        UpdatesViewController pane;
        pane.view();
        pane.viewDidAppear();
        const char* given = row.environment ? row.environment : row.preference;
        EXPECT_EQ(updater.feeds, QList<QUrl>{QUrl(releases(row.taken ? QString::fromUtf8(given) : kBase))});
        const QLabel* label = pane.feedBaseLabel();
        EXPECT_EQ(label->isHidden(), row.shownWords == nullptr);
        EXPECT_TRUE(!row.shownWords || label->text().contains(QString::fromUtf8(row.shownWords)))
            << label->text().toStdString();
    }
}

// An interface file that does not fit the pane stops the program, naming the file and the cause:
// each row edits the shipped file in a copy of the bundle.
TEST(UpdatesPaneInterface, ThatDoesNotFitStopsNamingTheFileAndTheCause) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* replace;
        const char* with;
        const char* message;
    } rows[] = {
        {"<string>automaticallyChecksForUpdates</string>", "<string>deleteEverything</string>",
         "the control \"automaticChecksSwitch\" names \"deleteEverything\", which is no on/off setting"},
        {"<string>includeBetaReleases</string>", "<string>automaticallyChecksForUpdates</string>",
         "no control names the setting \"includeBetaReleases\""},
    };
    for (const auto& row : rows) {
        testsupport::TempFolder data;
        // As built, beside this program (asking the pane's bundle here would fix it for the process).
        const QDir shipped(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/VexoWidgets_VexoUpdater.bundle"));
        const QDir copy(data.filePath(shipped.dirName()));
        QDir().mkpath(copy.path());
        for (const QString& name : shipped.entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(shipped.filePath(name), copy.filePath(name)));
        QFile file(copy.filePath(UpdatesViewController::kInterfaceFile));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const QByteArray text = file.readAll();
        ASSERT_TRUE(text.contains(row.replace));
        file.resize(0);
        file.write(QByteArray(text).replace(row.replace, row.with));
        file.close();
        const ScopedEnvironment environment("QUILLMERE_DATA_DIR", data.path().toUtf8());
        EXPECT_DEATH( // a new process, as the bundle is looked up once per process
            {
                UpdaterWorld world;
                UpdatesViewController pane;
                pane.view();
            },
            ::testing::HasSubstr(std::string("UpdatesViewController.ui: ") + row.message));
    }
}

} // namespace
