// The update check against a feed served on this machine: what it finds, and what it makes of
// servers and feeds that misbehave. No test waits for a real time limit: limits are handed in.

#include "VexoUpdater/UpdateCheck.h"

#include "tests/VexoUpdater/TestHttpServer.h"
#include "tests/VexoUpdater/UpdaterWorld.h"

#include <QTest>

#include <gtest/gtest.h>

using brisquel::vexo::Expected;
using brisquel::vexo::Status;
using quillmere::FetchLimits;
using quillmere::UpdateCheck;
using quillmere::UpdateCheckOutcome;
using quillmere::UpdateCheckRequest;

namespace {

QByteArray feedOf(const QByteArray& items) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>" +
           items + "</channel></rss>";
}

QByteArray itemOf(const QByteArray& version, const QByteArray& url = "https://example.test/App.zip") {
    return "<item><title>Version " + version + "</title><sparkle:version>" + version +
           "</sparkle:version><enclosure url=\"" + url + "\" length=\"42\"/></item>";
}

class FeedCheck : public ::testing::Test {
protected:
    UpdateCheckRequest request(const QString& path, FetchLimits limits = {}) const {
        UpdateCheckRequest r;
        r.feedURL = server.url(path);
        r.currentVersion = QStringLiteral("100");
        r.currentShortVersion = QStringLiteral("1.0");
        r.limits = limits;
        return r;
    }

    Expected<UpdateCheckOutcome> run(const UpdateCheckRequest& r) {
        UpdateCheck check;
        std::optional<Expected<UpdateCheckOutcome>> result;
        check.start(r, [&](Expected<UpdateCheckOutcome> outcome) { result = std::move(outcome); });
        // Starting returns at once, whatever the server does: the window that asked stays live.
        EXPECT_FALSE(result.has_value());
        // The event loop keeps turning while the check runs: nothing here blocks it.
        EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 60'000));
        if (!result)
            return brisquel::vexo::Result::failure(Status::Unavailable,
                                                   QStringLiteral("the check never ended"));
        return *result;
    }

    updatertest::UpdaterWorld world;
    TestHttpServer server;
};

TEST_F(FeedCheck, aNewerItemIsAnUpdateAndItsFieldsArrive) {
    ASSERT_TRUE(server.isListening());
    server.answer(QStringLiteral("/appcast.xml"), feedOf(itemOf("99") + itemOf("120") + itemOf("101")));
    const auto outcome = run(request(QStringLiteral("/appcast.xml")));
    ASSERT_TRUE(outcome) << outcome.result().message().toStdString();
    ASSERT_TRUE(outcome->newest);
    EXPECT_EQ(outcome->newest->version, QStringLiteral("120"));
    EXPECT_TRUE(outcome->updateAvailable);
    EXPECT_EQ(outcome->currentVersion, QStringLiteral("100"));
    const auto headers = server.lastHeaders(QStringLiteral("/appcast.xml"));
    EXPECT_TRUE(headers.value("user-agent").startsWith("Quillmere/"));
    EXPECT_FALSE(headers.contains("cookie"));
}

TEST_F(FeedCheck, theSameVersionOrAnOlderOneIsNoUpdate) {
    server.answer(QStringLiteral("/same.xml"), feedOf(itemOf("100.0")));
    server.answer(QStringLiteral("/older.xml"), feedOf(itemOf("99")));
    for (const QString& path : {QStringLiteral("/same.xml"), QStringLiteral("/older.xml")}) {
        const auto outcome = run(request(path));
        ASSERT_TRUE(outcome) << outcome.result().message().toStdString();
        EXPECT_FALSE(outcome->updateAvailable) << path.toStdString();
    }
}

TEST_F(FeedCheck, redirectsWithinTheLimitAreFollowed) {
    server.redirect(QStringLiteral("/a"), "/b", 301);
    server.redirect(QStringLiteral("/b"), server.url(QStringLiteral("/feed")).toEncoded(), 307);
    server.answer(QStringLiteral("/feed"), feedOf(itemOf("200")));
    const auto outcome = run(request(QStringLiteral("/a")));
    ASSERT_TRUE(outcome) << outcome.result().message().toStdString();
    EXPECT_TRUE(outcome->updateAvailable);
}

