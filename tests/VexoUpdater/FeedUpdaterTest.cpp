// The updater of this platform: the dialog of a check the user asks for, and the daily automatic check.

#include "VexoUpdater/FeedUpdater.h"

#include "VexoNetwork/NetworkAccess.h"
#include "VexoUpdater/FeedAddress.h"
#include "VexoUpdater/UpdateDialog.h"
#include "VexoUpdater/UpdateSettings.h"
#include "tests/VexoUpdater/UpdaterWorld.h"
#include "tests/support/TestHttpServer.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

using quillmere::FeedUpdater;
using enum quillmere::UpdateDialog::State;
namespace UpdateSettings = quillmere::UpdateSettings;
using namespace Qt::Literals::StringLiterals;

namespace {

// Version <version>.0 with notes, to download from Quillmere-<version>.tar.xz.
QByteArray feedOf(const QByteArray& version) {
    return updatertest::feedOf(updatertest::itemOf(
        version,
        "<description>&lt;p>Faster &lt;b>everything&lt;/b>.</description><sparkle:shortVersionString>" +
            version + ".0</sparkle:shortVersionString>",
        "url=\"https://downloads.example.test/Quillmere-" + version + ".tar.xz\""));
}

class Updating : public ::testing::Test {
protected:
    Updating() {
        server.answer(u"/new.xml"_s, feedOf("200"));
        server.answer(u"/current.xml"_s, feedOf("100"));
        server.answer(u"/broken.xml"_s, QByteArray("<html>Maintenance</html>"));
    }

    // An updater of this feed, on this test's clock and network, with automatic checks on or off.
    std::unique_ptr<FeedUpdater> makeUpdater(const char* feed, bool automatic = false,
                                             std::chrono::milliseconds silence = std::chrono::seconds(20)) {
        EXPECT_TRUE(UpdateSettings::automaticallyChecksForUpdates.write(automatic));
        FeedUpdater::Options options;
        options.clock = [this] { return now; };
        options.limits.silence = silence;
        options.limits.deadline = std::chrono::seconds(20);
        options.network = &network;
        auto updater = std::make_unique<FeedUpdater>(options);
        updater->setFeedURL(server.url(QString::fromUtf8(feed)));
        return updater;
    }

