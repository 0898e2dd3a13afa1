#include "VexoNetwork/plugin/QtHttpExchange.h"

#include <QNetworkReply>
#include <QSslError>

namespace quillmere {

QtHttpExchange::QtHttpExchange(QNetworkReply* reply, Observer& observer) : m_reply(reply) {
    // Each connection is undone when the exchange goes (the network layer's own connections to
    // the reply stay).
    m_connections = {
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply,
                         [&observer] { observer.headArrived(); }),
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [&observer] { observer.bodyArrived(); }),
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                         [&observer] { observer.progressed(); }),
        QObject::connect(reply, &QNetworkReply::encrypted, reply, [&observer] { observer.secured(); }),
        QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                         [&observer](const QList<QSslError>& errors) {
                             QStringList descriptions;
                             for (const QSslError& error : errors)
                                 descriptions.append(error.errorString());
                             observer.certificateErrors(descriptions);
                         }),
        QObject::connect(reply, &QNetworkReply::finished, reply, [&observer] { observer.finished(); }),
    };
}

QtHttpExchange::~QtHttpExchange() {
    if (!m_reply)
        return;
    for (const QMetaObject::Connection& connection : m_connections)
        QObject::disconnect(connection);
    QNetworkReply* reply = m_reply;
    // Aborting ends the transfer at once and lets the network thread let go of the connection.
    // An answer with an error status is only deleted (which ends it too): the network layer sets
    // that status's error itself, later, and warns when an abort has set one before.
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!reply->isFinished() && reply->error() == QNetworkReply::NoError && status < 400)
        reply->abort();
    reply->deleteLater();
}

std::optional<int> QtHttpExchange::status() const {
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return std::nullopt;
    return status.toInt();
}

QString QtHttpExchange::reasonPhrase() const {
    return m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
}

std::optional<QByteArray> QtHttpExchange::headerField(const QByteArray& name) const {
    if (!m_reply->hasRawHeader(name))
        return std::nullopt;
    return m_reply->rawHeader(name);
}

std::optional<qint64> QtHttpExchange::announcedLength() const {
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (!length.isValid())
        return std::nullopt;
    return length.toLongLong();
}

void QtHttpExchange::limitBuffer(qint64 bytes) {
    m_reply->setReadBufferSize(bytes);
}

qint64 QtHttpExchange::bytesAvailable() const {
    return m_reply->bytesAvailable();
}

QByteArray QtHttpExchange::read(qint64 maximum) {
    return m_reply->read(maximum);
}

HttpExchange::Failure QtHttpExchange::failure() const {
    switch (m_reply->error()) {
    case QNetworkReply::NoError:
        return Failure::None;
    case QNetworkReply::ConnectionRefusedError:
        return Failure::ConnectionRefused;
    case QNetworkReply::HostNotFoundError:
        return Failure::HostNotFound;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return Failure::NetworkUnavailable;
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return Failure::Proxy;
    case QNetworkReply::SslHandshakeFailedError:
        return Failure::TlsHandshake;
    case QNetworkReply::RemoteHostClosedError:
        return Failure::RemoteHostClosed;
    case QNetworkReply::UnknownContentError:
        return Failure::UndecodableContent;
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return Failure::Protocol;
    default:
        return Failure::Other;
    }
}

QString QtHttpExchange::failureText() const {
    return m_reply->errorString();
}

QUrl QtHttpExchange::url() const {
    return m_reply->url();
}

} // namespace quillmere
