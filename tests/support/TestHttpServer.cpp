#include "tests/support/TestHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cctype>

namespace testsupport {

namespace {

constexpr qint64 kBlockSize = 64 * 1024;
// A request head larger than this is refused (431), so a runaway client cannot fill memory.
constexpr qsizetype kMaximumHeadSize = 1 << 20;
// What may wait in the socket's buffer before the server makes more.
constexpr qint64 kWriteAhead = 256 * 1024;

QString formDecode(QByteArray encoded) {
    encoded.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(encoded));
}

QByteArray chunk(const QByteArray& data) {
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
}

// One answer's bytes, made as they are asked for: the filler a block at a time, chunked or not.
class AnswerStream final : public QObject {
public:
    AnswerStream(QTcpSocket* socket, const HttpAnswer& answer)
        : QObject(socket), m_socket(socket), m_filler(answer.filler),
          m_chunked(answer.raw.isEmpty() && answer.framing == HttpAnswer::Framing::Chunked) {
        const bool composed = answer.raw.isEmpty();
        if (composed && !answer.body.isEmpty())
            m_ready = m_chunked ? chunk(answer.body) : answer.body;
        // A composed answer drips only its body: its head goes at once, as a slow server's does.
        if (composed && answer.drip.count() > 0)
            socket->write(head(answer));
        else
            m_ready.prepend(composed ? head(answer) : answer.raw);
        if (answer.drip.count() > 0) {
            auto* timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, [this] { write(1); });
            timer->start(answer.drip);
        } else {
            connect(socket, &QTcpSocket::bytesWritten, this, [this] { pump(); });
            pump();
        }
    }

private:
    static QByteArray head(const HttpAnswer& answer) {
        QByteArray out = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + answer.reason + "\r\n";
        for (const auto& [name, value] : answer.headers)
            out += name + ": " + value + "\r\n";
        if (answer.framing == HttpAnswer::Framing::Chunked)
            out += "Transfer-Encoding: chunked\r\n";
        else if (answer.framing == HttpAnswer::Framing::Sized &&
                 (answer.announcedLength || answer.filler >= 0))
            out += "Content-Length: " +
                   QByteArray::number(answer.announcedLength.value_or(answer.body.size() + answer.filler)) +
                   "\r\n";
        return out + "Connection: close\r\n\r\n";
    }

    // Makes the next bytes when none wait; false (ending the connection) once all are made or it is gone.
    bool make() {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return false;
        if (!m_ready.isEmpty())
            return true;
        if (m_filler != 0) {
            const qint64 size = m_filler < 0 ? kBlockSize : qMin(kBlockSize, m_filler);
            if (m_filler > 0)
                m_filler -= size;
            const QByteArray block(size, ' ');
            m_ready = m_chunked ? chunk(block) : block;
            return true;
        }
        if (m_chunked) {
            m_chunked = false;
            m_ready = "0\r\n\r\n";
            return true;
        }
        m_socket->disconnectFromHost();
        deleteLater();
        return false;
    }

    void write(qint64 most) {
        if (!make())
            return;
        const QByteArray piece = m_ready.left(most);
        m_ready.remove(0, piece.size());
        m_socket->write(piece);
    }

    void pump() {
        while (m_socket->bytesToWrite() < kWriteAhead && make())
            write(kBlockSize);
    }

    QTcpSocket* m_socket;
    QByteArray m_ready;
    qint64 m_filler;
    bool m_chunked;
};

} // namespace

QList<QPair<QString, QString>> ReceivedRequest::queryPairs() const {
    QList<QPair<QString, QString>> pairs;
    const qsizetype question = target.indexOf('?');
    if (question < 0)
        return pairs;
    for (const QByteArray& pair : target.mid(question + 1).split('&')) {
        const qsizetype equals = pair.indexOf('='); // none: the whole pair is the name
        pairs.append(
            {formDecode(pair.left(equals)), equals < 0 ? QString() : formDecode(pair.mid(equals + 1))});
    }
    return pairs;
}

QByteArray ReceivedRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

TestHttpServer::TestHttpServer() : TestHttpServer(QHostAddress::LocalHost, 0) {
    if (!isListening())
        qFatal("the test HTTP server cannot listen on 127.0.0.1: %s", qUtf8Printable(errorString()));
}

TestHttpServer::TestHttpServer(const QHostAddress& address, quint16 port) {
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
    if (address.isLoopback())
        m_server.listen(address, port);
}

TestHttpServer::~TestHttpServer() {
    // Connections still open end with the server, without telling it anything more.
    for (QTcpSocket* socket : findChildren<QTcpSocket*>()) {
        socket->disconnect(this);
        socket->abort();
    }
}

QUrl TestHttpServer::url(const QString& path) const {
    QUrl address(QStringLiteral("http://127.0.0.1:%1").arg(port()));
    address.setPath(path);
    return address;
}

int TestHttpServer::requestCount(const QString& path) const {
    return int(std::count_if(requests.begin(), requests.end(), [&](const ReceivedRequest& request) {
        return QString::fromUtf8(request.path()) == path;
    }));
}

void TestHttpServer::accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++connections;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TestHttpServer::read(QTcpSocket* socket) {
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    // Whatever has arrived so far is kept on the socket until the head is complete.
    const QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    socket->setProperty("buffer", end < 0 && buffer.size() <= kMaximumHeadSize ? buffer : QByteArray());
    // What does not begin like a request (a TLS handshake) gets a plain HTTP answer at once.
    if (!buffer.isEmpty() && !std::isupper(static_cast<unsigned char>(buffer.front())))
        return respond(socket, {.status = 400, .reason = "Bad Request"});
    if (end < 0) {
        if (buffer.size() > kMaximumHeadSize)
            respond(socket, {.status = 431, .reason = "Request Header Fields Too Large"});
        return;
    }
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
    emit requestReceived(request);

    respond(socket, m_answers.value(QString::fromUtf8(request.path()),
                                    m_default.value_or(HttpAnswer{
                                        .status = 404, .reason = "Not Found", .body = "nothing here"})));
}

void TestHttpServer::respond(QTcpSocket* socket, const HttpAnswer& answer) {
    socket->setProperty("answered", true);
    if (answer.silent)
        return;
    new AnswerStream(socket, answer);
}

HttpAnswer redirection(const QByteArray& location, int status) {
    return {.status = status, .reason = "Found", .headers = {{"Location", location}}};
}

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace testsupport
