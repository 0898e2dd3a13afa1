#include "ContactForm/FeedbackRequest.h"

#include "ContactForm/FeedbackQuery.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace quillmere {

using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

QString seconds(std::chrono::milliseconds duration) {
    return QString::number(static_cast<double>(duration.count()) / 1000.0);
}

} // namespace

FeedbackRequest::FeedbackRequest(QNetworkAccessManager& network, const QUrl& address,
                                 std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_address(address), m_timeout(timeout) {
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    m_reply = network.get(request);
    connect(m_reply, &QNetworkReply::redirected, this, &FeedbackRequest::onRedirected);
    connect(m_reply, &QNetworkReply::finished, this, &FeedbackRequest::onFinished);
}

FeedbackRequest::~FeedbackRequest() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void FeedbackRequest::onRedirected(const QUrl& target) {
    const bool sameScheme = target.scheme() == m_address.scheme();
    const bool secure = target.scheme() == QStringLiteral("https");
    if (sameScheme && (secure || isLoopbackHost(target.host()))) {
        emit m_reply->redirectAllowed();
        return;
    }
    m_refusedRedirect = target;
    m_reply->abort();
}

void FeedbackRequest::onFinished() {
    if (!m_reply)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        m_httpStatus = status.toInt();
    const Result result = outcome();
    m_reply->disconnect(this);
    m_reply->deleteLater();
    m_reply = nullptr;
    emit finished(result);
}

Result FeedbackRequest::outcome() const {
    if (m_refusedRedirect) {
        return Result::failure(
            Status::Refused,
            withAddress(tr("The feedback server redirected the message to %1. It was not sent "
                           "there: feedback only travels over the kind of connection it was "
                           "meant for.")
                            .arg(displayAddress(*m_refusedRedirect))));
    }
    const QNetworkReply::NetworkError error = m_reply->error();
    if (error == QNetworkReply::TooManyRedirectsError) {
        return Result::failure(Status::Unavailable,
                               withAddress(tr("The feedback server redirected the message too many times.")));
    }
    if (m_httpStatus && (*m_httpStatus < 200 || *m_httpStatus > 299)) {
        const QString reason =
            m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
        const QString statusText = reason.isEmpty() ? QString::number(*m_httpStatus)
                                                    : QString::number(*m_httpStatus) + u' ' + reason;
        return Result::failure(
            Status::Unavailable,
            withAddress(tr("The feedback server answered with HTTP status %1, so your message "
                           "was not delivered. Please try again later.")
                            .arg(statusText)));
    }
    if (error != QNetworkReply::NoError || !m_httpStatus)
        return Result::failure(Status::Unavailable, transportFailure());
    return Result::success();
}

QString FeedbackRequest::withAddress(const QString& text) const {
    return text + QStringLiteral("\n\n") + tr("Feedback address:") + u'\n' + displayAddress(m_address);
}

QString FeedbackRequest::transportFailure() const {
    const QString host = m_address.host();
    // Qt's own texts may quote the whole address, query and all: that is the user's message.
    QString cause = m_reply->errorString();
    for (const QUrl& url : {m_address, m_reply->url()}) {
        for (const QString& form :
             {url.toString(), url.toDisplayString(), QString::fromUtf8(url.toEncoded())})
            cause.replace(form, displayAddress(url));
    }
    switch (m_reply->error()) {
    case QNetworkReply::ConnectionRefusedError:
        return withAddress(
            tr("The feedback server refused the connection. It may be down; please try again later."));
    case QNetworkReply::HostNotFoundError:
        return tr("The feedback server %1 could not be found. Check that this computer is connected to the "
                  "internet.")
            .arg(host);
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        // Nothing but the time-out cancels a request (a refused redirect is told apart above).
        return withAddress(
            tr("The feedback server did not answer within %1 seconds.").arg(seconds(m_timeout)));
    case QNetworkReply::RemoteHostClosedError:
        return withAddress(tr("The feedback server closed the connection before it answered."));
    case QNetworkReply::SslHandshakeFailedError:
        return tr("A secure connection to the feedback server %1 could not be made: %2").arg(host, cause);
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return tr("The network is not available: %1").arg(cause);
    default:
        return withAddress(tr("The message could not be sent: %1").arg(cause));
    }
}

} // namespace quillmere
