#include "VexoUpdater/FeedFetcher.h"

#include "VexoExtensions/MainBundle.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

QString shown(const QUrl& url) {
    return url.toDisplayString(QUrl::RemoveUserInfo);
}

QString seconds(std::chrono::milliseconds duration) {
    const double value = static_cast<double>(duration.count()) / 1000.0;
    return QString::number(value, 'g', 3);
}

QString megabytes(qint64 bytes) {
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'g', 3);
}

} // namespace

FeedFetcher::FeedFetcher(FetchLimits limits, QObject* parent)
    : QObject(parent), m_limits(limits), m_manager(new QNetworkAccessManager(this)) {
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_manager->setCookieJar(nullptr);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        finish(Result::failure(Status::Unavailable,
                               QStringLiteral("The update server at %1 did not answer within %2 seconds.")
                                   .arg(shown(m_url), seconds(m_limits.timeout))));
    });
}

FeedFetcher::~FeedFetcher() {
    m_done = nullptr;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

bool FeedFetcher::isLoopbackHost(const QString& host) {
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

Result FeedFetcher::checkAddress(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty())
        return Result::failure(Status::Refused,
                               QStringLiteral("\"%1\" is not a web address.").arg(url.toDisplayString()));
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return {};
    if (scheme == QLatin1String("http") && isLoopbackHost(url.host()))
        return {};
    return Result::failure(
        Status::Refused,
        QStringLiteral("%1 is not an https address; update feeds are fetched over https only.")
            .arg(shown(url)));
}

void FeedFetcher::fetch(const QUrl& url, Completion done) {
    cancel();
    m_done = std::move(done);
    m_firstUrl = url;
    m_url = url;
    m_redirects = 0;
    m_body.clear();
    if (const Result allowed = checkAddress(url); !allowed) {
        // Told from the event loop, like every other outcome.
        QTimer::singleShot(0, this, [this, allowed] { finish(allowed); });
        return;
    }
    m_deadline.start(m_limits.timeout);
    request(url);
}

void FeedFetcher::cancel() {
    m_done = nullptr;
    m_deadline.stop();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
}

void FeedFetcher::request(const QUrl& url) {
    m_url = url;
    m_body.clear();
    // A feed served on this machine is reached directly, whatever proxy the environment names.
    m_manager->setProxy(isLoopbackHost(url.host()) ? QNetworkProxy(QNetworkProxy::NoProxy)
                                                   : QNetworkProxy(QNetworkProxy::DefaultProxy));
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    const QString version = brisquel::vexo::MainBundle::text(QStringLiteral("CFBundleShortVersionString"));
    const QString name = brisquel::vexo::MainBundle::text(QStringLiteral("CFBundleName"));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("%1/%2").arg(name.isEmpty() ? QStringLiteral("Quillmere") : name,
                                                  version.isEmpty() ? QStringLiteral("0") : version));
    request.setRawHeader("Accept", "application/rss+xml, application/xml;q=0.9, text/xml;q=0.9, */*;q=0.1");
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &FeedFetcher::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &FeedFetcher::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &FeedFetcher::onFinished);
}

void FeedFetcher::onMetaData() {
    if (!m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant announced = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (status == 200 && announced.isValid() && announced.toLongLong() > m_limits.maximumSize) {
        finish(Result::failure(
            Status::TooLarge,
            QStringLiteral("The update feed at %1 is too large (%2 MB; at most %3 MB are read).")
                .arg(shown(m_url), megabytes(announced.toLongLong()), megabytes(m_limits.maximumSize))));
    }
}

void FeedFetcher::onReadyRead() {
    if (!m_reply)
        return;
    m_body += m_reply->read(m_limits.maximumSize + 1 - m_body.size());
    if (m_body.size() > m_limits.maximumSize) {
        finish(Result::failure(
            Status::TooLarge, QStringLiteral("The update feed at %1 is larger than %2 MB, more than is read.")
                                  .arg(shown(m_url), megabytes(m_limits.maximumSize))));
    }
}

void FeedFetcher::onFinished() {
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();

    if (status >= 300 && status < 400 && reply->hasRawHeader("Location")) {
        const QUrl target = m_url.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
        reply->disconnect(this);
        reply->deleteLater();
        m_reply = nullptr;
        if (++m_redirects > m_limits.maximumRedirects) {
            finish(Result::failure(
                Status::Refused,
                QStringLiteral("The update feed at %1 redirects more than %2 times; it was not read.")
                    .arg(shown(m_firstUrl), QString::number(m_limits.maximumRedirects))));
            return;
        }
        const Result allowed = checkAddress(target);
        if (!allowed || target.scheme().compare(m_firstUrl.scheme(), Qt::CaseInsensitive) != 0) {
            finish(Result::failure(
                Status::Refused,
                QStringLiteral("The update feed at %1 redirects to %2, which is not followed: %3")
                    .arg(shown(m_url), shown(target),
                         allowed ? QStringLiteral("it changes the kind of address.") : allowed.message())));
            return;
        }
        request(target);
        return;
    }

    if (status == 0 || reply->error() != QNetworkReply::NoError) {
        if (status == 0 || status == 200) {
            finish(Result::failure(Status::Unavailable,
                                   QStringLiteral("Could not read the update feed at %1: %2")
                                       .arg(shown(m_url), reply->errorString())));
            return;
        }
    }
    if (status != 200) {
        const Status kind = (status == 404 || status == 410) ? Status::NotFound : Status::Unavailable;
        const QString answer = reason.isEmpty()
                                   ? QString::number(status)
                                   : QStringLiteral("%1 %2").arg(QString::number(status), reason);
        finish(Result::failure(
            kind, QStringLiteral("The update server answered \"%1\" for %2.").arg(answer, shown(m_url))));
        return;
    }
    onReadyRead();
    if (m_done)
        finish(std::move(m_body));
}

void FeedFetcher::finish(Expected<QByteArray> outcome) {
    Completion done = std::move(m_done);
    m_done = nullptr;
    m_deadline.stop();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_body.clear();
    if (done)
        done(std::move(outcome));
}

} // namespace quillmere
