// The updater of this platform: the dialog a check the user asks for shows, and the daily
// automatic check.

#include "VexoUpdater/FeedUpdater.h"

#include "VexoNetwork/NetworkAccess.h"
#include "VexoUpdater/FeedAddress.h"
#include "VexoUpdater/UpdateDialog.h"
#include "VexoUpdater/UpdateSettings.h"
#include "tests/VexoUpdater/UpdaterWorld.h"
#include "tests/support/TestHttpServer.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

using quillmere::FeedUpdater;
using quillmere::UpdateDialog;
using updatertest::OpenedUrls;
using updatertest::UpdaterWorld;

namespace {

QByteArray feedOf(const QByteArray& version) {
    return updatertest::feedOf(updatertest::itemOf(
        version,
        "<description><![CDATA[<p>Faster "
        "<b>everything</b>.</p>]]></description><sparkle:shortVersionString>" +
            version + ".0</sparkle:shortVersionString>",
        "url=\"https://downloads.example.test/Quillmere-" + version + ".tar.xz\" length=\"42\""));
}

class Updating : public ::testing::Test {
protected:
    Updating() {
        server.answer(QStringLiteral("/new.xml"), feedOf("200"));
        server.answer(QStringLiteral("/current.xml"), feedOf("100"));
        server.answer(QStringLiteral("/broken.xml"), QByteArray("<html>Maintenance</html>"));
        now = QDateTime(QDate(2026, 5, 1), QTime(12, 0), Qt::UTC);
    }

    std::unique_ptr<FeedUpdater> makeUpdater() {
        FeedUpdater::Options options;
        options.clock = [this] { return now; };
        options.limits.deadline = std::chrono::seconds(20);
        options.network = &network;
        return std::make_unique<FeedUpdater>(options);
    }

