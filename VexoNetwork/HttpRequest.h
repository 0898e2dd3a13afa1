#pragma once

#include "VexoExtensions/Result.h"
#include "VexoNetwork/HttpExchange.h"

#include <QBasicTimer>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

namespace quillmere {

class HttpTransport;
class NetworkAccess;

// Bounds on one request, so that a hostile or broken server can hold it neither forever nor with
// all the memory there is.
struct HttpLimits {
    // Redirects followed, in all.
    int maximumRedirects = 5;
    // The longest wait for the connection and, after it, between any two pieces of the answer.
    std::chrono::milliseconds silence{30'000};
    // The longest the whole request may take, redirects included: a server that sends one byte a
    // second keeps the silence away but not this.
    std::chrono::milliseconds deadline{60'000};
    // The most body bytes read (after decompression), counted as they arrive: an announced length
    // over it ends the request at once, a body without one (chunked, or ended by the connection)
    // ends it when the count passes it.
    qint64 maximumSize = qint64{8} * 1024 * 1024;
};

// How one kind of request is made and judged.
struct HttpPolicy {
    HttpLimits limits;
    // The statuses that count as success, inclusive.
    int firstSuccess = 200;
    int lastSuccess = 299;
    // Whether the body of a success is read. When not, the outcome is known as soon as the status
    // has arrived, and the request ends there: nothing of the body is kept.
    bool readBody = true;
    // How messages name the other side, in lower case, as in "the update server".
    QString server = QStringLiteral("the server");
    // Header fields sent besides those of the protocol.
    QList<QPair<QByteArray, QByteArray>> headers;
    // Null: the application's (NetworkAccess::application()).
    NetworkAccess* network = nullptr;
};

// What a successful request received.
struct HttpReply {
    int status = 0;
    QString reasonPhrase;
    // Empty unless the policy reads bodies.
    QByteArray body;
    // The address that answered, after redirects.
    QUrl url;
    // Whether the body came in chunks (Transfer-Encoding: chunked).
    bool chunked = false;
};

// One GET request with the application's rules, used by everything that goes on the network.
//
// - Addresses: only those WebAddress::check() accepts, the first and every redirect target; a
//   redirect is followed only to the scheme of the first address, at most limits.maximumRedirects
//   times (Refused otherwise).
// - Time: the silence limit and the whole-request deadline of HttpLimits (Unavailable).
// - Size: the body is counted as it arrives against limits.maximumSize (TooLarge); the body of an
//   answer that is no success is never read.
// - Success: a status in the policy's range (else NotFound for 404 and 410, Unavailable for the
//   rest), nothing failing on the way.
// - Proxies, cookies, cache: see NetworkAccess.
// - The network library (HttpTransport) is loaded at the first start; an installation without it
//   fails every request with Unavailable, naming the missing file.
//
// A failure's message is one plain sentence first, for the person who asked, then a paragraph of
// technical detail: the address (without its query, which may hold what the user wrote) and the
// cause as the network layer gives it. A failure of the secure connection says so (TLS). Text
// that comes from the server (a reason phrase) is shown with visible escapes, never as control
// characters.
class HttpRequest final : public QObject, private HttpExchange::Observer {
    Q_OBJECT

public:
    using Completion = std::function<void(brisquel::vexo::Expected<HttpReply>)>;

    explicit HttpRequest(HttpPolicy policy, QObject* parent = nullptr);
    ~HttpRequest() override;

    // Starts the request; `done` is called once, later, from the event loop (never from inside
    // this call), unless the request is cancelled or this object destroyed first. A request
    // already running is cancelled.
    void start(const QUrl& url, Completion done);
    // Stops the request running, if any; its completion is not called.
    void cancel();
    bool isRunning() const { return static_cast<bool>(m_done); }

    const HttpPolicy& policy() const { return m_policy; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // HttpExchange::Observer
    void headArrived() override;
    void bodyArrived() override;
    void progressed() override;
    void secured() override;
    void certificateErrors(const QStringList& errors) override;
    void finished() override;

    void send(const QUrl& url);
    void followRedirect(const QUrl& target);
    brisquel::vexo::Result statusFailure(int status) const;
    brisquel::vexo::Result transportFailure() const;
    brisquel::vexo::Result failure(brisquel::vexo::Status status, const QString& sentence,
                                   const QString& detail) const;
    // The sentence's first letter in upper case, for a sentence that begins with the server.
    QString server() const;
    QString serverAtStart() const;
    void finish(brisquel::vexo::Expected<HttpReply> outcome);
    void dropExchange();

    HttpPolicy m_policy;
    Completion m_done;
    HttpTransport* m_transport = nullptr;
    std::unique_ptr<HttpExchange> m_exchange;
    // Counts the exchanges sent, so that one that ends inside a handler is told from the next.
    quint64 m_exchanges = 0;
    QBasicTimer m_silence;
    QBasicTimer m_deadline;
    QUrl m_firstUrl;
    QUrl m_url;
    int m_redirects = 0;
    // Counts starts, cancels and ends, so that an outcome posted for an earlier start is dropped.
    quint64 m_generation = 0;
    bool m_headRead = false;
    bool m_encrypted = false;
    bool m_anythingArrived = false;
    QStringList m_tlsErrors;
    HttpReply m_received;
};

} // namespace quillmere
