#pragma once

#include "VexoExtensions/Result.h"
#include "VexoNetwork/HttpExchange.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QUrl>

#include <memory>

namespace quillmere {

// The network library: the one part of the program that speaks to Qt Network. It is a plug-in
// (VexoNetworkPlugin, see brisquel::vexo::loadApplicationPlugin), loaded at the first request, so
// that a session that sends nothing loads nothing of the network: neither Qt Network nor what it
// brings (Kerberos, the proxy lookup, the C++ streams they start).
class HttpTransport {
public:
    virtual ~HttpTransport() = default;

    // Starts a GET of `url` with these header fields through the connections kept by `owner` (a
    // NetworkAccess: its one child, a QNetworkAccessManager made at the first request through it),
    // reporting to `observer`. A server on this computer is reached directly, any other through
    // the proxy the system names. (The owner is known here by its QObject side only: the plug-in
    // uses nothing of the program's own classes, whose code the program does not export.)
    virtual std::unique_ptr<HttpExchange> get(QObject& owner, const QUrl& url,
                                              const QList<QPair<QByteArray, QByteArray>>& headers,
                                              HttpExchange::Observer& observer) = 0;

    // The network library, loaded at the first call; later calls give the same one. A failure
    // (an installation without it, or one the loader refuses) says which file and why.
    static brisquel::vexo::Expected<HttpTransport*> load();
};

} // namespace quillmere

#define QUILLMERE_HTTP_TRANSPORT_IID "com.tamberline.Quillmere.HttpTransport/1"
Q_DECLARE_INTERFACE(quillmere::HttpTransport, QUILLMERE_HTTP_TRANSPORT_IID)