    void waitForCheck(FeedUpdater& updater) {
        QSignalSpy finished(&updater, &quillmere::Updater::updateCheckFinished);
        ASSERT_TRUE(!updater.isChecking() || finished.wait(30'000));
    }

    UpdaterWorld world{QStringLiteral("100"), QStringLiteral("1.0")};
    quillmere::NetworkAccess network;
    testsupport::TestHttpServer server;
    OpenedUrls opened;
    QDateTime now;
};

TEST_F(Updating, UntilAFeedIsGivenTheUpdaterUsesTheOneTheBetaSettingSelects) {
    auto updater = makeUpdater();
    const QString base = quillmere::updateFeedEndpointBase() + UpdaterWorld::kBundleIdentifier;
    EXPECT_EQ(updater->feedURL(), QUrl(base + QStringLiteral("/releases/appcast.xml")));
    ASSERT_TRUE(quillmere::UpdateSettings::includeBetaReleases.write(true));
    EXPECT_EQ(updater->feedURL(), QUrl(base + QStringLiteral("/betas/appcast.xml")));
    updater->setFeedURL(server.url(QStringLiteral("/new.xml")));
    ASSERT_TRUE(quillmere::UpdateSettings::includeBetaReleases.write(false));
    EXPECT_EQ(updater->feedURL(), server.url(QStringLiteral("/new.xml")));
}

TEST_F(Updating, ACheckTheUserAsksForShowsANonBlockingDialogAtOnceThenTheUpdate) {
    QMainWindow window;
    window.show();
    auto updater = makeUpdater();
    updater->setFeedURL(server.url(QStringLiteral("/new.xml")));
    updater->checkForUpdates();
    UpdateDialog* dialog = updater->dialog();
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
    EXPECT_EQ(dialog->state(), UpdateDialog::State::Checking);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    waitForCheck(*updater);
    EXPECT_EQ(dialog->state(), UpdateDialog::State::UpdateFound);
    EXPECT_TRUE(dialog->messageLabel()->text().contains(QStringLiteral("200.0")));
    EXPECT_TRUE(dialog->notesView()->toPlainText().contains(QStringLiteral("Faster everything.")));
    EXPECT_TRUE(opened.urls.isEmpty()); // nothing opens without a click
    EXPECT_TRUE(quillmere::UpdateSettings::lastUpdateCheckDate.read().has_value());
    dialog->downloadButton()->click();
    EXPECT_EQ(opened.urls,
              QList<QUrl>{QUrl(QStringLiteral("https://downloads.example.test/Quillmere-200.tar.xz"))});
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(Updating, AFailureShowsItsReasonAndTryAgainChecksAgain) {
    auto updater = makeUpdater();
    QSignalSpy finished(updater.get(), &quillmere::Updater::updateCheckFinished);
    updater->setFeedURL(server.url(QStringLiteral("/broken.xml")));
    updater->checkForUpdates();
    waitForCheck(*updater);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_FALSE(finished.first().first().value<brisquel::vexo::Result>()); // told as a failure
    UpdateDialog* dialog = updater->dialog();
    EXPECT_EQ(dialog->state(), UpdateDialog::State::Failed);
    EXPECT_TRUE(dialog->messageLabel()->text().contains(QStringLiteral("its root element is \"html\"")));
    EXPECT_FALSE(quillmere::UpdateSettings::lastUpdateCheckDate.read()); // a failed check is not a check
    EXPECT_TRUE(world.fakes.log->systemLines().last().startsWith(QStringLiteral("Update check failed: ")));
    updater->setFeedURL(server.url(QStringLiteral("/current.xml")));
    dialog->tryAgainButton()->click();
    EXPECT_EQ(dialog->state(), UpdateDialog::State::Checking);
    waitForCheck(*updater);
    EXPECT_EQ(dialog->state(), UpdateDialog::State::UpToDate);
    EXPECT_TRUE(dialog->messageLabel()->text().contains(QStringLiteral("Quillmere 1.0")));
    EXPECT_FALSE(dialog->downloadButton()->isVisibleTo(dialog));
}

TEST_F(Updating, CancellingACheckHidesTheDialogAndNothingArrivesLater) {
    server.answer(QStringLiteral("/silent.xml"), testsupport::HttpAnswer{.silent = true});
    auto updater = makeUpdater();
    updater->setFeedURL(server.url(QStringLiteral("/silent.xml")));
    updater->checkForUpdates();
    updater->dialog()->cancelButton()->click();
    EXPECT_FALSE(updater->isChecking());
    EXPECT_FALSE(updater->dialog()->isVisible());
}

// Rows: minutes since the last completed check (none: never checked), the automatic switch, and
// whether a check is due. Nothing of the updater runs before the application starts its checks.
TEST_F(Updating, AnAutomaticCheckRunsOnceADayAfterTheLastCompletedCheck) {
    EXPECT_TRUE(makeUpdater()->findChildren<QTimer*>().isEmpty());
    const struct {
        std::optional<qint64> minutesAgo;
        bool on;
        bool due;
    } rows[] = {{std::nullopt, false, false}, {std::nullopt, true, true}, {0, true, false},
                {24 * 60 - 1, true, false},   {24 * 60, true, true},      {-48 * 60, true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.minutesAgo.value_or(-1));
        ASSERT_TRUE(quillmere::UpdateSettings::automaticallyChecksForUpdates.write(row.on));
        ASSERT_TRUE(!row.minutesAgo ||
                    quillmere::UpdateSettings::lastUpdateCheckDate.write(now.addSecs(-60 * *row.minutesAgo)));
        auto updater = makeUpdater();
        updater->startAutomaticChecks();
        EXPECT_EQ(updater->findChildren<QTimer*>().size(), 1);
        updater->setFeedURL(server.url(QStringLiteral("/current.xml")));
        const qsizetype before = server.requests.size();
        EXPECT_EQ(updater->checkInBackgroundIfDue(), row.due);
        waitForCheck(*updater);
        EXPECT_EQ(server.requests.size(), before + (row.due ? 1 : 0));
    }
}

TEST_F(Updating, AnAutomaticCheckShowsAnUpdateOnceAndNeverASkippedVersionAgain) {
    ASSERT_TRUE(quillmere::UpdateSettings::automaticallyChecksForUpdates.write(true));
    auto updater = makeUpdater();
    updater->setFeedURL(server.url(QStringLiteral("/new.xml")));
    ASSERT_TRUE(updater->checkInBackgroundIfDue());
    waitForCheck(*updater);
    ASSERT_NE(updater->dialog(), nullptr);
    EXPECT_EQ(updater->dialog()->state(), UpdateDialog::State::UpdateFound);
    updater->dialog()->skipButton()->click();
    EXPECT_FALSE(updater->dialog()->isVisible());
    now = now.addDays(2);
    ASSERT_TRUE(updater->checkInBackgroundIfDue());
    waitForCheck(*updater);
    EXPECT_FALSE(updater->dialog()->isVisible()); // the same version: silent
    updater->checkForUpdates();                   // the user's own check still tells about it
    waitForCheck(*updater);
    EXPECT_EQ(updater->dialog()->state(), UpdateDialog::State::UpdateFound);
    updater->dialog()->laterButton()->click();
    server.answer(QStringLiteral("/new.xml"), feedOf("300"));
    now = now.addDays(2);
    ASSERT_TRUE(updater->checkInBackgroundIfDue());
    waitForCheck(*updater);
    EXPECT_TRUE(updater->dialog()->isVisible()); // a newer one speaks up again
    EXPECT_TRUE(opened.urls.isEmpty());
}

TEST_F(Updating, AnAutomaticCheckThatFailsOrFindsNothingStaysSilent) {
    ASSERT_TRUE(quillmere::UpdateSettings::automaticallyChecksForUpdates.write(true));
    auto updater = makeUpdater();
    updater->setFeedURL(server.url(QStringLiteral("/broken.xml")));
    ASSERT_TRUE(updater->checkInBackgroundIfDue());
    waitForCheck(*updater);
    EXPECT_EQ(updater->dialog(), nullptr);
    EXPECT_TRUE(world.fakes.log->systemLines().last().contains(QStringLiteral("root element is \"html\"")));
    updater->setFeedURL(server.url(QStringLiteral("/current.xml")));
    ASSERT_TRUE(updater->checkInBackgroundIfDue()); // the failed check did not count
    waitForCheck(*updater);
    EXPECT_EQ(updater->dialog(), nullptr);
    EXPECT_EQ(quillmere::UpdateSettings::lastUpdateCheckDate.read(), now);
}

TEST_F(Updating, AskingDuringAnAutomaticCheckShowsThatChecksOutcome) {
    ASSERT_TRUE(quillmere::UpdateSettings::automaticallyChecksForUpdates.write(true));
    auto updater = makeUpdater();
    updater->setFeedURL(server.url(QStringLiteral("/current.xml")));
    ASSERT_TRUE(updater->checkInBackgroundIfDue());
    updater->checkForUpdates();
    waitForCheck(*updater);
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_EQ(updater->dialog()->state(), UpdateDialog::State::UpToDate);
}

} // namespace
