#include "VexoUpdater/FeedUpdater.h"

#include "VexoUpdater/FeedAddress.h"
#include "VexoUpdater/UpdateDialog.h"
#include "VexoUpdater/UpdateSettings.h"
#include "VexoUpdater/VersionComparator.h"
#include "core/platform/Platform.h"

namespace quillmere {

using brisquel::vexo::Expected;

namespace {

void logLine(const QString& line) {
    if (const auto& log = brisquel::Platform::current().log)
        log->system(line);
}

} // namespace

FeedUpdater::FeedUpdater(QObject* parent) : FeedUpdater(Options{}, parent) {}

FeedUpdater::FeedUpdater(Options options, QObject* parent) : Updater(parent), m_options(std::move(options)) {
    if (!m_options.system)
        m_options.system = SystemReport::native();
}

FeedUpdater::~FeedUpdater() {
    m_check.cancel();
    delete m_dialog.data();
}

UpdateDialog* FeedUpdater::dialog() const {
    return m_dialog;
}

void FeedUpdater::setFeedURL(const QUrl& url) {
    m_feedURL = url;
}

QUrl FeedUpdater::feedURL() const {
    if (m_feedURL)
        return *m_feedURL;
    const std::optional<QString> selected = selectedFeedAddress();
    return selected ? QUrl(*selected) : QUrl();
}

void FeedUpdater::checkForUpdates() {
    m_userAsked = true;
    UpdateDialog* dialog = ensureDialog();
    if (!m_check.isRunning()) {
        dialog->showChecking();
        startCheck();
    } else if (dialog->state() != UpdateDialog::State::Checking) {
        dialog->showChecking();
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void FeedUpdater::reloadSettings() {
    // After the event that changed them, so that the change is complete.
    QTimer::singleShot(0, this, [this] { checkInBackgroundIfDue(); });
}

void FeedUpdater::startAutomaticChecks() {
    if (!m_look) {
        m_look = new QTimer(this);
        m_look->setInterval(m_options.lookInterval);
        connect(m_look, &QTimer::timeout, this, [this] { checkInBackgroundIfDue(); });
    }
    m_look->start();
    QTimer::singleShot(std::chrono::seconds(10), this, [this] { checkInBackgroundIfDue(); });
}

bool FeedUpdater::checkInBackgroundIfDue() {
    if (m_check.isRunning() || !UpdateSettings::automaticallyChecksForUpdates.read())
        return false;
    const std::optional<QDateTime> last = UpdateSettings::lastUpdateCheckDate.read();
    const QDateTime now = m_options.clock();
    // A last check dated in the future (a clock set back) does not hold checks off for ever.
    if (last && *last <= now && last->msecsTo(now) < std::chrono::milliseconds(kCheckInterval).count())
        return false;
    m_userAsked = false;
    startCheck();
    return true;
}

void FeedUpdater::startCheck() {
    UpdateCheckRequest request = UpdateCheckRequest::forThisProgram(feedURL());
    request.criteria.operatingSystem = m_options.system->operatingSystem();
    request.criteria.systemVersion = m_options.system->systemVersion();
    request.limits = m_options.limits;
    request.network = m_options.network;
    m_check.start(request, [this](Expected<UpdateCheckOutcome> outcome) { finished(std::move(outcome)); });
}

void FeedUpdater::finished(Expected<UpdateCheckOutcome> outcome) {
    const bool userAsked = m_userAsked;
    m_userAsked = false;
    if (!outcome) {
        // One log line: the message's paragraphs side by side.
        logLine(QStringLiteral("Update check failed: ") +
                QString(outcome.result().message()).replace(QStringLiteral("\n\n"), QStringLiteral(" ")));
        if (userAsked)
            ensureDialog()->showFailure(outcome.result().message());
        emit updateCheckFinished(outcome.result());
        return;
    }
    if (const auto stored = UpdateSettings::lastUpdateCheckDate.write(m_options.clock()); !stored)
        logLine(stored.message());
    for (const QString& problem : outcome->problems)
        logLine(QStringLiteral("Update feed: ") + problem);
    if (outcome->problemCount > outcome->problems.size()) {
        logLine(QStringLiteral("Update feed: %1 more items have problems.")
                    .arg(outcome->problemCount - outcome->problems.size()));
    }

    if (userAsked) {
        ensureDialog()->showOutcome(*outcome);
    } else if (outcome->updateAvailable) {
        const QString skipped = UpdateSettings::skippedUpdateVersion.read();
        const bool wasSkipped = VersionComparator::isVersion(skipped) &&
                                VersionComparator::compare(outcome->newest->version, skipped) <= 0;
        const bool alreadyShown = m_dialog && m_dialog->isVisible();
        if (!wasSkipped && !alreadyShown) {
            UpdateDialog* dialog = ensureDialog();
            dialog->showOutcome(*outcome);
            dialog->show();
            dialog->raise();
        }
    }
    emit updateCheckFinished(brisquel::vexo::Result::success());
}

UpdateDialog* FeedUpdater::ensureDialog() {
    if (m_dialog)
        return m_dialog;
    m_dialog = new UpdateDialog;
    connect(m_dialog, &UpdateDialog::cancelRequested, this, [this] {
        m_check.cancel();
        m_userAsked = false;
    });
    connect(m_dialog, &UpdateDialog::tryAgainRequested, this, [this] { checkForUpdates(); });
    connect(m_dialog, &UpdateDialog::skipRequested, this, [](const QString& version) {
        if (const auto stored = UpdateSettings::skippedUpdateVersion.write(version); !stored)
            logLine(stored.message());
    });
    return m_dialog;
}

} // namespace quillmere
