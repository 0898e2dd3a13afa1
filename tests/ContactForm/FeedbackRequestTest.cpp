// The feedback request against hostile servers: however large, slow or broken the answer, the
// request ends in bounded time and memory, never reads the body, and says why it failed.

#include "ContactForm/FeedbackRequest.h"

#include "VexoNetwork/NetworkAccess.h"
#include "tests/support/BoundedRun.h"
#include "tests/support/TestHttpServer.h"

#include <gtest/gtest.h>

using brisquel::vexo::Result;
using brisquel::vexo::Status;
using testsupport::HttpAnswer;
using testsupport::TestHttpServer;

namespace {

constexpr qint64 kGigabyte = qint64{1024} * 1024 * 1024;

struct Hostile {
    const char* name;
    HttpAnswer answer; // to every request
    Status status;     // Ok: the message was delivered
    const char* words; // a part of the message
    const char* scheme = "http";
};

void PrintTo(const Hostile& h, std::ostream* os) {
    *os << h.name;
}

class HostileFeedbackServer : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileFeedbackServer, endsWithinBoundsWithItsReason) {
    const Hostile& h = GetParam();
    TestHttpServer server;
    server.answerEverything(h.answer);
    QUrl address = server.url(QStringLiteral("/email/app-feedback"));
    address.setScheme(QString::fromLatin1(h.scheme));
    address.setQuery(QStringLiteral("BODY=private"));
    // A second of silence and two in all stand in for the real 60 and 120.
    // A network of its own: what a hostile server leaves the network thread busy with never
    // reaches the next test.
    quillmere::NetworkAccess network;
    std::unique_ptr<quillmere::FeedbackRequest> request;
    std::optional<Result> outcome;
    const testsupport::BoundedRun run = testsupport::runBounded(
        [&] {
            request = std::make_unique<quillmere::FeedbackRequest>(
                address, quillmere::FeedbackRequest::limits(std::chrono::milliseconds(1000)), nullptr,
                &network);
            QObject::connect(request.get(), &quillmere::FeedbackRequest::finished,
                             [&](const Result& result) { outcome = result; });
        },
        [&] { return outcome.has_value(); });
    testsupport::expectWithinBounds(run);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->status(), h.status) << outcome->message().toStdString();
    EXPECT_TRUE(outcome->message().contains(QString::fromUtf8(h.words))) << outcome->message().toStdString();
    EXPECT_FALSE(outcome->message().contains(QStringLiteral("private")))
        << "the message is never quoted back";
}

HttpAnswer answer(int status, const QByteArray& reason, qint64 filler = 0,
                  HttpAnswer::Framing framing = HttpAnswer::Framing::Sized) {
    HttpAnswer a;
    a.status = status;
    a.reason = reason;
    a.filler = filler;
    a.framing = framing;
    return a;
}

HttpAnswer raw(const QByteArray& bytes, qint64 filler = 0, std::chrono::milliseconds drip = {}) {
    HttpAnswer a;
    a.raw = bytes;
    a.filler = filler;
    a.drip = drip;
    return a;
}

HttpAnswer redirectTo(const QByteArray& location) {
    HttpAnswer a = answer(302, "Found");
    a.headers.append({"Location", location});
    return a;
}

HttpAnswer silent() {
    HttpAnswer a;
    a.silent = true;
    return a;
}

HttpAnswer compressionBomb() {
    HttpAnswer a = answer(200, "OK");
    a.headers.append({QByteArrayLiteral("Content-Encoding"), QByteArrayLiteral("deflate")});
    a.body = testsupport::deflatedZeros(qint64{64} * 1024 * 1024);
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Classes, HostileFeedbackServer,
    ::testing::Values(
        Hostile{"status500WithAHugeBody", answer(500, "Internal Server Error", kGigabyte),
                Status::Unavailable,
                "The feedback server answered with HTTP status 500 (Internal Server Error).\n\n"},
        Hostile{"statusPhraseWithEscapes", answer(503, "Down\x1b[2J"), Status::Unavailable,
                "(Down\\u001b[2J)"},
        Hostile{"successWithAHugeBody", answer(200, "OK", kGigabyte), Status::Ok, ""},
        Hostile{"headerAnnouncingTwoGigabytes",
                [] {
                    HttpAnswer a = answer(204, "No Content");
                    a.announcedLength = 2 * kGigabyte;
                    return a;
                }(),
                Status::Ok, ""},
        Hostile{"headerWithoutEnd", raw("HTTP/1.1 200 OK\r\nX-Long: ", -1), Status::Unavailable,
                "did not answer within 1 second."},
        Hostile{"chunkedWithoutEnd", answer(200, "OK", -1, HttpAnswer::Framing::Chunked), Status::Ok, ""},
        Hostile{"chunkedWithABrokenChunkSize",
                raw("HTTP/1.1 299 Whatever\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc\r\n0\r\n\r\n"),
                Status::Ok, ""},
        Hostile{"unsizedWithoutEnd", answer(200, "OK", -1, HttpAnswer::Framing::Unsized), Status::Ok, ""},
        Hostile{"drippingItsHead",
                raw("HTTP/1.1 200 OK\r\nX-Slow: " + QByteArray(400, 'a'), 0, std::chrono::milliseconds(10)),
                Status::Unavailable, "did not answer within 1 second."},
        Hostile{"silent", silent(), Status::Unavailable, "did not answer within 1 second."},
        Hostile{"redirectLoop", redirectTo("/email/app-feedback"), Status::Refused,
                "redirected the request more than 5 times"},
        Hostile{"redirectToAnotherScheme", redirectTo("https://127.0.0.1:1/email/app-feedback"),
                Status::Refused, "it changes the kind of connection (http to https)"},
        Hostile{"tlsFailure", answer(200, "OK"), Status::Unavailable,
                "A secure (TLS) connection to the feedback server could not be made.", "https"},
        Hostile{"notHttp", raw("HELLO THERE\r\n\r\n"), Status::Unavailable,
                "closed the connection before it answered"},
        Hostile{"compressionBomb", compressionBomb(), Status::Ok, ""}),
    [](const ::testing::TestParamInfo<Hostile>& row) { return std::string(row.param.name); });

} // namespace
