// The update check against a feed served on this machine: what it finds, and what it makes of
// servers and feeds that misbehave. No test waits for a real time limit: limits are handed in.

#include "VexoUpdater/UpdateCheck.h"

#include "VexoNetwork/NetworkAccess.h"
#include "tests/VexoUpdater/UpdaterWorld.h"
#include "tests/support/BoundedRun.h"
#include "tests/support/TestHttpServer.h"

#include <QTest>

#include <gtest/gtest.h>

using brisquel::vexo::Expected;
using brisquel::vexo::Status;
using quillmere::HttpLimits;
using quillmere::UpdateCheck;
using quillmere::UpdateCheckOutcome;
using quillmere::UpdateCheckRequest;
using testsupport::HttpAnswer;
using testsupport::TestHttpServer;

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
    UpdateCheckRequest request(const QString& path, HttpLimits limits = quillmere::feedLimits()) const {
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
    server.answer(QStringLiteral("/appcast.xml"), feedOf(itemOf("99") + itemOf("120") + itemOf("101")));
    const auto outcome = run(request(QStringLiteral("/appcast.xml")));
    ASSERT_TRUE(outcome) << outcome.result().message().toStdString();
    ASSERT_TRUE(outcome->newest);
    EXPECT_EQ(outcome->newest->version, QStringLiteral("120"));
    EXPECT_TRUE(outcome->updateAvailable);
    EXPECT_EQ(outcome->currentVersion, QStringLiteral("100"));
    const testsupport::ReceivedRequest& sent = server.requests.first();
    EXPECT_TRUE(sent.header("User-Agent").startsWith("Quillmere/"));
    EXPECT_FALSE(sent.hasHeader("Cookie"));
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

TEST_F(FeedCheck, aChunkedFeedBehindRedirectsWithinTheLimitIsRead) {
    server.redirect(QStringLiteral("/a"), "/b", 301);
    server.redirect(QStringLiteral("/b"), server.url(QStringLiteral("/feed")).toEncoded(), 307);
    HttpAnswer chunked;
    chunked.body = feedOf(itemOf("200"));
    chunked.framing = HttpAnswer::Framing::Chunked;
    server.answer(QStringLiteral("/feed"), chunked);
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
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST_F(FeedCheck, aCancelledCheckNeverReports) {
    HttpAnswer silent;
    silent.silent = true;
    server.answer(QStringLiteral("/slow"), silent);
    UpdateCheck check;
    bool reported = false;
    HttpLimits limits = quillmere::feedLimits();
    limits.silence = std::chrono::milliseconds(200);
    check.start(request(QStringLiteral("/slow"), limits), [&](auto) { reported = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestCount(QStringLiteral("/slow")) == 1; }, 30'000));
    check.cancel();
    EXPECT_FALSE(check.isRunning());
    QTest::qWait(400); // past the time limit the cancelled fetch had
    EXPECT_FALSE(reported);
}

// --- Hostile servers and feeds: each ends in bounded time and memory, with its reason ---

constexpr qint64 kMegabyte = 1024 * 1024;

struct Hostile {
    const char* name;
    std::function<void(TestHttpServer&)> serve; // serves /feed
    Status status;
    const char* words; // a part of the message
    const char* scheme = "http";
    qint64 maximumSize = kMegabyte;
    std::chrono::milliseconds deadline{2500};
};

void PrintTo(const Hostile& h, std::ostream* os) {
    *os << h.name;
}

class HostileFeed : public FeedCheck, public ::testing::WithParamInterface<Hostile> {};

TEST_P(HostileFeed, endsWithinBoundsWithItsReason) {
    const Hostile& h = GetParam();
    h.serve(server);
    // Short limits stand in for the real ones (15 s of silence, 30 s in all, 8 MB).
    const HttpLimits limits{3, std::chrono::milliseconds(1000), h.deadline, h.maximumSize};
    UpdateCheckRequest r = request(QStringLiteral("/feed"), limits);
    r.feedURL.setScheme(QString::fromLatin1(h.scheme));
    // A network of its own: what a hostile server leaves the network thread busy with (Qt reads an
    // endless head to its end even after the reply was given up) never reaches the next test.
    quillmere::NetworkAccess network;
    r.network = &network;
    UpdateCheck check;
    std::optional<Expected<UpdateCheckOutcome>> outcome;
    const testsupport::BoundedRun run = testsupport::runBounded(
        [&] { check.start(r, [&](Expected<UpdateCheckOutcome> o) { outcome = std::move(o); }); },
        [&] { return outcome.has_value(); });
    testsupport::expectWithinBounds(run);
    ASSERT_TRUE(outcome.has_value());
    ASSERT_FALSE(*outcome);
    const QString message = outcome->result().message();
    EXPECT_EQ(outcome->result().status(), h.status) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(h.words))) << message.toStdString();
    // One plain sentence first, the technical detail after.
    EXPECT_TRUE(message.contains(QStringLiteral(".\n\n"))) << message.toStdString();
}

HttpAnswer answer(int status, const QByteArray& reason, const QByteArray& body = {}) {
    HttpAnswer a;
    a.status = status;
    a.reason = reason;
    a.body = body;
    return a;
}

void serve(TestHttpServer& s, HttpAnswer a) {
    s.answer(QStringLiteral("/feed"), std::move(a));
}

// Many items whose download addresses look like web addresses but do not parse.
QByteArray manyUnusableItems(int count) {
    QByteArray items;
    items.reserve(count * 80);
    for (int i = 0; i < count; ++i)
        items += "<item><sparkle:version>" + QByteArray::number(i) +
                 "</sparkle:version><enclosure url=\"https://a b/\"/></item>";
    return feedOf(items);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, HostileFeed,
    ::testing::Values(
        Hostile{"status500WithAHugeBody",
                [](TestHttpServer& s) {
                    HttpAnswer a = answer(500, "Internal Server Error");
                    a.filler = 1024 * kMegabyte;
                    serve(s, a);
                },
                Status::Unavailable, "answered with HTTP status 500 (Internal Server Error)."},
        Hostile{"status404", [](TestHttpServer& s) { serve(s, answer(404, "Not Found", "gone")); },
                Status::NotFound, "HTTP status 404 (Not Found)"},
        Hostile{"statusPhraseWithEscapes",
                [](TestHttpServer& s) { serve(s, answer(503, "Down\x1b[2J\xe2\x80\xae")); },
                Status::Unavailable, "(Down\\u001b[2J"},
        Hostile{"headerAnnouncingTwoGigabytes",
                [](TestHttpServer& s) {
                    HttpAnswer a = answer(200, "OK", "<rss>");
                    a.announcedLength = 2048 * kMegabyte;
                    serve(s, a);
                },
                Status::TooLarge, "2 GB announced"},
        Hostile{"headerWithoutEnd",
                [](TestHttpServer& s) {
                    HttpAnswer a;
                    a.raw = "HTTP/1.1 200 OK\r\nX-Long: ";
                    a.filler = -1;
                    serve(s, a);
                },
                Status::Unavailable, "did not answer within 1 second."},
        Hostile{"chunkedWithoutEnd",
                [](TestHttpServer& s) {
                    HttpAnswer a = answer(200, "OK", "<rss>");
                    a.framing = HttpAnswer::Framing::Chunked;
                    a.filler = -1;
                    serve(s, a);
                },
                Status::TooLarge, "larger than 1 MB"},
        Hostile{"chunkedWithABrokenChunkSize",
                [](TestHttpServer& s) {
                    HttpAnswer a;
                    a.raw = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n" +
                            feedOf(itemOf("2")) + "\r\n0\r\n\r\n";
                    serve(s, a);
                },
                Status::Malformed, "a chunk size that cannot be read"},
        Hostile{"sizedButCutShort",
                [](TestHttpServer& s) {
                    HttpAnswer a = answer(200, "OK", "<rss>");
                    a.announcedLength = 1000;
                    serve(s, a);
                },
                Status::Unavailable, "closed the connection before its answer was complete"},
        Hostile{"unsizedWithoutEnd",
                [](TestHttpServer& s) {
                    HttpAnswer a = answer(200, "OK", "<rss>");
                    a.framing = HttpAnswer::Framing::Unsized;
                    a.filler = -1;
                    serve(s, a);
                },
                Status::TooLarge, "larger than 1 MB"},
        Hostile{"oneGigabyteSized",
                [](TestHttpServer& s) {
                    HttpAnswer a = answer(200, "OK");
                    a.filler = 1024 * kMegabyte;
                    serve(s, a);
                },
                Status::TooLarge, "1 GB announced"},
        Hostile{"drippingOneByteAtATime",
                [](TestHttpServer& s) {
                    HttpAnswer a = answer(200, "OK", feedOf(itemOf("200")));
                    a.drip = std::chrono::milliseconds(20);
                    serve(s, a);
                },
                Status::Unavailable, "did not complete its answer within 2.5 seconds."},
        Hostile{"silent",
                [](TestHttpServer& s) {
                    HttpAnswer a;
                    a.silent = true;
                    serve(s, a);
                },
                Status::Unavailable, "did not answer within 1 second."},
        Hostile{"redirectLoop", [](TestHttpServer& s) { s.redirect(QStringLiteral("/feed"), "/feed"); },
                Status::Refused, "redirected the request more than 3 times"},
        Hostile{"redirectToAnotherScheme",
                [](TestHttpServer& s) {
                    s.redirect(QStringLiteral("/feed"),
                               s.url(QStringLiteral("/x")).toEncoded().replace("http:", "https:"));
                },
                Status::Refused, "it changes the kind of connection (http to https)"},
        Hostile{"redirectToAFile",
                [](TestHttpServer& s) { s.redirect(QStringLiteral("/feed"), "file:///etc/passwd"); },
                Status::Refused, "is not a web address"},
        Hostile{"redirectToPlainHttpElsewhere",
                [](TestHttpServer& s) { s.redirect(QStringLiteral("/feed"), "http://example.test/feed"); },
                Status::Refused, "is not an https address"},
        Hostile{"tlsFailure", [](TestHttpServer&) {}, Status::Unavailable,
                "A secure (TLS) connection to the update server could not be made.", "https"},
        Hostile{"notHttp",
                [](TestHttpServer& s) {
                    HttpAnswer a;
                    a.raw = "HELLO THERE\r\n\r\n";
                    serve(s, a);
                },
                Status::Unavailable, "closed the connection before it answered"},
        Hostile{"compressionBomb",
                [](TestHttpServer& s) {
                    HttpAnswer a = answer(200, "OK", testsupport::deflatedZeros(64 * kMegabyte));
                    a.headers.append({QByteArrayLiteral("Content-Encoding"), QByteArrayLiteral("deflate")});
                    serve(s, a);
                },
                Status::Malformed, "sent a compressed answer that could not be unpacked"},
        Hostile{"manyItemsWithUnusableDownloads",
                [](TestHttpServer& s) { s.answer(QStringLiteral("/feed"), manyUnusableItems(130'000)); },
                Status::Malformed, "(129999 more items have problems.)", "http", 16 * kMegabyte,
                std::chrono::milliseconds(10'000)}),
    [](const ::testing::TestParamInfo<Hostile>& row) { return std::string(row.param.name); });

} // namespace
