#include "VexoUpdater/UpdateCheck.h"

#include "VexoExtensions/MainBundle.h"
#include "VexoNetwork/WebAddress.h"
#include "VexoUpdater/SystemReport.h"
#include "VexoUpdater/UpdateSettings.h"
#include "VexoUpdater/VersionComparator.h"

#include <QTimer>
#include <QTimerEvent>
#include <QtConcurrent/QtConcurrentRun>

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::MainBundle;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

UpdateCheckRequest UpdateCheckRequest::forThisProgram(const QUrl& feedURL) {
    UpdateCheckRequest request;
    request.feedURL = feedURL;
    request.currentVersion = MainBundle::text(QStringLiteral("CFBundleVersion")).trimmed();
    request.currentShortVersion = MainBundle::text(QStringLiteral("CFBundleShortVersionString")).trimmed();
    const std::shared_ptr<SystemReport> report = SystemReport::native();
    request.criteria.includeBetaReleases = UpdateSettings::includeBetaReleases.read();
    request.criteria.operatingSystem = report->operatingSystem();
    request.criteria.systemVersion = report->systemVersion();
    return request;
}

UpdateCheck::UpdateCheck(QObject* parent) : QObject(parent) {
    connect(&m_reading, &QFutureWatcherBase::finished, this, [this] {
        if (!m_done || m_readingGeneration != m_generation)
            return;
        finishNow(m_reading.result());
    });
}

UpdateCheck::~UpdateCheck() {
    m_done = nullptr;
    m_fetcher.cancel();
    // The reading holds only its own copies; waiting keeps the worker from outliving the watcher.
    m_reading.waitForFinished();
}

void UpdateCheck::start(const UpdateCheckRequest& request, Completion done) {
    cancel();
    m_done = std::move(done);
    m_feedURL = request.feedURL;
    m_allowed = request.limits.deadline;
    m_clock.start();
    const quint64 generation = m_generation;
    if (!VersionComparator::isVersion(request.currentVersion)) {
        const Result failure = Result::failure(
            Status::Malformed,
            request.currentVersion.isEmpty()
                ? QStringLiteral(
                      "This program does not know its own version (CFBundleVersion is missing), so it "
                      "cannot tell whether an update is newer.")
                : QStringLiteral(
                      "This program's own version \"%1\" is not a version number, so it cannot tell "
                      "whether an update is newer.")
                      .arg(request.currentVersion));
        QTimer::singleShot(0, this, [this, generation, failure] {
            if (generation == m_generation)
                finishNow(failure);
        });
        return;
    }
    // The fetch keeps the deadline itself; what remains of it after the fetch bounds the reading.
    m_fetcher.fetch(request.feedURL, request.limits, request.network,
                    [this, request, generation](Expected<QByteArray> body) {
                        if (generation != m_generation)
                            return;
                        if (!body) {
                            finishNow(body.result());
                            return;
                        }
                        const auto left = m_allowed - std::chrono::milliseconds(m_clock.elapsed());
                        m_deadline.start(static_cast<int>(std::max<qint64>(left.count(), 0)), this);
                        m_readingGeneration = generation;
                        m_reading.setFuture(QtConcurrent::run([feed = std::move(body).value(), request] {
                            return UpdateCheck::evaluate(feed, request);
                        }));
                    });
}

void UpdateCheck::cancel() {
    ++m_generation;
    m_done = nullptr;
    m_deadline.stop();
    m_fetcher.cancel();
}

void UpdateCheck::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_deadline.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    finishNow(
        Result::failure(Status::Unavailable,
                        QStringLiteral("The update check did not complete within %1 seconds.\n\n"
                                       "%2 arrived, but reading it took longer than the check may take.")
                            .arg(QString::number(static_cast<double>(m_allowed.count()) / 1000.0, 'g', 4),
                                 WebAddress::shown(m_feedURL))));
}

void UpdateCheck::finishNow(Expected<UpdateCheckOutcome> outcome) {
    m_deadline.stop();
    ++m_generation;
    Completion done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(std::move(outcome));
}

Expected<UpdateCheckOutcome> UpdateCheck::evaluate(const QByteArray& feed,
                                                   const UpdateCheckRequest& request) {
    const Expected<AppcastReading> reading =
        Appcast::readNewest(feed, request.criteria, WebAddress::shown(request.feedURL));
    if (!reading)
        return reading.result();
    UpdateCheckOutcome outcome;
    outcome.currentVersion = request.currentVersion;
    outcome.currentShortVersion = request.currentShortVersion;
    outcome.newest = reading->newest;
    outcome.problemCount = reading->problemCount;
    outcome.problems = reading->problems;
    outcome.updateAvailable =
        outcome.newest && VersionComparator::compare(outcome.newest->version, request.currentVersion) > 0;
    return outcome;
}

} // namespace quillmere
