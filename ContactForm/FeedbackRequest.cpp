#include "ContactForm/FeedbackRequest.h"

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;

namespace {

HttpPolicy feedbackPolicy(const HttpLimits& limits, NetworkAccess* network) {
    HttpPolicy policy;
    policy.limits = limits;
    policy.network = network;
    policy.firstSuccess = 200;
    policy.lastSuccess = 299;
    policy.readBody = false;
    policy.server = QStringLiteral("the feedback server");
    return policy;
}

} // namespace

HttpLimits FeedbackRequest::limits(std::chrono::milliseconds silence) {
    HttpLimits limits;
    limits.silence = silence;
    limits.deadline = 2 * silence;
    // Nothing of the body is read; a success or a failure is known from the status.
    limits.maximumSize = 0;
    return limits;
}

FeedbackRequest::FeedbackRequest(const QUrl& address, const HttpLimits& limits, QObject* parent,
                                 NetworkAccess* network)
    : QObject(parent), m_address(address), m_request(feedbackPolicy(limits, network)) {
    m_request.start(address, [this](const Expected<HttpReply>& reply) {
        emit finished(reply ? Result::success() : reply.result());
    });
}

FeedbackRequest::~FeedbackRequest() = default;

} // namespace quillmere
