#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace contactformtest {

// One HTTP request as it reached the server.
struct ReceivedRequest {
    QByteArray method;
    QByteArray target; // path and query, as sent
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray path() const;
    // The query's pairs decoded as an HTML form's endpoint would decode them: split at "&" and at
    // the first "=", "+" read as a space, then percent-decoded and read as UTF-8.
    QList<QPair<QString, QString>> queryPairs() const;
    bool hasHeader(const QByteArray& name) const;
};

// A small HTTP server on 127.0.0.1 inside the test process: it records every request and answers
// each as told (a status, a redirect, or no answer at all). Every test makes its own.
class LoopbackServer final : public QObject {
    Q_OBJECT

public:
    LoopbackServer();

    quint16 port() const { return m_server.serverPort(); }
    // http://127.0.0.1:<port><path>
    QUrl url(const QString& path = QStringLiteral("/email/app-feedback")) const;

    // How the next requests are answered.
    int status = 200;
    QByteArray reason = "OK";
    QByteArray location; // sent as Location when not empty
    bool answers = true; // false: read the request and never answer

    QList<ReceivedRequest> requests;
    int connections = 0;

signals:
    void requestReceived();

private:
    void accept();
    void read(QTcpSocket* socket);

    QTcpServer m_server;
};

// A loopback port on which nothing listens (it was free a moment ago).
quint16 closedPort();

} // namespace contactformtest
