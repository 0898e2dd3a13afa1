// The feedback request against hostile servers: however large, slow or broken the answer, the
// request ends in bounded time and memory, never reads the body, and says why it failed.

#include "ContactForm/FeedbackRequest.h"

#include "VexoNetwork/NetworkAccess.h"
#include "tests/support/BoundedRun.h"
#include "tests/support/HostileAnswer.h"
#include "tests/support/TestHttpServer.h"

#include <gtest/gtest.h>

using brisquel::vexo::Result;
using brisquel::vexo::Status;
using testsupport::HostileAnswer;
using testsupport::TestHttpServer;

namespace {

struct HostileRow {
    HostileAnswer answer; // to every request
    Status status;        // Ok: the message was delivered
    const char* words;    // a part of the message
};

void PrintTo(const HostileRow& row, std::ostream* os) {
    testsupport::PrintTo(row.answer, os);
}

class HostileFeedbackServer : public ::testing::TestWithParam<HostileRow> {};

TEST_P(HostileFeedbackServer, endsWithinBoundsWithItsReason) {
    const HostileRow& row = GetParam();
    TestHttpServer server;
    server.answerEverything(testsupport::hostileAnswer(row.answer));
    QUrl address = server.url(QStringLiteral("/email/app-feedback"));
    if (row.answer == HostileAnswer::NoTls)
        address.setScheme(QStringLiteral("https"));
    address.setQuery(QStringLiteral("BODY=private"));
    // A network of its own: what a hostile server leaves the network thread busy with never
    // reaches the next test.
    quillmere::NetworkAccess network;
    std::unique_ptr<quillmere::FeedbackRequest> request;
    std::optional<Result> outcome;
    // A second of silence and two in all stand in for the real 60 and 120.
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
    EXPECT_EQ(outcome->status(), row.status) << outcome->message().toStdString();
    EXPECT_TRUE(outcome->message().contains(QString::fromUtf8(row.words)))
        << outcome->message().toStdString();
    EXPECT_FALSE(outcome->message().contains(QStringLiteral("private")))
        << "the message is never quoted back";
}

// The body of an answer is never read: whatever follows a success status is no failure.
INSTANTIATE_TEST_SUITE_P(
    Classes, HostileFeedbackServer,
    ::testing::Values(
        HostileRow{HostileAnswer::Status500WithAHugeBody, Status::Unavailable,
                   "The feedback server could not answer because of a problem on its side (HTTP status 500, "
                   "Internal Server Error). Please try again later.\n\n"},
        HostileRow{HostileAnswer::StatusPhraseWithEscapes, Status::Unavailable,
                   "(HTTP status 503, Down\\u001b[2J)"},
        HostileRow{HostileAnswer::SuccessWithAHugeBody, Status::Ok, ""},
        HostileRow{HostileAnswer::AnnouncingTwoGigabytes, Status::Ok, ""},
        HostileRow{HostileAnswer::HeadWithoutEnd, Status::Unavailable, "did not answer within 1 second."},
        HostileRow{HostileAnswer::ChunkedWithoutEnd, Status::Ok, ""},
        HostileRow{HostileAnswer::ChunkedWithABrokenChunkSize, Status::Ok, ""},
        HostileRow{HostileAnswer::UnsizedWithoutEnd, Status::Ok, ""},
        HostileRow{HostileAnswer::DrippingItsHead, Status::Unavailable, "did not answer within 1 second."},
        HostileRow{HostileAnswer::DrippingItsBody, Status::Ok, ""},
        HostileRow{HostileAnswer::Silent, Status::Unavailable, "did not answer within 1 second."},
        HostileRow{HostileAnswer::RedirectLoop, Status::Refused, "redirected the request more than 5 times"},
        HostileRow{HostileAnswer::RedirectToAnotherScheme, Status::Refused,
                   "it changes the kind of connection (http to https)"},
        HostileRow{HostileAnswer::NotHttp, Status::Unavailable, "closed the connection before it answered"},
        HostileRow{HostileAnswer::NoTls, Status::Unavailable,
                   "A secure (TLS) connection to the feedback server could not be made."},
        HostileRow{HostileAnswer::CompressionBomb, Status::Ok, ""}),
    [](const ::testing::TestParamInfo<HostileRow>& row) {
        return std::string(testsupport::nameOf(row.param.answer));
    });

} // namespace
