#pragma once

#include "VexoExtensions/Result.h"
#include "VexoNetwork/HttpRequest.h"

#include <QObject>
#include <QUrl>

#include <chrono>

namespace quillmere {

// One feedback request in flight: a GET of the address (the endpoint with the form's query), with
// no body and no header fields of its own, through the application's HTTP layer (see HttpRequest
// for the addresses, redirects and limits it keeps; a redirect is followed only to the same
// scheme). It starts when constructed and reports its outcome once, through finished(), from the
// event loop of the thread that made it.
//
// The outcome is a success exactly when the server answered with an HTTP status from 200 to 299
// and nothing failed; the answer's body is never read, so the request ends as soon as the status
// has arrived, however large or slow the rest would be. Otherwise the message says in plain words
// what happened, then names the address without its query (which holds the user's message).
class FeedbackRequest final : public QObject {
    Q_OBJECT

public:
    // The server's silence after which the request is given up.
    static constexpr std::chrono::milliseconds kDefaultTimeout{60'000};

    // The limits of a request that gives up after `silence` without a sign of the server: twice
    // that for the whole request, redirects included.
    static HttpLimits limits(std::chrono::milliseconds silence = kDefaultTimeout);

    // The request goes through `network` (null: the application's).
    FeedbackRequest(const QUrl& address, const HttpLimits& limits, QObject* parent = nullptr,
                    NetworkAccess* network = nullptr);
    ~FeedbackRequest() override;

    const QUrl& address() const { return m_address; }

signals:
    // Emitted once, when the answer has arrived or the request has failed.
    void finished(const brisquel::vexo::Result& outcome);

private:
    QUrl m_address;
    HttpRequest m_request;
};

} // namespace quillmere
