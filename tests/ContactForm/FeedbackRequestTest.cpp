// What the feedback request adds to the HTTP layer (whose hostile servers are tested with it): any
// 2xx status is delivery, the answer's body is never read, its messages name the feedback server.

#include "ContactForm/FeedbackRequest.h"

#include "tests/support/BoundedRun.h"
#include "tests/support/HostileAnswer.h"

#include <gtest/gtest.h>

using brisquel::vexo::Result;
using brisquel::vexo::Status;
using testsupport::HttpAnswer;

namespace {

TEST(FeedbackRequest, Any2xxIsDeliveredWhateverFollowsTheStatus) {
    const struct {
        HttpAnswer answer;
        Status status;
        const char* words;
    } rows[] = {
        {{.status = 200}, Status::Ok, ""},
        {{.status = 204}, Status::Ok, ""},
        {{.status = 299}, Status::Ok, ""},
        {{.status = 300, .reason = "Multiple"},
         Status::Unavailable,
         "The feedback server gave an answer that cannot be used here (HTTP status 300, Multiple)"},
        {{.status = 199}, Status::Malformed, "The feedback server sent no complete answer."},
        {testsupport::hostileAnswer(testsupport::HostileAnswer::SuccessWithAHugeBody), Status::Ok, ""},
        {testsupport::hostileAnswer(testsupport::HostileAnswer::DrippingItsBody), Status::Ok, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answer.status);
        testsupport::TestHttpServer server;
        server.answerEverything(row.answer);
        std::unique_ptr<quillmere::FeedbackRequest> request;
        std::optional<Result> outcome;
        testsupport::expectWithinBounds(testsupport::runBounded(
            [&] {
                request = std::make_unique<quillmere::FeedbackRequest>(
                    server.url(), quillmere::FeedbackRequest::limits(std::chrono::seconds(1)));
                QObject::connect(request.get(), &quillmere::FeedbackRequest::finished,
                                 [&](const Result& result) { outcome = result; });
            },
            [&] { return outcome.has_value(); }));
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->status(), row.status) << outcome->message().toStdString();
        EXPECT_TRUE(outcome->message().contains(QString::fromUtf8(row.words)))
            << outcome->message().toStdString();
    }
}

} // namespace
