#include "VexoUpdater/FeedFetcher.h"

#include "VexoExtensions/MainBundle.h"
#include "VexoNetwork/WebAddress.h"

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::MainBundle;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

FeedFetcher::FeedFetcher(QObject* parent) : QObject(parent) {}

FeedFetcher::~FeedFetcher() = default;

void FeedFetcher::fetch(const QUrl& url, const HttpLimits& limits, NetworkAccess* network, Completion done) {
    cancel();
    HttpPolicy policy;
    policy.limits = limits;
    policy.network = network;
    policy.firstSuccess = 200;
    policy.lastSuccess = 200;
    policy.server = QStringLiteral("the update server");
    const QString name = MainBundle::text(QStringLiteral("CFBundleName"));
    const QString version = MainBundle::text(QStringLiteral("CFBundleShortVersionString"));
    policy.headers = {
        {"User-Agent", QStringLiteral("%1/%2")
                           .arg(name.isEmpty() ? QStringLiteral("Quillmere") : name,
                                version.isEmpty() ? QStringLiteral("0") : version)
                           .toUtf8()},
        {"Accept", "application/rss+xml, application/xml;q=0.9, text/xml;q=0.9, */*;q=0.1"},
    };
    // A fetch may start from the completion of the last one, inside that request's own call.
    if (m_request)
        m_request.release()->deleteLater();
    m_request = std::make_unique<HttpRequest>(std::move(policy));
    m_request->start(url, [done = std::move(done)](Expected<HttpReply> reply) {
        if (!reply) {
            done(reply.result());
            return;
        }
        if (reply->body.trimmed().isEmpty()) {
            const QString detail =
                WebAddress::shown(reply->url) +
                (reply->chunked ? QStringLiteral(": a chunked answer without data; a chunk "
                                                 "size that cannot be read ends one so")
                                : QStringLiteral(": an answer without data"));
            done(
                Result::failure(Status::Malformed,
                                QStringLiteral("The update server sent an empty answer instead of the update "
                                               "feed.\n\n") +
                                    detail));
            return;
        }
        done(std::move(reply->body));
    });
}

void FeedFetcher::cancel() {
    if (m_request)
        m_request->cancel();
}

} // namespace quillmere