    static void waitForCheck(FeedUpdater& updater) {
        QSignalSpy finished(&updater, &quillmere::Updater::updateCheckFinished);
        ASSERT_TRUE(!updater.isChecking() || finished.wait(30'000));
    }

    updatertest::UpdaterWorld world;
    quillmere::NetworkAccess network;
    testsupport::TestHttpServer server;
    updatertest::OpenedUrls opened;
    QDateTime now = QDateTime(QDate(2026, 5, 1), QTime(12, 0), Qt::UTC);
};

TEST_F(Updating, UntilAFeedIsGivenTheUpdaterUsesTheSelectedOne) {
    EXPECT_EQ(FeedUpdater(FeedUpdater::Options{}).feedURL(),
              QUrl(quillmere::updateFeedEndpointBase() + updatertest::UpdaterWorld::kBundleIdentifier +
                   u"/releases/appcast.xml"_s));
}

// A failed check is told as a failure, shown as plain text and logged, and is not a check.
TEST_F(Updating, AFailureShowsItsReasonAndTryAgainChecksAgain) {
    auto updater = makeUpdater("/broken.xml");
    QSignalSpy finished(updater.get(), &quillmere::Updater::updateCheckFinished);
    updater->checkForUpdates();
    waitForCheck(*updater);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_FALSE(finished.first().first().value<brisquel::vexo::Result>());
    quillmere::UpdateDialog* dialog = updater->dialog();
    EXPECT_TRUE(dialog->state() == Failed &&
                dialog->messageLabel()->text().contains(u"its root element is \"html\""_s));
    EXPECT_TRUE(dialog->messageLabel()->textFormat() == Qt::PlainText &&
                dialog->titleLabel()->textFormat() == Qt::PlainText);
    EXPECT_FALSE(UpdateSettings::lastUpdateCheckDate.read());
    EXPECT_TRUE(world.fakes.log->systemLines().last().startsWith(u"Update check failed: "_s));
    updater->setFeedURL(server.url(u"/current.xml"_s));
    dialog->tryAgainButton()->click();
    EXPECT_EQ(dialog->state(), Checking);
    waitForCheck(*updater);
    EXPECT_TRUE(dialog->state() == UpToDate && dialog->messageLabel()->text().contains(u"Quillmere 1.0"_s));
    EXPECT_FALSE(dialog->downloadButton()->isVisibleTo(dialog));
}

// A cancelled check never reports, not even when the server's silence would have ended it.
TEST_F(Updating, CancellingACheckHidesTheDialogAndNothingArrivesLater) {
    server.answer(u"/silent.xml"_s, testsupport::HttpAnswer{.silent = true});
    auto updater = makeUpdater("/silent.xml", false, std::chrono::milliseconds(200));
    QSignalSpy finished(updater.get(), &quillmere::Updater::updateCheckFinished);
    updater->checkForUpdates();
    updater->dialog()->cancelButton()->click();
    EXPECT_FALSE(updater->isChecking() || updater->dialog()->isVisible());
    EXPECT_FALSE(finished.wait(600));
}

// Rows: minutes since the last completed check (none: never), the switch, whether a check is due.
// Nothing of the updater runs before the application starts its checks.
TEST_F(Updating, AnAutomaticCheckRunsOnceADayAfterTheLastCompletedCheck) {
    EXPECT_TRUE(makeUpdater("/current.xml")->findChildren<QTimer*>().isEmpty());
    const std::tuple<std::optional<qint64>, bool, bool> rows[] = {
        {std::nullopt, false, false}, {std::nullopt, true, true}, {0, true, false},
        {24 * 60 - 1, true, false},   {24 * 60, true, true},      {-48 * 60, true, true}};
    for (const auto& [minutesAgo, on, due] : rows) {
        ASSERT_TRUE(!minutesAgo || UpdateSettings::lastUpdateCheckDate.write(now.addSecs(-60 * *minutesAgo)));
        auto updater = makeUpdater("/current.xml", on);
        updater->startAutomaticChecks();
        const qsizetype before = server.requests.size();
        EXPECT_EQ(updater->checkInBackgroundIfDue(), due) << minutesAgo.value_or(-1);
        waitForCheck(*updater);
        EXPECT_EQ(server.requests.size(), before + (due ? 1 : 0));
    }
}

// An automatic check that fails (logged, not counted) or finds nothing is silent; an update shows once, and
// Skip silences that version but not the user's own check (a non-blocking dialog at once, no second request
// during a running check, nothing opened before Download) nor a newer version.
TEST_F(Updating, AnAutomaticCheckShowsOnlyAnUpdateAndNeverASkippedVersionAgain) {
    auto updater = makeUpdater("/broken.xml", true);
    const auto checkIn = [&](int days, const char* feed) {
        now = now.addDays(days);
        updater->setFeedURL(server.url(QString::fromUtf8(feed)));
        ASSERT_TRUE(updater->checkInBackgroundIfDue());
        waitForCheck(*updater);
    };
    checkIn(0, "/broken.xml");
    EXPECT_TRUE(world.fakes.log->systemLines().last().contains(u"root element is \"html\""_s));
    checkIn(0, "/current.xml");
    EXPECT_EQ(updater->dialog(), nullptr);
    EXPECT_EQ(UpdateSettings::lastUpdateCheckDate.read(), now);
    checkIn(2, "/new.xml");
    quillmere::UpdateDialog* dialog = updater->dialog();
    ASSERT_TRUE(dialog && dialog->state() == UpdateFound);
    dialog->skipButton()->click();
    checkIn(2, "/new.xml");
    EXPECT_FALSE(dialog->isVisible());
    now = now.addDays(2);
    ASSERT_TRUE(updater->checkInBackgroundIfDue());
    updater->checkForUpdates();
    EXPECT_TRUE(dialog->isVisible() && dialog->state() == Checking &&
                dialog->windowModality() == Qt::NonModal && !QApplication::activeModalWidget());
    waitForCheck(*updater);
    EXPECT_TRUE(dialog->state() == UpdateFound && dialog->messageLabel()->text().contains(u"200.0"_s));
    EXPECT_TRUE(dialog->notesView()->toPlainText().contains(u"Faster everything."_s) &&
                opened.urls.isEmpty());
    EXPECT_EQ(server.requestCount(u"/new.xml"_s), 3);
    dialog->downloadButton()->click();
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl(u"https://downloads.example.test/Quillmere-200.tar.xz"_s)});
    EXPECT_FALSE(dialog->isVisible());
    server.answer(u"/new.xml"_s, feedOf("300"));
    checkIn(2, "/new.xml");
    EXPECT_TRUE(dialog->isVisible());
}

} // namespace
