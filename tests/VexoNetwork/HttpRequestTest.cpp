// One GET through the HTTP layer against a loopback server: every class of hostile server ends within
// bounds with its reason (the one place they are tested), the edges of its limits, the proxy choice.

#include "VexoNetwork/HttpRequest.h"
#include "VexoNetwork/NetworkAccess.h"
#include "tests/support/BoundedRun.h"
#include "tests/support/HostileAnswer.h"
#include "tests/support/ScopedEnvironment.h"

#include <QNetworkAccessManager>

#include <gtest/gtest.h>

using enum brisquel::vexo::Status;
using enum testsupport::HostileAnswer;

namespace {

// GETs url under stand-in limits (3 redirects, 1 s of silence, 2.5 s in all, 1 KiB); expects it to end
// within bounds in `status`, with `words` but not the query in one sentence and the address. The body.
QByteArray expectGet(QUrl url, brisquel::vexo::Status status, const char* words,
                     quillmere::NetworkAccess* network = nullptr) {
    url.setQuery(QStringLiteral("BODY=private"));
    quillmere::NetworkAccess own;
    quillmere::HttpPolicy policy;
    policy.limits = {3, std::chrono::seconds(1), std::chrono::milliseconds(2500), 1024};
    policy.network = network ? network : &own;
    quillmere::HttpRequest request(policy);
    std::optional<brisquel::vexo::Expected<quillmere::HttpReply>> outcome;
    testsupport::expectWithinBounds(
        testsupport::runBounded([&] { request.start(url, [&](auto reply) { outcome = std::move(reply); }); },
                                [&] { return outcome.has_value(); }));
    if (!outcome)
        return {};
    const QString message = outcome->result().message();
    EXPECT_EQ(*outcome ? Ok : outcome->result().status(), status) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(words)) && !message.contains(QStringLiteral("private")) &&
                !message.contains(QStringLiteral("()")) &&
                (*outcome || message.contains(QStringLiteral(".\n\nhttp"))))
        << message.toStdString();
    return *outcome ? (*outcome)->body : QByteArray();
}

template <class Answer> struct Row {
    Answer answer;
    brisquel::vexo::Status status;
    const char* words;
};
using Hostile = Row<testsupport::HostileAnswer>;

