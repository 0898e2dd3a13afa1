#pragma once

#include "VexoNetwork/HttpTransport.h"

#include <QObject>

namespace quillmere {

// The network library of the VexoNetworkPlugin plug-in: GET requests carried out by Qt Network,
// through one QNetworkAccessManager per NetworkAccess, made at its first request.
class QtHttpTransport final : public QObject, public HttpTransport {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QUILLMERE_HTTP_TRANSPORT_IID)
    Q_INTERFACES(quillmere::HttpTransport)

public:
    std::unique_ptr<HttpExchange> get(QObject& owner, const QUrl& url,
                                      const QList<QPair<QByteArray, QByteArray>>& headers,
                                      HttpExchange::Observer& observer) override;
};

} // namespace quillmere
