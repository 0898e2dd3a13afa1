#include "tests/ContactForm/LoopbackServer.h"

#include <QTcpSocket>

namespace contactformtest {

namespace {

QString formDecode(QByteArray encoded) {
    encoded.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(encoded));
}

} // namespace

QByteArray ReceivedRequest::path() const {
    const qsizetype question = target.indexOf('?');
    return question < 0 ? target : target.left(question);
}

QList<QPair<QString, QString>> ReceivedRequest::queryPairs() const {
    QList<QPair<QString, QString>> pairs;
    const qsizetype question = target.indexOf('?');
    if (question < 0)
        return pairs;
    for (const QByteArray& pair : target.mid(question + 1).split('&')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals < 0)
            pairs.append({formDecode(pair), QString()});
        else
            pairs.append({formDecode(pair.left(equals)), formDecode(pair.mid(equals + 1))});
    }
    return pairs;
}

bool ReceivedRequest::hasHeader(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

LoopbackServer::LoopbackServer() {
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackServer::accept);
    if (!m_server.listen(QHostAddress::LocalHost))
        qFatal("the test server cannot listen on 127.0.0.1");
}

QUrl LoopbackServer::url(const QString& path) const {
    QUrl address;
    address.setScheme(QStringLiteral("http"));
    address.setHost(QStringLiteral("127.0.0.1"));
    address.setPort(port());
    address.setPath(path);
    return address;
}

void LoopbackServer::accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++connections;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LoopbackServer::read(QTcpSocket* socket) {
    // Whatever has arrived so far is kept on the socket until the head is complete.
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("buffer", buffer);
        return;
    }
    socket->setProperty("buffer", QByteArray());
    ReceivedRequest request;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    request.body = buffer.mid(end + 4);
    requests.append(request);
    emit requestReceived();
    if (!answers)
        return;
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    if (!location.isEmpty())
        response += "Location: " + location + "\r\n";
    response += "Content-Length: 0\r\nConnection: close\r\n\r\n";
    socket->write(response);
    socket->disconnectFromHost();
}

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace contactformtest