TEST_F(FeedCheck, aProgramWithoutAUsableVersionOfItsOwnFailsBeforeFetching) {
    server.answer(QStringLiteral("/appcast.xml"), feedOf(itemOf("2")));
    UpdateCheckRequest r = request(QStringLiteral("/appcast.xml"));
    r.currentVersion = QStringLiteral("unknown");
    const auto outcome = run(r);
    ASSERT_FALSE(outcome);
    EXPECT_TRUE(outcome.result().message().contains(QStringLiteral("\"unknown\" is not a version number")));
    EXPECT_EQ(server.totalRequests(), 0);
}

TEST_F(FeedCheck, aCancelledCheckNeverReports) {
    TestHttpServer::Response silent;
    silent.silent = true;
    server.answer(QStringLiteral("/slow"), silent);
    UpdateCheck check;
    bool reported = false;
    check.start(request(QStringLiteral("/slow"), FetchLimits{5, std::chrono::milliseconds(200), 1024}),
                [&](auto) { reported = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests(QStringLiteral("/slow")) == 1; }, 30'000));
    check.cancel();
    EXPECT_FALSE(check.isRunning());
    QTest::qWait(400); // past the time limit the cancelled fetch had
    EXPECT_FALSE(reported);
}

// --- Servers and feeds that misbehave: each fails with a clear message ---

struct Misbehaviour {
    const char* what;
    std::function<void(TestHttpServer&)> serve;
    Status status;
    const char* message; // a part of the message
};

void PrintTo(const Misbehaviour& m, std::ostream* os) {
    *os << m.what;
}

class MisbehavingFeed : public FeedCheck, public ::testing::WithParamInterface<Misbehaviour> {};

TEST_P(MisbehavingFeed, failsWithItsReasonAndWithoutHanging) {
    GetParam().serve(server);
    // A short time limit stands in for the real one; a small size limit for the real 8 MB.
    const FetchLimits limits{3, std::chrono::milliseconds(1500), 4 * 1024 * 1024};
    const auto outcome = run(request(QStringLiteral("/feed"), limits));
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.result().status(), GetParam().status) << outcome.result().message().toStdString();
    EXPECT_TRUE(outcome.result().message().contains(QString::fromUtf8(GetParam().message)))
        << outcome.result().message().toStdString();
}

