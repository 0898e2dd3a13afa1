#include "FeedbackServer.h"

#include <QDateTime>
#include <QTcpSocket>

namespace quillmere {

namespace {

QString formDecode(QByteArray encoded) {
    encoded.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(encoded));
}

} // namespace

FeedbackServer::FeedbackServer(int status, QByteArray reason, QTextStream& out, QObject* parent)
    : QObject(parent), m_status(status), m_reason(std::move(reason)), m_out(out) {
    connect(&m_server, &QTcpServer::newConnection, this, &FeedbackServer::accept);
}

bool FeedbackServer::listen(const QHostAddress& address, quint16 port) {
    if (!address.isLoopback()) {
        m_server.close();
        return false;
    }
    return m_server.listen(address, port);
}

void FeedbackServer::accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FeedbackServer::read(QTcpSocket* socket) {
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        if (head.size() > kMaximumHeadSize)
            answer(socket, 431, "Request Header Fields Too Large");
        else
            socket->setProperty("head", head);
        return;
    }
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    if (requestLine.size() != 3) {
        answer(socket, 400, "Bad Request");
        return;
    }
    print(requestLine[0], requestLine[1]);
    answer(socket, m_status, m_reason);
}

void FeedbackServer::answer(QTcpSocket* socket, int status, const QByteArray& reason) {
    const QByteArray body = status >= 200 && status <= 299 ? QByteArray() : reason + '\n';
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
                  "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}

void FeedbackServer::print(const QByteArray& method, const QByteArray& target) {
    ++m_received;
    const qsizetype question = target.indexOf('?');
    m_out << "== message " << m_received << " at " << QDateTime::currentDateTime().toString(Qt::ISODate)
          << ": " << QString::fromLatin1(method) << ' '
          << QString::fromLatin1(target.left(question < 0 ? target.size() : question)) << " -> " << m_status
          << '\n';
    if (question >= 0) {
        for (const QByteArray& pair : target.mid(question + 1).split('&')) {
            const qsizetype equals = pair.indexOf('=');
            const QString name = formDecode(equals < 0 ? pair : pair.left(equals));
            const QString value = equals < 0 ? QString() : formDecode(pair.mid(equals + 1));
            // Values may span lines: each further line is indented under its name.
            m_out << name << ": " << QString(value).replace(u'\n', QStringLiteral("\n    ")) << '\n';
        }
    }
    m_out.flush();
}

} // namespace quillmere
