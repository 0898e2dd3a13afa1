#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A small HTTP/1.1 server on 127.0.0.1 inside the test process, answering each path as told.
class TestHttpServer final : public QObject {
    Q_OBJECT

public:
    struct Response {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        // Announce the body's length (else the connection's end ends the body).
        bool contentLength = true;
        // Accept the connection and never answer.
        bool silent = false;
        // Announce this many bytes and send only the body (a lying server).
        qint64 announcedLength = -1;
    };

    TestHttpServer();
    ~TestHttpServer() override;

    bool isListening() const { return m_server.isListening(); }
    QUrl url(const QString& path) const;

    void answer(const QString& path, Response response) { m_responses.insert(path, std::move(response)); }
    void answer(const QString& path, const QByteArray& body) { answer(path, Response{200, "OK", body, {}}); }
    void redirect(const QString& path, const QByteArray& location, int status = 302);

    int requests(const QString& path) const { return m_requests.value(path); }
    int totalRequests() const;
    // The headers of the last request to a path, lower-case names.
    QHash<QByteArray, QByteArray> lastHeaders(const QString& path) const { return m_headers.value(path); }

private:
    void onConnection();
    void onReadyRead(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    QHash<QString, int> m_requests;
    QHash<QString, QHash<QByteArray, QByteArray>> m_headers;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QList<QPointer<QTcpSocket>> m_sockets;
};
