#pragma once

#include "VexoExtensions/Result.h"

#include <QDateTime>
#include <QObject>
#include <QUrl>

#include <optional>

namespace quillmere {

// The application's software updater: it holds the address of the update feed and checks it,
// at the user's request or on its own.
//
// The preferences pane reaches it only through sharedUpdater() and setFeedURL(); the menu's
// "Check for Updates…" calls checkForUpdates(). Each platform has its own implementation (on
// Linux, FeedUpdater); the application installs it at start-up with setSharedUpdater().
class Updater : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~Updater() override;

    // The application's one updater, or null when none is installed (or it has been destroyed).
    static Updater* sharedUpdater();
    // Makes `updater` the shared one (null: none). The caller keeps ownership; an updater that is
    // destroyed stops being shared.
    static void setSharedUpdater(Updater* updater);

    // The feed address later checks use.
    virtual void setFeedURL(const QUrl& url) = 0;
    virtual QUrl feedURL() const = 0;

    // A check the user asked for: shows the update dialog at once, without blocking any window,
    // and tells there whether a newer version exists, that the application is up to date, or why
    // the check failed.
    virtual void checkForUpdates() = 0;

    // Reads the settings of the updater's own checks (see UpdateSettings.h) again, after they were
    // changed, and acts on them (an automatic check that is now due starts). Nothing by default.
    virtual void reloadSettings() {}

signals:
    // A check ended: its outcome, a success (the time of the last completed check has changed) or
    // the failure with its reason, as the user would read it.
    void updateCheckFinished(const brisquel::vexo::Result& outcome);
};

} // namespace quillmere
