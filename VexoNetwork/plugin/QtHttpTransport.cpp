#include "VexoNetwork/plugin/QtHttpTransport.h"

#include "VexoNetwork/WebAddress.h"
#include "VexoNetwork/plugin/QtHttpExchange.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QThread>

namespace quillmere {

namespace {

// A server on this computer is reached directly: a proxy would either not know it or be the
// wrong computer to ask. Every other host goes through the proxy the system configures
// (on Linux the http_proxy, https_proxy and no_proxy variables), as a user expects.
class SystemProxyExceptLoopback final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        if (WebAddress::isLoopbackHost(query.peerHostName()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

// Keeps no cookie, follows no redirect by itself, and lets go of its connections before it goes.
class ConnectionManager final : public QNetworkAccessManager {
public:
    explicit ConnectionManager(QObject* parent) : QNetworkAccessManager(parent) {
        setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        setCookieJar(nullptr);
        setProxyFactory(new SystemProxyExceptLoopback);
    }
    // The connections live on the manager's network thread. Emptied before the manager goes (as
    // its own destructor does not), they are let go of while that thread still runs; a transfer
    // cancelled a moment before the end otherwise leaves its connection behind.
    ~ConnectionManager() override { clearConnectionCache(); }
};

} // namespace

std::unique_ptr<HttpExchange> QtHttpTransport::get(QObject& owner, const QUrl& url,
                                                   const QList<QPair<QByteArray, QByteArray>>& headers,
                                                   HttpExchange::Observer& observer) {
    Q_ASSERT(QThread::currentThread() == owner.thread());
    auto* manager = owner.findChild<QNetworkAccessManager*>(QString(), Qt::FindDirectChildrenOnly);
    if (!manager)
        manager = new ConnectionManager(&owner);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    return std::make_unique<QtHttpExchange>(manager->get(request), observer);
}

} // namespace quillmere
