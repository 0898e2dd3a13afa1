#include "VexoUpdater/UpdateCheck.h"

#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/SystemReport.h"
#include "VexoUpdater/UpdateSettings.h"
#include "VexoUpdater/VersionComparator.h"

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
        Completion done = std::move(m_done);
        m_done = nullptr;
        done(m_reading.result());
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
    const quint64 generation = ++m_generation;
    auto finishNow = [this, generation](Expected<UpdateCheckOutcome> outcome) {
        if (generation != m_generation || !m_done)
            return;
        Completion completion = std::move(m_done);
        m_done = nullptr;
        completion(std::move(outcome));
    };
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
        QTimer::singleShot(0, this, [finishNow, failure] { finishNow(failure); });
        return;
    }
    m_fetcher.setLimits(request.limits);
    m_fetcher.fetch(request.feedURL, [this, request, generation, finishNow](Expected<QByteArray> body) {
        if (generation != m_generation)
            return;
        if (!body) {
            finishNow(body.result());
            return;
        }
        m_readingGeneration = generation;
        m_reading.setFuture(QtConcurrent::run(
            [feed = std::move(body).value(), request] { return UpdateCheck::evaluate(feed, request); }));
    });
}

void UpdateCheck::cancel() {
    ++m_generation;
    m_done = nullptr;
    m_fetcher.cancel();
}

Expected<UpdateCheckOutcome> UpdateCheck::evaluate(const QByteArray& feed,
                                                   const UpdateCheckRequest& request) {
    const Expected<AppcastReading> reading =
        Appcast::readNewest(feed, request.criteria, request.feedURL.toDisplayString(QUrl::RemoveUserInfo));
    if (!reading)
        return reading.result();
    UpdateCheckOutcome outcome;
    outcome.currentVersion = request.currentVersion;
    outcome.currentShortVersion = request.currentShortVersion;
    outcome.newest = reading->newest;
    outcome.problems = reading->problems;
    outcome.updateAvailable =
        outcome.newest && VersionComparator::compare(outcome.newest->version, request.currentVersion) > 0;
    return outcome;
}

} // namespace quillmere
