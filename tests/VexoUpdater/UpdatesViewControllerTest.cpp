// The updates pane: the feed it hands the updater, its switches, the last check, a studio's feed base.

#include "VexoUpdater/UpdatesViewController.h"

#include "VexoUpdater/FeedAddress.h"
#include "VexoUpdater/LastUpdateCheck.h"
#include "VexoUpdater/UpdateSettings.h"
#include "tests/VexoUpdater/UpdaterWorld.h"
#include "tests/support/ScopedEnvironment.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using brisquel::vexo::Result;
using quillmere::UpdatesViewController;
using updatertest::RecordingUpdater;
using updatertest::UpdaterWorld;
namespace UpdateSettings = quillmere::UpdateSettings;

using namespace Qt::Literals::StringLiterals;

namespace {

QUrl feed(const char* kind, const QString& base = quillmere::builtInFeedBase()) {
    return QUrl(base + UpdaterWorld::kBundleIdentifier + u"/%1/appcast.xml"_s.arg(QLatin1String(kind)));
}

void settle() { // lets every queued change notice arrive
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class UpdatesPane : public ::testing::Test {
protected:
    UpdatesPane() {
        quillmere::Updater::setSharedUpdater(&updater);
        quillmere::LastUpdateCheck::shared().clear();
        pane.view();
    }

    UpdaterWorld world;
    RecordingUpdater updater;
    UpdatesViewController pane;
};

// Each change, the pane's or another writer's (an integer, a "YES"), is told once while the pane is shown
// and at its next appearance; a setting that cannot be written keeps its switch and says why.
TEST_F(UpdatesPane, AppearingSetsTheReleaseFeedAndEachChangeIsToldOnce) {
    pane.viewDidAppear();
    world.defaults()->write(UpdateSettings::includeBetaReleases.key(), 1);
    world.defaults()->write(UpdateSettings::automaticallyChecksForUpdates.key(), u"YES"_s);
    settle();
    EXPECT_TRUE(pane.includeBetaReleasesSwitch()->isChecked() && pane.automaticChecksSwitch()->isChecked());
    pane.includeBetaReleasesSwitch()->click();
    settle();
    EXPECT_EQ(updater.feeds, (QList<QUrl>{feed("releases"), feed("betas"), feed("releases")}));
    EXPECT_TRUE(
        world.fakes.log->systemLines().contains(u"Setting Sparkle feed to "_s + feed("betas").toString()));
    pane.automaticChecksSwitch()->click();
    EXPECT_TRUE(!UpdateSettings::automaticallyChecksForUpdates.read() && updater.settingsChanges == 2);
    pane.checkNowButton()->click();
    EXPECT_EQ(updater.checks, 1);
    pane.viewWillDisappear();
    world.defaults()->write(UpdateSettings::includeBetaReleases.key(), true);
    settle();
    EXPECT_EQ(updater.feeds.size(), 3);
    pane.viewDidAppear();
    EXPECT_EQ(updater.feeds.last(), feed("betas"));
    world.defaults()->m_failWrites = true;
    pane.includeBetaReleasesSwitch()->click();
    EXPECT_TRUE(pane.includeBetaReleasesSwitch()->isChecked() && updater.feeds.size() == 4);
    EXPECT_TRUE(!pane.errorLabel()->isHidden() && pane.errorLabel()->text().contains(u"cannot be written"_s));
}

// The status beside Check Now: the newer of this run's last check (a failure with its time, its detail
// in the tooltip) and the stored one. Rows: hours since each (-1: none), this run's failed, the status.
TEST_F(UpdatesPane, TheStatusSaysWhenTheLastCheckEndedAndHow) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QDateTime ended;
    quillmere::LastUpdateCheck::shared().follow(&updater, [&] { return ended; });
    const std::tuple<int, int, bool, const char*> rows[] = {
        {-1, -1, false, "Not checked yet"},      {-1, 1, false, "Last checked: "},
        {30, -1, false, "Last checked: "},       {30, 1, true, "The last check failed ("},
        {1, 1, true, "The last check failed ("}, {1, 30, true, "Last checked: "},
    };
    const Result failure =
        Result::failure(brisquel::vexo::Status::Unavailable,
                        u"The update server could not be reached.\n\nHost a.test not found"_s);
    for (const auto& [storedHoursAgo, thisRunHoursAgo, thisRunFailed, shown] : rows) {
        quillmere::LastUpdateCheck::shared().clear();
        ASSERT_TRUE(UpdateSettings::lastUpdateCheckDate.write(
            storedHoursAgo < 0 ? std::nullopt : std::optional(now.addSecs(qint64{-3600} * storedHoursAgo))));
        pane.viewDidAppear();
        ended = now.addSecs(qint64{-3600} * thisRunHoursAgo);
        if (thisRunHoursAgo >= 0)
            emit updater.updateCheckFinished(thisRunFailed ? failure : Result::success());
        const QString status = pane.lastCheckLabel()->text();
        const bool failed = std::string_view(shown).starts_with("The last check failed");
        EXPECT_TRUE(status.startsWith(QString::fromUtf8(shown))) << status.toStdString();
        EXPECT_EQ(status.endsWith(u"): The update server could not be reached."_s), failed);
        EXPECT_EQ(pane.lastCheckLabel()->toolTip().contains(u"not found"_s), failed);
    }
}

// A studio's own update-feed base. Rows: the environment (null: unset), the preference (null: empty),
// whether it is taken (else the build's base is used), the words shown in the pane (null: none).
class UpdatesPaneFeedBase : public UpdatesPane {};

TEST_F(UpdatesPaneFeedBase, IsUsedUnderTheHttpsRuleAndShownInThePane) {
    const std::tuple<const char*, const char*, bool, const char*> rows[] = {
        {nullptr, nullptr, false, nullptr},
        {"http://127.0.0.1:8080/applications/", nullptr, true, "127.0.0.1:8080/applications/, as QUILLMERE_"},
        {nullptr, "https://m.test/applications/", true, "preference \"updateFeedBase\""},
        {"https://a.test/applications/", "https://b.test/applications/", true, "a.test"},
        {"http://m.test/applications/", nullptr, false, "only https addresses are taken"},
        {"https://m.test/feeds/", nullptr, false, "must end in \"applications/\""},
        {"https://m.test/applications/?x=1", nullptr, false, "query"},
        {"mirror", nullptr, false, "not a web address"},
        {nullptr, "ftp://m.test/applications/", false, "preferences key \"updateFeedBase\" is not used"},
    };
    for (const auto& [environment, preference, taken, words] : rows) {
        SCOPED_TRACE(environment ? environment : preference ? preference : "none");
        const testsupport::ScopedEnvironment variable("QUILLMERE_UPDATE_FEED_BASE", QByteArray(environment));
        ASSERT_TRUE(UpdateSettings::updateFeedBase.write(QString::fromUtf8(preference)));
        pane.viewDidAppear();
        const QString given = QString::fromUtf8(environment ? environment : preference);
        EXPECT_EQ(updater.feeds.last(), feed("releases", taken ? given : quillmere::builtInFeedBase()));
        const QLabel* label = pane.feedBaseLabel();
        EXPECT_TRUE(words ? !label->isHidden() && label->text().contains(QString::fromUtf8(words))
                          : label->isHidden())
            << label->text().toStdString();
    }
}

} // namespace
