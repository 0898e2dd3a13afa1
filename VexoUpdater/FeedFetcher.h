#pragma once

#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace quillmere {

// Bounds on one fetch of an update feed, so that a hostile or broken server cannot hold the
// check forever or fill the memory.
struct FetchLimits {
    int maximumRedirects = 5;
    // For the whole fetch, redirects included.
    std::chrono::milliseconds timeout{30'000};
    qint64 maximumSize = qint64{8} * 1024 * 1024;
};

// Fetches an update feed over HTTP.
//
// Only https addresses are fetched, except from a loopback host (127.0.0.0/8, ::1, "localhost"),
// where plain http is taken too (a feed served on this machine, as tests do). Redirects are
// followed up to the limit, each to an address that is itself acceptable and of the same scheme
// as the first; never from https to anything else. Nothing is cached and no cookie is kept.
//
// Failures carry a message naming the address and the cause: an address refused (Refused), no
// answer within the time limit, a connection or TLS failure (Unavailable), an HTTP status other
// than 200 (NotFound for 404 and 410, else Unavailable), a body over the size limit, judged by the
// announced length before anything is read and by the bytes received (TooLarge), too many
// redirects (Refused).
class FeedFetcher final : public QObject {
    Q_OBJECT

public:
    using Completion = std::function<void(brisquel::vexo::Expected<QByteArray>)>;

    explicit FeedFetcher(FetchLimits limits = {}, QObject* parent = nullptr);
    ~FeedFetcher() override;

    // Starts fetching url; `done` is called once, later, from the event loop (never from inside
    // this call), unless the fetch is cancelled or the fetcher destroyed first. A fetch already
    // running is cancelled.
    void fetch(const QUrl& url, Completion done);
    // Stops the fetch running, if any; its completion is not called.
    void cancel();
    // Takes effect from the next fetch.
    void setLimits(const FetchLimits& limits) { m_limits = limits; }
    bool isRunning() const { return static_cast<bool>(m_done); }

    // Whether an address may be fetched at all: success, or Refused with the reason.
    static brisquel::vexo::Result checkAddress(const QUrl& url);
    static bool isLoopbackHost(const QString& host);

private:
    void request(const QUrl& url);
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void finish(brisquel::vexo::Expected<QByteArray> outcome);

    FetchLimits m_limits;
    QNetworkAccessManager* m_manager;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QUrl m_firstUrl;
    QUrl m_url;
    int m_redirects = 0;
    QByteArray m_body;
    Completion m_done;
};

} // namespace quillmere
