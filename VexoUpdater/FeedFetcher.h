#pragma once

#include "VexoExtensions/Result.h"
#include "VexoNetwork/HttpRequest.h"

#include <QByteArray>
#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

namespace quillmere {

// The bounds of fetching an update feed: five redirects, 15 seconds of silence, 30 seconds in all
// and 8 MB.
inline HttpLimits feedLimits() {
    return HttpLimits{5, std::chrono::seconds(15), std::chrono::seconds(30), qint64{8} * 1024 * 1024};
}

// Fetches an update feed: one request through the application's HTTP layer (see HttpRequest for
// the addresses, redirects, time and size limits it keeps), naming the other side "the update
// server", asking for RSS, sending the program's name and version as its user agent. Only status
// 200 is a feed; an empty answer is no feed either, and the failure says whether the answer came
// in chunks (the network layer ends a chunked answer whose chunk size it cannot read as if it had
// ended, so an empty chunked answer may be a broken one).
class FeedFetcher final : public QObject {
    Q_OBJECT

public:
    using Completion = std::function<void(brisquel::vexo::Expected<QByteArray>)>;

    explicit FeedFetcher(QObject* parent = nullptr);
    ~FeedFetcher() override;

    // Starts fetching url; `done` is called once, later, from the event loop (never from inside
    // this call), unless the fetch is cancelled or the fetcher destroyed first. A fetch already
    // running is cancelled.
    // The request goes through `network` (null: the application's).
    void fetch(const QUrl& url, const HttpLimits& limits, NetworkAccess* network, Completion done);
    // Stops the fetch running, if any; its completion is not called.
    void cancel();
    bool isRunning() const { return m_request && m_request->isRunning(); }

private:
    // Made at the first fetch: nothing of the network exists before.
    std::unique_ptr<HttpRequest> m_request;
};

} // namespace quillmere
