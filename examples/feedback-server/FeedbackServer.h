#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTextStream>

class QTcpSocket;

namespace quillmere {

// A stand-in for the feedback endpoint, for trying the form by hand: it listens on a loopback
// address only, prints every message it receives (the query's pairs, decoded as a web form's
// endpoint decodes them) and answers each request with the status it was given.
class FeedbackServer final : public QObject {
    Q_OBJECT

public:
    // A request head larger than this is refused (431), so a runaway client cannot fill memory.
    static constexpr qsizetype kMaximumHeadSize = 1 << 20;

    FeedbackServer(int status, QByteArray reason, QTextStream& out, QObject* parent = nullptr);

    // Listens on address:port (a loopback address only); false, with the reason in errorString(),
    // when that is not possible.
    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return m_server.errorString(); }
    quint16 port() const { return m_server.serverPort(); }

private:
    void accept();
    void read(QTcpSocket* socket);
    void answer(QTcpSocket* socket, int status, const QByteArray& reason);
    void print(const QByteArray& method, const QByteArray& target);

    QTcpServer m_server;
    int m_status;
    QByteArray m_reason;
    QTextStream& m_out;
    int m_received = 0;
};

} // namespace quillmere
