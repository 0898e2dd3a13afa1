#pragma once

#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QUrl>

#include <chrono>
#include <optional>

class QTcpSocket;

namespace testsupport {

// One HTTP request as it reached the server.
struct ReceivedRequest {
    QByteArray method;
    QByteArray target; // path and query, as sent
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray path() const { return target.split('?').value(0); }
    // The query's pairs decoded as an HTML form's endpoint would decode them: split at "&" and at
    // the first "=", "+" read as a space, then percent-decoded and read as UTF-8.
    QList<QPair<QString, QString>> queryPairs() const;
    // The value of the first header of that name (in any case); empty when none.
    QByteArray header(const QByteArray& name) const;
};

// How the server answers one path: well by default, or in any of the ways a broken or hostile server
// does. Large and endless bodies are made as they are sent, never held whole.
struct HttpAnswer {
    enum class Framing {
        Sized,   // Content-Length: the body's real length, unless announcedLength lies
        Unsized, // no length: the end of the connection ends the body
        Chunked, // Transfer-Encoding: chunked, one chunk per block, then the last chunk
    };

    int status = 200;
    QByteArray reason = "OK";
    QList<QPair<QByteArray, QByteArray>> headers{};
    QByteArray body{};
    Framing framing = Framing::Sized;
    std::optional<qint64> announcedLength{}; // instead of the body's real length: a lying server
    qint64 filler = 0;                       // then this many spaces, made as they are sent; -1: no end
    std::chrono::milliseconds drip{0};       // one byte of the body (or of raw) per interval, when set
    bool silent = false;                     // the request read, never answered
    QByteArray raw{}; // sent as it stands (a broken head), then the filler, instead of head and body
};

// An answer that sends the client on to `location`.
HttpAnswer redirection(const QByteArray& location, int status = 302);

// A small HTTP/1.1 server on a loopback address in the process, for tests and examples: it records every
// request, answers each path as told (else 404, or the default answer), closes the connection after
// each answer, says 400 to what is no request (https asked of it), and writes only as fast as the
// other side reads, so an endless answer costs no memory here.
class TestHttpServer final : public QObject {
    Q_OBJECT

public:
    // Listens on 127.0.0.1 on a free port; the process stops when it cannot (no test can run).
    TestHttpServer();
    // Listens on address:port, which must be a loopback address; see isListening().
    TestHttpServer(const QHostAddress& address, quint16 port);
    ~TestHttpServer() override;

    bool isListening() const { return m_server.isListening(); }
    QString errorString() const { return m_server.errorString(); }
    quint16 port() const { return m_server.serverPort(); }
    QUrl url(const QString& path = QStringLiteral("/")) const; // http://127.0.0.1:<port><path>

    void answer(const QString& path, const HttpAnswer& answer) { m_answers.insert(path, answer); }
    void answer(const QString& path, const QByteArray& body) { answer(path, HttpAnswer{.body = body}); }
    void redirect(const QString& path, const QByteArray& location, int status = 302) {
        answer(path, redirection(location, status));
    }
    // The answer to every path not named by answer().
    void answerEverything(HttpAnswer answer) { m_default = std::move(answer); }

    // Requests received so far, in order, and the number to one path.
    QList<ReceivedRequest> requests;
    int requestCount(const QString& path) const;
    int connections = 0;

signals:
    void requestReceived(const testsupport::ReceivedRequest& request);

private:
    void accept();
    void read(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const HttpAnswer& answer);

    QTcpServer m_server;
    QHash<QString, HttpAnswer> m_answers;
    std::optional<HttpAnswer> m_default;
};

// A loopback port on which nothing listens (it was free a moment ago).
quint16 closedPort();

} // namespace testsupport
