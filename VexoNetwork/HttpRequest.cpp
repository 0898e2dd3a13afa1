#include "VexoNetwork/HttpRequest.h"

#include "VexoExtensions/VisibleText.h"
#include "VexoNetwork/HttpTransport.h"
#include "VexoNetwork/NetworkAccess.h"
#include "VexoNetwork/WebAddress.h"

#include <QLocale>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>
#include <limits>

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

// What the network layer may hold of an answer before it is read here; it stops reading from the
// connection while this is full, so a fast server cannot run ahead of the count.
constexpr qint64 kReadBufferSize = qint64{256} * 1024;
// A reason phrase is one line from the server; a longer one is cut when shown.
constexpr qsizetype kMaximumReasonLength = 200;

// "1 second", "1.5 seconds", "60 seconds".
QString seconds(std::chrono::milliseconds duration) {
    if (duration == std::chrono::seconds(1))
        return QStringLiteral("1 second");
    return QString::number(static_cast<double>(duration.count()) / 1000.0, 'g', 4) +
           QStringLiteral(" seconds");
}

// "8 MB", "2.5 GB": the size as a person reads it (powers of 1024, as file sizes are shown).
QString sizeText(qint64 bytes) {
    QString text = QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
    return text.replace(QLatin1String(".0 "), QLatin1String(" "));
}