class HostileServer : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileServer, EndsWithinBoundsWithItsReason) {
    testsupport::TestHttpServer server;
    server.answerEverything(testsupport::hostileAnswer(GetParam().answer));
    QUrl url = server.url(QStringLiteral("/in"));
    url.setScheme(GetParam().answer == NoTls ? QStringLiteral("https") : QStringLiteral("http"));
    expectGet(url, GetParam().status, GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, HostileServer,
    ::testing::Values(
        Hostile{Status500WithAHugeBody, Unavailable,
                "a problem on its side (HTTP status 500, Internal Server Error)"},
        Hostile{StatusPhraseWithEscapes, Unavailable, "(HTTP status 503, Down\\u001b[2J)"},
        Hostile{SuccessWithAHugeBody, TooLarge, "larger than 1 kB, more than is read."},
        Hostile{AnnouncingTwoGigabytes, TooLarge, "2 GB announced"},
        Hostile{HeadWithoutEnd, Unavailable, "did not answer within 1 second."},
        Hostile{ChunkedWithoutEnd, TooLarge, "more than 1 kB arrived"},
        Hostile{ChunkedWithABrokenChunkSize, Ok, ""}, // ended as if complete: what it means is the reader's
        Hostile{SizedButCutShort, Unavailable, "closed the connection before its answer was complete"},
        Hostile{UnsizedWithoutEnd, TooLarge, "more than 1 kB arrived"},
        Hostile{DrippingItsHead, Unavailable, "did not answer within 1 second."},
        Hostile{DrippingItsBody, Unavailable, "did not complete its answer within 2.5 seconds."},
        Hostile{Silent, Unavailable, "did not answer within 1 second."},
        Hostile{RedirectLoop, Refused, "redirected the request more than 3 times"},
        Hostile{RedirectToAnotherScheme, Refused, "changes the kind of connection (http to https)"},
        Hostile{RedirectToAFile, Refused, "is not a web address"},
        Hostile{RedirectToPlainHttpElsewhere, Refused, "is not an https address"},
        Hostile{NotHttp, Unavailable, "closed the connection before it answered"},
        Hostile{NoTls, Unavailable, "A secure (TLS) connection to the server could not be made."},
        Hostile{CompressionBomb, Malformed, "sent a compressed answer that could not be unpacked"}),
    [](const auto& row) {
        std::string name = testsupport::nameOf(row.param.answer);
        return name.replace(0, 1, 1, static_cast<char>(std::toupper(name[0])));
    });

TEST(HttpRequest, EdgesOfTheSuccessRangeTheSizeCapAndTheRedirectLimit) {
    const QByteArray cap(1024, 'x');
    const Row<testsupport::HttpAnswer> edges[] = {
        {{.status = 299, .body = "a"}, Ok, ""},
        {{.status = 300, .reason = "M"}, Unavailable, "cannot be used here (HTTP status 300, M)"},
        {{.status = 400}, Unavailable, "The server refused the request (HTTP status 400"},
        {{.status = 404}, NotFound, "has nothing at this address (HTTP status 404"},
        {{.status = 410}, NotFound, "(HTTP status 410"},
        {{.status = 499}, Unavailable, "refused the request (HTTP status 499"},
        {{.body = cap}, Ok, ""},
        {{.body = cap + "y"}, TooLarge, "1 kB announced"},
        {{.body = cap, .framing = testsupport::HttpAnswer::Framing::Unsized}, Ok, ""},
        {{.body = cap + "y", .framing = testsupport::HttpAnswer::Framing::Chunked}, TooLarge, "1 kB arrived"},
        {{.body = "abc", .drip = std::chrono::seconds(5)}, Unavailable, "stopped sending for 1 second"},
        {{.status = 307, .headers = {{"Location", "/r2"}}, .body = "moved"}, Ok, ""}, // 3 redirects
    };
    testsupport::TestHttpServer server;
    server.redirect(QStringLiteral("/r2"), "/r1", 301);
    server.redirect(QStringLiteral("/r1"), "/r0", 308);
    server.answer(QStringLiteral("/r0"), QByteArray("moved"));
    for (const auto& edge : edges) {
        const QString path = QStringLiteral("/%1").arg(&edge - edges);
        SCOPED_TRACE(path.toStdString());
        server.answer(path, edge.answer);
        EXPECT_EQ(expectGet(server.url(path), edge.status, edge.words),
                  edge.status == Ok ? edge.answer.body : "");
    }
}

TEST(NetworkAccess, MadeAtTheFirstRequestThisComputerDirectAnyOtherHostThroughTheProxy) {
    testsupport::TestHttpServer server;
    testsupport::TestHttpServer proxy;
    const testsupport::ScopedEnvironment http("http_proxy", proxy.url().toEncoded());
    const testsupport::ScopedEnvironment https("https_proxy", proxy.url().toEncoded());
    const testsupport::ScopedEnvironment none("no_proxy", QByteArray());
    quillmere::NetworkAccess network;
    EXPECT_FALSE(network.hasManager());
    expectGet(server.url(), NotFound, "", &network);
    expectGet(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(testsupport::closedPort())), Unavailable,
              "The server refused the connection; it may be down.", &network);
    expectGet(QUrl(QStringLiteral("https://updates.example.test/")), Unavailable, "", &network);
    EXPECT_EQ(network.findChildren<QNetworkAccessManager*>().size(), 1);
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_TRUE(proxy.requests.size() == 1 &&
                proxy.requests[0].target.startsWith("updates.example.test:443"));
}

} // namespace
