#include "tests/VexoUpdater/TestHttpServer.h"

#include <QHostAddress>

TestHttpServer::TestHttpServer() {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::onConnection);
}

TestHttpServer::~TestHttpServer() {
    for (const QPointer<QTcpSocket>& socket : m_sockets) {
        if (socket) {
            socket->disconnect(this);
            socket->abort();
            delete socket.data();
        }
    }
}

QUrl TestHttpServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(QString::number(m_server.serverPort()), path));
}

void TestHttpServer::redirect(const QString& path, const QByteArray& location, int status) {
    Response response;
    response.status = status;
    response.reason = "Found";
    response.headers.append({"Location", location});
    answer(path, response);
}

int TestHttpServer::totalRequests() const {
    int total = 0;
    for (const int count : m_requests)
        total += count;
    return total;
}

void TestHttpServer::onConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        m_sockets.append(socket);
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void TestHttpServer::onReadyRead(QTcpSocket* socket) {
    QByteArray& pending = m_pending[socket];
    pending += socket->readAll();
    const qsizetype end = pending.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = pending.left(end).split('\n');
    pending.remove(0, end + 4);
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    const QString path = QString::fromUtf8(requestLine.value(1));
    ++m_requests[path];
    QHash<QByteArray, QByteArray> headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    m_headers.insert(path, headers);

    const Response response = m_responses.value(path, Response{404, "Not Found", "no such feed", {}});
    if (response.silent)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    if (response.announcedLength >= 0)
        head += "Content-Length: " + QByteArray::number(response.announcedLength) + "\r\n";
    else if (response.contentLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    socket->write(response.body);
    if (response.contentLength || response.announcedLength >= 0)
        socket->flush();
    if (!response.contentLength)
        socket->disconnectFromHost();
}