// (Re)starts a timer of `owner` for `duration`, as long as a timer can run.
void restart(QBasicTimer& timer, std::chrono::milliseconds duration, QObject* owner) {
    const auto longest = std::chrono::milliseconds(std::numeric_limits<int>::max());
    timer.start(static_cast<int>(std::clamp(duration, std::chrono::milliseconds(0), longest).count()), owner);
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QString capitalized(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace

HttpRequest::HttpRequest(HttpPolicy policy, QObject* parent) : QObject(parent), m_policy(std::move(policy)) {}

HttpRequest::~HttpRequest() {
    m_done = nullptr;
    dropExchange();
}

void HttpRequest::start(const QUrl& url, Completion done) {
    cancel();
    m_done = std::move(done);
    m_firstUrl = url;
    m_redirects = 0;
    m_tlsErrors.clear();
    Result allowed = WebAddress::check(url);
    if (allowed) {
        if (const Expected<HttpTransport*> transport = HttpTransport::load())
            m_transport = *transport;
        else
            allowed = failure(Status::Unavailable,
                              QStringLiteral("The request to %1 could not be sent: the network library of "
                                             "this installation cannot be loaded.")
                                  .arg(server()),
                              transport.result().message());
    }
    if (!allowed) {
        // Told from the event loop, like every other outcome; a cancel in between silences it.
        m_url = url;
        QTimer::singleShot(0, this, [this, allowed, generation = m_generation] {
            if (generation == m_generation && m_done)
                finish(allowed);
        });
        return;
    }
    restart(m_deadline, m_policy.limits.deadline, this);
    send(url);
}

void HttpRequest::cancel() {
    ++m_generation;
    m_done = nullptr;
    m_silence.stop();
    m_deadline.stop();
    dropExchange();
}

void HttpRequest::send(const QUrl& url) {
    m_url = url;
    m_headRead = false;
    m_encrypted = false;
    m_anythingArrived = false;
    m_received = HttpReply{};
    m_received.url = url;

    NetworkAccess& network = m_policy.network ? *m_policy.network : NetworkAccess::application();
    ++m_exchanges;
    m_exchange = m_transport->get(network, url, m_policy.headers, *this);
    restart(m_silence, m_policy.limits.silence, this);
}

void HttpRequest::secured() {
    m_encrypted = true;
}

void HttpRequest::certificateErrors(const QStringList& errors) {
    m_tlsErrors.append(errors);
}

void HttpRequest::progressed() {
    m_anythingArrived = true;
    restart(m_silence, m_policy.limits.silence, this);
}

void HttpRequest::headArrived() {
    if (!m_exchange || m_headRead)
        return;
    const std::optional<int> answered = m_exchange->status();
    // An informational status (1xx) is not the answer; the answer follows it.
    if (!answered || *answered < 200)
        return;
    const int status = *answered;
    m_headRead = true;
    m_anythingArrived = true;
    restart(m_silence, m_policy.limits.silence, this);

    QString reason = m_exchange->reasonPhrase().trimmed();
    if (reason.size() > kMaximumReasonLength)
        reason = reason.left(kMaximumReasonLength) + QStringLiteral("…");
    m_received.status = status;
    m_received.reasonPhrase = brisquel::vexo::visibleText(reason);
    m_received.chunked =
        m_exchange->headerField("Transfer-Encoding").value_or(QByteArray()).toLower().contains("chunked");

    if (const std::optional<QByteArray> location = m_exchange->headerField("Location");
        isRedirect(status) && location) {
        followRedirect(m_url.resolved(QUrl::fromEncoded(*location)));
        return;
    }
    if (status < m_policy.firstSuccess || status > m_policy.lastSuccess) {
        finish(statusFailure(status));
        return;
    }
    if (!m_policy.readBody) {
        finish(std::move(m_received));
        return;
    }
    m_exchange->limitBuffer(kReadBufferSize);
    const std::optional<qint64> announced = m_exchange->announcedLength();
    if (announced && *announced > m_policy.limits.maximumSize) {
        finish(
            failure(Status::TooLarge,
                    QStringLiteral("%1\u2019s answer is larger than %2, more than is read.")
                        .arg(serverAtStart(), sizeText(m_policy.limits.maximumSize)),
                    QStringLiteral("%1: %2 announced").arg(WebAddress::shown(m_url), sizeText(*announced))));
    }
}

void HttpRequest::bodyArrived() {
    if (!m_exchange)
        return;
    m_anythingArrived = true;
    restart(m_silence, m_policy.limits.silence, this);
    if (!m_headRead) {
        const quint64 exchange = m_exchanges;
        headArrived();
        // Ended, or redirected to the next exchange, by what the head said.
        if (!m_exchange || exchange != m_exchanges || !m_headRead)
            return;
    }
    const qint64 cap = m_policy.limits.maximumSize;
    while (m_exchange->bytesAvailable() > 0) {
        const qint64 room = cap + 1 - m_received.body.size();
        m_received.body += m_exchange->read(qMin(m_exchange->bytesAvailable(), room));
        if (m_received.body.size() > cap) {
            const bool compressed = m_exchange->headerField("Content-Encoding").has_value();
            finish(failure(Status::TooLarge,
                           QStringLiteral("%1\u2019s answer is larger than %2, more than is read.")
                               .arg(serverAtStart(), sizeText(cap)),
                           QStringLiteral("%1: more than %2 arrived%3")
                               .arg(WebAddress::shown(m_url), sizeText(cap),
                                    compressed ? QStringLiteral(" once uncompressed") : QString())));
            return;
        }
    }
}

void HttpRequest::finished() {
    if (!m_exchange)
        return;
    if (!m_headRead && m_exchange->failure() == HttpExchange::Failure::None) {
        const quint64 exchange = m_exchanges;
        headArrived();
        // Ended, or redirected to the next exchange, by what the head said.
        if (!m_exchange || exchange != m_exchanges)
            return;
    }
    if (m_exchange->failure() != HttpExchange::Failure::None) {
        finish(transportFailure());
        return;
    }
    if (!m_headRead) {
        finish(failure(Status::Malformed, QStringLiteral("%1 sent no complete answer.").arg(serverAtStart()),
                       WebAddress::shown(m_url)));
        return;
    }
    bodyArrived();
    if (m_done)
        finish(std::move(m_received));
}

void HttpRequest::followRedirect(const QUrl& target) {
    dropExchange();
    if (++m_redirects > m_policy.limits.maximumRedirects) {
        finish(
            failure(Status::Refused,
                    QStringLiteral("%1 redirected the request more than %2 times, so it was given up.")
                        .arg(serverAtStart(), QString::number(m_policy.limits.maximumRedirects)),
                    QStringLiteral("%1 \u2192 %2").arg(WebAddress::shown(m_url), WebAddress::shown(target))));
        return;
    }
    const Result allowed = WebAddress::check(target);
    const bool sameScheme = target.scheme().compare(m_firstUrl.scheme(), Qt::CaseInsensitive) == 0;
    if (!allowed || !sameScheme) {
        const QString why = allowed ? QStringLiteral("it changes the kind of connection (%1 to %2)")
                                          .arg(m_firstUrl.scheme().toLower(), target.scheme().toLower())
                                    : allowed.message();
        finish(failure(Status::Refused,
                       QStringLiteral("%1 redirected the request to an address that is not followed.")
                           .arg(serverAtStart()),
                       QStringLiteral("%1 \u2192 %2: %3")
                           .arg(WebAddress::shown(m_url), WebAddress::shown(target), why)));
        return;
    }
    send(target);
}

Result HttpRequest::statusFailure(int status) const {
    // "HTTP status 503, Service Unavailable": the number for whoever reads on, the server's words.
    QString answer = QStringLiteral("HTTP status ") + QString::number(status);
    if (!m_received.reasonPhrase.isEmpty())
        answer += QStringLiteral(", ") + m_received.reasonPhrase;
    const QString address = WebAddress::shown(m_url);
    if (status == 404 || status == 410) {
        return failure(Status::NotFound,
                       QStringLiteral("%1 has nothing at this address (%2).").arg(serverAtStart(), answer),
                       address);
    }
    if (status >= 500) {
        return failure(Status::Unavailable,
                       QStringLiteral("%1 could not answer because of a problem on its side (%2). Please try "
                                      "again later.")
                           .arg(serverAtStart(), answer),
                       address);
    }
    if (status >= 400) {
        return failure(Status::Unavailable,
                       QStringLiteral("%1 refused the request (%2).").arg(serverAtStart(), answer), address);
    }
    return failure(
        Status::Unavailable,
        QStringLiteral("%1 gave an answer that cannot be used here (%2).").arg(serverAtStart(), answer),
        address);
}

Result HttpRequest::transportFailure() const {
    const HttpExchange::Failure error = m_exchange->failure();
    // The network layer's own words, without the query of the address (what the user wrote) and
    // with the server's text made visible.
    QString cause = m_exchange->failureText();
    for (const QUrl& url : {m_url, m_exchange->url()}) {
        for (const QString& form :
             {url.toString(), url.toDisplayString(), QString::fromUtf8(url.toEncoded())}) {
            if (!form.isEmpty())
                cause.replace(form, WebAddress::shown(url));
        }
    }
    cause = brisquel::vexo::visibleText(cause);
    const QString detail = WebAddress::shown(m_url) + QStringLiteral(": ") + cause;
    const bool secure = m_url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;

    switch (error) {
    case HttpExchange::Failure::ConnectionRefused:
        return failure(Status::Unavailable,
                       QStringLiteral("%1 refused the connection; it may be down. Please try again later.")
                           .arg(serverAtStart()),
                       detail);
    case HttpExchange::Failure::HostNotFound:
        return failure(Status::Unavailable,
                       QStringLiteral("%1 (%2) could not be found. Check that this computer is connected to "
                                      "the internet.")
                           .arg(serverAtStart(), m_url.host()),
                       detail);
    case HttpExchange::Failure::NetworkUnavailable:
        return failure(Status::Unavailable,
                       QStringLiteral("The network is not available. Check that this computer is connected "
                                      "to the internet."),
                       detail);
    case HttpExchange::Failure::Proxy:
        return failure(Status::Unavailable,
                       QStringLiteral("The proxy server this computer is set to use did not pass the request "
                                      "on to %1.")
                           .arg(server()),
                       detail);
    default:
        break;
    }
    if (secure && (!m_encrypted || error == HttpExchange::Failure::TlsHandshake)) {
        QString tls = detail;
        if (!m_tlsErrors.isEmpty())
            tls += QStringLiteral(" (") +
                   brisquel::vexo::visibleText(m_tlsErrors.join(QStringLiteral("; "))) + u')';
        return failure(Status::Unavailable,
                       QStringLiteral("A secure (TLS) connection to %1 could not be made.").arg(server()),
                       tls);
    }
    switch (error) {
    case HttpExchange::Failure::RemoteHostClosed:
        return failure(
            Status::Unavailable,
            m_headRead ? QStringLiteral("%1 closed the connection before its answer was complete.")
                             .arg(serverAtStart())
                       : QStringLiteral("%1 closed the connection before it answered.").arg(serverAtStart()),
            detail);
    case HttpExchange::Failure::UndecodableContent:
        if (const std::optional<QByteArray> encoding = m_exchange->headerField("Content-Encoding")) {
            // The network layer names no cause here; what it refuses is damaged compressed data,
            // or data that would expand far beyond any answer (a compression bomb).
            return failure(Status::Malformed,
                           QStringLiteral("%1 sent a compressed answer that could not be unpacked: it is "
                                          "damaged, or it would expand far beyond the size of an answer.")
                               .arg(serverAtStart()),
                           QStringLiteral("%1: the %2 data could not be decompressed")
                               .arg(WebAddress::shown(m_url),
                                    brisquel::vexo::visibleText(QString::fromLatin1(*encoding))));
        }
        break;
    case HttpExchange::Failure::Protocol:
        return failure(Status::Malformed,
                       QStringLiteral("%1 sent an answer that is not valid HTTP.").arg(serverAtStart()),
                       detail);
    default:
        break;
    }
    return failure(Status::Unavailable, QStringLiteral("The request to %1 failed.").arg(server()), detail);
}

Result HttpRequest::failure(Status status, const QString& sentence, const QString& detail) const {
    return Result::failure(status, sentence + QStringLiteral("\n\n") + detail);
}

QString HttpRequest::server() const {
    return m_policy.server;
}

QString HttpRequest::serverAtStart() const {
    return capitalized(m_policy.server);
}

void HttpRequest::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_silence.timerId()) {
        const QString shown = WebAddress::shown(m_url);
        if (!m_anythingArrived) {
            finish(failure(Status::Unavailable,
                           QStringLiteral("%1 did not answer within %2.")
                               .arg(serverAtStart(), seconds(m_policy.limits.silence)),
                           shown));
        } else {
            finish(failure(Status::Unavailable,
                           QStringLiteral("%1 stopped sending for %2 before its answer was complete.")
                               .arg(serverAtStart(), seconds(m_policy.limits.silence)),
                           shown));
        }
        return;
    }
    if (event->timerId() == m_deadline.timerId()) {
        finish(failure(Status::Unavailable,
                       QStringLiteral("%1 did not complete its answer within %2.")
                           .arg(serverAtStart(), seconds(m_policy.limits.deadline)),
                       QStringLiteral("%1: %2 received")
                           .arg(WebAddress::shown(m_url), sizeText(m_received.body.size()))));
        return;
    }
    QObject::timerEvent(event);
}

void HttpRequest::finish(Expected<HttpReply> outcome) {
    Completion done = std::move(m_done);
    m_done = nullptr;
    ++m_generation;
    m_silence.stop();
    m_deadline.stop();
    dropExchange();
    m_received = HttpReply{};
    if (done)
        done(std::move(outcome));
}

void HttpRequest::dropExchange() {
    // Reset before the exchange is destroyed: a destructor that ends the transfer tells nothing.
    std::unique_ptr<HttpExchange> exchange = std::move(m_exchange);
}

} // namespace quillmere