TestHttpServer::Response withStatus(int status, const QByteArray& reason) {
    TestHttpServer::Response r;
    r.status = status;
    r.reason = reason;
    r.body = "<html>error</html>";
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, MisbehavingFeed,
    ::testing::Values(
        Misbehaviour{"not XML",
                     [](TestHttpServer& s) { s.answer(QStringLiteral("/feed"), "{\"version\": 2}"); },
                     Status::Malformed, "is not well-formed XML"},
        Misbehaviour{"empty", [](TestHttpServer& s) { s.answer(QStringLiteral("/feed"), QByteArray()); },
                     Status::Malformed, "is empty"},
        Misbehaviour{"50 MB announced",
                     [](TestHttpServer& s) {
                         TestHttpServer::Response r;
                         r.announcedLength = 50LL * 1024 * 1024;
                         r.body = "<rss>";
                         s.answer(QStringLiteral("/feed"), r);
                     },
                     Status::TooLarge, "is too large (50 MB"},
        Misbehaviour{"50 MB sent without a length",
                     [](TestHttpServer& s) {
                         TestHttpServer::Response r;
                         r.contentLength = false;
                         r.body = QByteArray(50 * 1024 * 1024, ' ');
                         s.answer(QStringLiteral("/feed"), r);
                     },
                     Status::TooLarge, "is larger than 4 MB"},
        Misbehaviour{"a redirect loop",
                     [](TestHttpServer& s) { s.redirect(QStringLiteral("/feed"), "/feed"); }, Status::Refused,
                     "redirects more than 3 times"},
        Misbehaviour{"a redirect to a file",
                     [](TestHttpServer& s) { s.redirect(QStringLiteral("/feed"), "file:///etc/passwd"); },
                     Status::Refused, "which is not followed"},
        Misbehaviour{
            "a redirect to plain http elsewhere",
            [](TestHttpServer& s) { s.redirect(QStringLiteral("/feed"), "http://example.test/feed"); },
            Status::Refused, "is not an https address"},
        Misbehaviour{
            "a redirect to another scheme",
            [](TestHttpServer& s) { s.redirect(QStringLiteral("/feed"), "https://example.test/feed"); },
            Status::Refused, "it changes the kind of address"},
        Misbehaviour{"never answers",
                     [](TestHttpServer& s) {
                         TestHttpServer::Response r;
                         r.silent = true;
                         s.answer(QStringLiteral("/feed"), r);
                     },
                     Status::Unavailable, "did not answer within 1.5 seconds"},
        Misbehaviour{
            "404", [](TestHttpServer& s) { s.answer(QStringLiteral("/feed"), withStatus(404, "Not Found")); },
            Status::NotFound, "answered \"404 Not Found\""},
        Misbehaviour{"500",
                     [](TestHttpServer& s) {
                         s.answer(QStringLiteral("/feed"), withStatus(500, "Internal Server Error"));
                     },
                     Status::Unavailable, "answered \"500 Internal Server Error\""},
        Misbehaviour{
            "items without a version",
            [](TestHttpServer& s) {
                s.answer(QStringLiteral("/feed"),
                         feedOf("<item><title>A</title><enclosure url=\"https://example.test/a\"/></item>"
                                "<item><title>B</title><enclosure url=\"https://example.test/b\"/></item>"));
            },
            Status::Malformed, "has no version (no sparkle:version). (1 more items have problems.)"},
        Misbehaviour{
            "a version that is not a version",
            [](TestHttpServer& s) { s.answer(QStringLiteral("/feed"), feedOf(itemOf("next-release"))); },
            Status::Malformed, "\"next-release\", which is not a version number"},
        Misbehaviour{"a file: download",
                     [](TestHttpServer& s) {
                         s.answer(QStringLiteral("/feed"),
                                  feedOf(itemOf("300", "file:///Applications/Evil.app")));
                     },
                     Status::Malformed, "\"file:///Applications/Evil.app\", which is not a web address"},
        Misbehaviour{"a javascript: download",
                     [](TestHttpServer& s) {
                         s.answer(QStringLiteral("/feed"), feedOf(itemOf("300", "javascript:alert(1)")));
                     },
                     Status::Malformed, "\"javascript:alert(1)\", which is not a web address"}));

TEST(FeedAddresses, onlyHttpsOrALoopbackHostIsFetched) {
    struct Case {
        const char* url;
        bool allowed;
    };
    for (const Case& c :
         {Case{"https://updates.example.test/a.xml", true}, Case{"http://127.0.0.1:8080/a.xml", true},
          Case{"http://127.5.6.7/a.xml", true}, Case{"http://[::1]/a.xml", true},
          Case{"http://localhost/a.xml", true}, Case{"http://updates.example.test/a.xml", false},
          Case{"ftp://updates.example.test/a.xml", false}, Case{"file:///tmp/a.xml", false},
          Case{"javascript:alert(1)", false}, Case{"not an address", false}}) {
        const auto result = quillmere::FeedFetcher::checkAddress(QUrl(QString::fromUtf8(c.url)));
        EXPECT_EQ(static_cast<bool>(result), c.allowed) << c.url;
        if (!c.allowed) {
            EXPECT_EQ(result.status(), Status::Refused) << c.url;
        }
    }
}

TEST(FeedAddresses, aRefusedAddressIsToldLaterNotInsideTheCall) {
    updatertest::UpdaterWorld world;
    quillmere::FeedFetcher fetcher;
    std::optional<Expected<QByteArray>> result;
    fetcher.fetch(QUrl(QStringLiteral("http://updates.example.test/a.xml")),
                  [&](Expected<QByteArray> body) { result = std::move(body); });
    EXPECT_FALSE(result.has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 10'000));
    ASSERT_FALSE(*result);
    EXPECT_TRUE(result->result().message().contains(QStringLiteral("is not an https address")));
}

} // namespace
