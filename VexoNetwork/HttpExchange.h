#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace quillmere {

// One GET as the network library carries it out, for HttpRequest, which judges it: the answer's
// head and body as they arrive, and how the exchange failed. It follows no redirect, keeps no
// cookie and caches nothing; everything else (which address, how long, how much) is HttpRequest's.
//
// The network library, a plug-in (see HttpTransport), makes it; this interface is all the program
// knows of it, so that the program itself needs nothing of Qt Network. Destroying an exchange ends
// its transfer if it still runs.
class HttpExchange {
public:
    // What happens to an exchange, told as it happens, from the event loop of the thread that
    // started it. The observer may destroy the exchange from within any of these calls.
    class Observer {
    public:
        // The status line and the header fields arrived (again, after an informational status).
        virtual void headArrived() = 0;
        // Body bytes are ready to be read.
        virtual void bodyArrived() = 0;
        // Some part of the answer arrived.
        virtual void progressed() = 0;
        // The secure connection's handshake completed.
        virtual void secured() = 0;
        // The secure connection's certificate checks failed, each with its description.
        virtual void certificateErrors(const QStringList& errors) = 0;
        // The exchange ended, completely or not (see failure()).
        virtual void finished() = 0;

    protected:
        ~Observer() = default;
    };

    // How an exchange failed, as far as HttpRequest tells the kinds apart.
    enum class Failure {
        None,
        ConnectionRefused,
        HostNotFound,
        NetworkUnavailable,
        Proxy,
        TlsHandshake,
        RemoteHostClosed,
        UndecodableContent, // a compressed body that could not be unpacked
        Protocol,           // an answer that is not valid HTTP
        Other,
    };

    virtual ~HttpExchange() = default;

    // The HTTP status, once a head has arrived.
    virtual std::optional<int> status() const = 0;
    virtual QString reasonPhrase() const = 0;
    // A header field of the answer, as sent; none when it was not sent.
    virtual std::optional<QByteArray> headerField(const QByteArray& name) const = 0;
    // The body's length as the answer announces it, when it does.
    virtual std::optional<qint64> announcedLength() const = 0;
    // The most the network library holds of the body before it is read: it stops reading from the
    // connection while this much waits.
    virtual void limitBuffer(qint64 bytes) = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray read(qint64 maximum) = 0;
    virtual Failure failure() const = 0;
    // The network library's own description of the failure.
    virtual QString failureText() const = 0;
    // The address as the network library has it (its failure text names it so).
    virtual QUrl url() const = 0;
};

} // namespace quillmere
