#pragma once

#include "VexoNetwork/HttpExchange.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>

class QNetworkReply;

namespace quillmere {

// One GET carried out by a QNetworkReply, whose signals it passes on to its observer.
class QtHttpExchange final : public HttpExchange {
public:
    QtHttpExchange(QNetworkReply* reply, Observer& observer);
    // Ends the transfer if it still runs; the reply is deleted from the event loop.
    ~QtHttpExchange() override;
    QtHttpExchange(const QtHttpExchange&) = delete;
    QtHttpExchange& operator=(const QtHttpExchange&) = delete;

    std::optional<int> status() const override;
    QString reasonPhrase() const override;
    std::optional<QByteArray> headerField(const QByteArray& name) const override;
    std::optional<qint64> announcedLength() const override;
    void limitBuffer(qint64 bytes) override;
    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maximum) override;
    Failure failure() const override;
    QString failureText() const override;
    QUrl url() const override;

private:
    QPointer<QNetworkReply> m_reply;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace quillmere
