#pragma once

#include "VexoUpdater/SystemReport.h"
#include "VexoUpdater/UpdateCheck.h"
#include "VexoUpdater/Updater.h"

#include <QDateTime>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

namespace quillmere {

class UpdateDialog;

// The updater of this platform: it checks the update feed itself (UpdateCheck) and tells the
// user in an UpdateDialog.
//
// The feed: the address last given to setFeedURL(); until then, the address the beta setting
// selects at the moment of each check (see FeedAddress.h).
//
// A check the user asks for shows the dialog at once and always tells the outcome, a failure
// with its reason included. Automatic checks run at most once a day (kCheckInterval after the
// last completed check), only while "automaticallyChecksForUpdates" is on, and stay silent unless
// they find an update newer than the version the user skipped; a failure is only logged. One
// check runs at a time: asking while an automatic check runs shows that check's outcome. Every
// completed check stores its time.
class FeedUpdater final : public Updater {
    Q_OBJECT

public:
    struct Options {
        std::shared_ptr<SystemReport> system = SystemReport::native();
        FetchLimits limits;
        // The current time; tests hand in their own clock.
        std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); };
        // How often the updater looks whether an automatic check is due.
        std::chrono::milliseconds lookInterval = std::chrono::hours(1);
    };

    static constexpr std::chrono::hours kCheckInterval{24};

    explicit FeedUpdater(QObject* parent = nullptr);
    explicit FeedUpdater(Options options, QObject* parent = nullptr);
    ~FeedUpdater() override;

    void setFeedURL(const QUrl& url) override;
    QUrl feedURL() const override;
    void checkForUpdates() override;
    void reloadSettings() override;

    // Starts looking, every lookInterval and once soon, whether an automatic check is due.
    void startAutomaticChecks();
    // Starts an automatic check when they are on, none is running and none completed within
    // kCheckInterval; returns whether it started one.
    bool checkInBackgroundIfDue();
    bool isChecking() const { return m_check.isRunning(); }

    // The dialog, once a check has had something to show; null before.
    UpdateDialog* dialog() const;

private:
    void startCheck();
    void finished(brisquel::vexo::Expected<UpdateCheckOutcome> outcome);
    UpdateDialog* ensureDialog();

    Options m_options;
    std::optional<QUrl> m_feedURL;
    UpdateCheck m_check;
    bool m_userAsked = false;
    QPointer<UpdateDialog> m_dialog;
    QTimer m_look;
};

} // namespace quillmere
