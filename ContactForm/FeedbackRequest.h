#pragma once

#include "VexoExtensions/Result.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace quillmere {

// One feedback request in flight: a GET of the address (the endpoint with the form's query), with
// the default cache policy, the given time-out, no body and no header fields of its own. It starts
// when constructed and reports its outcome once, through finished(), on the thread that made it.
//
// The outcome is a success exactly when the server answered with an HTTP status from 200 to 299
// and nothing failed. Otherwise its message says in plain words what happened, naming the address
// without its query (which holds the user's message): the server's HTTP status with its reason,
// a time-out, a refused connection, an unknown host, a failed secure connection...
//
// A redirect is followed only to the same scheme, and to an http address only when it is a
// loopback one: a redirect from https to http (or the other way) ends the request with a failure
// that says so. The time-out counts from the last data received, so a slow but steady answer is
// not cut off.
class FeedbackRequest final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{60'000};
    static constexpr int kMaximumRedirects = 10;

    FeedbackRequest(QNetworkAccessManager& network, const QUrl& address, std::chrono::milliseconds timeout,
                    QObject* parent = nullptr);
    ~FeedbackRequest() override;

    const QUrl& address() const { return m_address; }
    // The HTTP status of the answer, once it has arrived; none for a transport failure.
    std::optional<int> httpStatus() const { return m_httpStatus; }

signals:
    // Emitted once, when the answer has arrived or the request has failed.
    void finished(const brisquel::vexo::Result& outcome);

private:
    void onRedirected(const QUrl& target);
    void onFinished();
    brisquel::vexo::Result outcome() const;
    QString transportFailure() const;
    // The text, then a paragraph that names the endpoint (without its query).
    QString withAddress(const QString& text) const;

    QUrl m_address;
    std::chrono::milliseconds m_timeout;
    QPointer<QNetworkReply> m_reply;
    std::optional<int> m_httpStatus;
    std::optional<QUrl> m_refusedRedirect;
};

} // namespace quillmere
