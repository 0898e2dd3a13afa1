#pragma once

#include "VexoExtensions/Result.h"
#include "VexoUpdater/Appcast.h"
#include "VexoUpdater/FeedFetcher.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

namespace quillmere {

// What a completed update check found.
struct UpdateCheckOutcome {
    // The running program's CFBundleVersion (compared) and CFBundleShortVersionString (shown).
    QString currentVersion;
    QString currentShortVersion;
    // The newest item of the feed that applies here; none when none does.
    std::optional<AppcastItem> newest;
    // Whether newest is newer than the running program.
    bool updateAvailable = false;
    // Broken items of the feed that were left out: how many, and the first few in words (see
    // AppcastReading).
    int problemCount = 0;
    QStringList problems;

    QString currentDisplayVersion() const {
        return currentShortVersion.isEmpty() ? currentVersion : currentShortVersion;
    }
};

// Everything one check depends on.
struct UpdateCheckRequest {
    QUrl feedURL;
    QString currentVersion;
    QString currentShortVersion;
    AppcastCriteria criteria;
    // The bounds of the fetch; its deadline bounds the whole check: fetching, reading and choosing.
    HttpLimits limits = feedLimits();
    // The provider of the network manager; null: the application's.
    NetworkAccess* network = nullptr;

    // A request for the running program: its versions from the information dictionary, the
    // system from `report`, betas as the setting says (see UpdateSettings.h).
    static UpdateCheckRequest forThisProgram(const QUrl& feedURL);
};

// One update check: fetches the feed, reads it away from the calling thread and compares the
// newest applicable item with the running version, all within the request's deadline.
//
// Fails, with the reason, when the program's own version is missing or not a version, when the
// feed cannot be fetched (see FeedFetcher), when it cannot be read (see Appcast), and when the
// whole check takes longer than its deadline (the reading, which cannot be stopped half-way, is
// then left to end on its own, and its result is dropped).
class UpdateCheck final : public QObject {
    Q_OBJECT

public:
    using Completion = std::function<void(brisquel::vexo::Expected<UpdateCheckOutcome>)>;

    explicit UpdateCheck(QObject* parent = nullptr);
    ~UpdateCheck() override;

    // Starts the check; `done` is called once, later, on this object's thread, unless the check is
    // cancelled or destroyed first. A check already running is cancelled.
    void start(const UpdateCheckRequest& request, Completion done);
    void cancel();
    bool isRunning() const { return static_cast<bool>(m_done); }

    // The comparison on its own, for a feed already at hand.
    static brisquel::vexo::Expected<UpdateCheckOutcome> evaluate(const QByteArray& feed,
                                                                 const UpdateCheckRequest& request);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void finishNow(brisquel::vexo::Expected<UpdateCheckOutcome> outcome);

    FeedFetcher m_fetcher;
    QBasicTimer m_deadline;
    QElapsedTimer m_clock;
    std::chrono::milliseconds m_allowed{0};
    QUrl m_feedURL;
    QFutureWatcher<brisquel::vexo::Expected<UpdateCheckOutcome>> m_reading;
    Completion m_done;
    quint64 m_generation = 0;
    quint64 m_readingGeneration = 0;
};

} // namespace quillmere
