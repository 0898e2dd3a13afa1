// One GET through the application's HTTP layer against a loopback server: every class of hostile or
// broken server ends within bounds with its reason (the one place they are tested), the edges of
// the success range, the size cap and the redirect limit, and the network manager's proxy choice.

#include "VexoNetwork/HttpRequest.h"
#include "VexoNetwork/NetworkAccess.h"
#include "tests/support/BoundedRun.h"
#include "tests/support/HostileAnswer.h"
#include "tests/support/ScopedEnvironment.h"

#include <QNetworkAccessManager>

#include <gtest/gtest.h>

using testsupport::HttpAnswer;
using testsupport::TestHttpServer;
using enum brisquel::vexo::Status;
using enum testsupport::HostileAnswer;

namespace {

// GETs url (with a query, as what a user wrote, which no message shows) through `network` or one of
// its own, under stand-ins for the real limits (3 redirects, 1 s of silence, 2.5 s in all, 1 KiB);
// expects it to end within bounds in `status` with `words` in the message. Returns the body.
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
    EXPECT_TRUE(message.contains(QString::fromUtf8(words))) << message.toStdString();
    // One plain sentence, then the detail: the address without its query.
    EXPECT_TRUE(*outcome || message.contains(QStringLiteral(".\n\nhttp"))) << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("private"))) << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("()")))
        << "no empty list of causes: " << message.toStdString();
    return *outcome ? (*outcome)->body : QByteArray();
}

struct Row {
    testsupport::HostileAnswer answer;
    brisquel::vexo::Status status;
    const char* words;
};

void PrintTo(const Row& row, std::ostream* os) {
    testsupport::PrintTo(row.answer, os);
}

class HostileServer : public ::testing::TestWithParam<Row> {};

TEST_P(HostileServer, EndsWithinBoundsWithItsReason) {
    TestHttpServer server;
    server.answerEverything(testsupport::hostileAnswer(GetParam().answer));
    QUrl url = server.url(QStringLiteral("/in"));
    if (GetParam().answer == NoTls)
        url.setScheme(QStringLiteral("https"));
    expectGet(url, GetParam().status, GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, HostileServer,
    ::testing::Values(
        Row{Status500WithAHugeBody, Unavailable,
            "The server could not answer because of a problem on its side (HTTP status 500, Internal "
            "Server Error). Please try again later."},
        Row{StatusPhraseWithEscapes, Unavailable, "(HTTP status 503, Down\\u001b[2J)"},
        Row{SuccessWithAHugeBody, TooLarge,
            "The server\u2019s answer is larger than 1 kB, more than is read."},
        Row{AnnouncingTwoGigabytes, TooLarge, "2 GB announced"},
        Row{HeadWithoutEnd, Unavailable, "did not answer within 1 second."},
        Row{ChunkedWithoutEnd, TooLarge, "more than 1 kB arrived"},
        Row{ChunkedWithABrokenChunkSize, Ok, ""}, // ended as if complete: what it means is the reader's
        Row{SizedButCutShort, Unavailable, "closed the connection before its answer was complete"},
        Row{UnsizedWithoutEnd, TooLarge, "more than 1 kB arrived"},
        Row{DrippingItsHead, Unavailable, "did not answer within 1 second."},
        Row{DrippingItsBody, Unavailable, "did not complete its answer within 2.5 seconds."},
        Row{Silent, Unavailable, "did not answer within 1 second."},
        Row{RedirectLoop, Refused, "redirected the request more than 3 times"},
        Row{RedirectToAnotherScheme, Refused, "changes the kind of connection (http to https)"},
        Row{RedirectToAFile, Refused, "is not a web address"},
        Row{RedirectToPlainHttpElsewhere, Refused, "is not an https address"},
        Row{NotHttp, Unavailable, "closed the connection before it answered"},
        Row{NoTls, Unavailable, "A secure (TLS) connection to the server could not be made."},
        Row{CompressionBomb, Malformed, "sent a compressed answer that could not be unpacked"}),
    [](const auto& row) {
        std::string name = testsupport::nameOf(row.param.answer);
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        return name;
    });

TEST(HttpRequest, EdgesOfTheSuccessRangeTheSizeCapAndTheRedirectLimit) {
    const QByteArray cap(1024, 'x');
    const struct {
        HttpAnswer answer;
        brisquel::vexo::Status status;
        const char* words;
    } edges[] = {
        {{.status = 299, .body = "a"}, Ok, ""},
        {{.status = 300, .reason = "Multiple"},
         Unavailable,
         "cannot be used here (HTTP status 300, Multiple)"},
        {{.status = 400}, Unavailable, "The server refused the request (HTTP status 400"},
        {{.status = 404}, NotFound, "has nothing at this address (HTTP status 404"},
        {{.status = 410}, NotFound, "(HTTP status 410"},
        {{.status = 499}, Unavailable, "refused the request (HTTP status 499"},
        {{.body = cap}, Ok, ""},
        {{.body = cap + "y"}, TooLarge, "1 kB announced"},
        {{.body = cap, .framing = HttpAnswer::Framing::Unsized}, Ok, ""},
        {{.body = cap + "y", .framing = HttpAnswer::Framing::Chunked}, TooLarge, "more than 1 kB arrived"},
        {{.body = "abc", .drip = std::chrono::seconds(5)}, Unavailable, "stopped sending for 1 second"},
        {{.status = 307, .headers = {{"Location", "/r2"}}}, Ok, ""}, // the third redirect is allowed
    };
    TestHttpServer server;
    server.redirect(QStringLiteral("/r2"), "/r1", 301);
    server.redirect(QStringLiteral("/r1"), "/r0", 308);
    server.answer(QStringLiteral("/r0"), QByteArray("moved"));
    for (const auto& edge : edges) {
        const QString path = QStringLiteral("/%1").arg(&edge - edges);
        SCOPED_TRACE(path.toStdString());
        server.answer(path, edge.answer);
        const QByteArray body = expectGet(server.url(path), edge.status, edge.words);
        EXPECT_EQ(body, edge.status != Ok ? "" : edge.answer.headers.isEmpty() ? edge.answer.body : "moved");
    }
}

TEST(NetworkAccess, MadeAtTheFirstRequestThisComputerDirectAnyOtherHostThroughTheProxy) {
    TestHttpServer server;
    TestHttpServer proxy;
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
    ASSERT_EQ(proxy.requests.size(), 1);
    EXPECT_TRUE(proxy.requests.first().target.startsWith("updates.example.test:443"));
}

} // namespace
