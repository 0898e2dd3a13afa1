#include "VexoNetwork/NetworkAccess.h"

#include "VexoNetwork/WebAddress.h"

#include <QCoreApplication>
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

} // namespace

NetworkAccess::NetworkAccess(QObject* parent) : QObject(parent) {}

NetworkAccess::~NetworkAccess() {
    // The manager's connections live on its network thread. Emptied before the manager goes (as
    // its own destructor does not), they are let go of while that thread still runs; a transfer
    // cancelled a moment before the end otherwise leaves its connection behind.
    if (m_manager)
        m_manager->clearConnectionCache();
}

QNetworkAccessManager& NetworkAccess::manager() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!m_manager) {
        m_manager = new QNetworkAccessManager(this);
        m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        m_manager->setCookieJar(nullptr);
        m_manager->setProxyFactory(new SystemProxyExceptLoopback);
    }
    return *m_manager;
}

NetworkAccess& NetworkAccess::application() {
    static QPointer<NetworkAccess> shared;
    if (!shared) {
        QCoreApplication* application = QCoreApplication::instance();
        if (!application)
            qFatal("NetworkAccess::application() needs the application object");
        shared = new NetworkAccess(application);
        // Gone when the event loop ends, while the application object is still whole: a transfer
        // ended at the last moment is then let go of in order, not in the application's teardown.
        QObject::connect(application, &QCoreApplication::aboutToQuit, shared, [] { delete shared.data(); });
    }
    return *shared;
}

} // namespace quillmere
