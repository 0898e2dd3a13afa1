#pragma once

#include "VexoUpdater/Updater.h"

#include <memory>

namespace quillmere {

// The updater of a macOS build that bundles Sparkle 2: Sparkle's shared updater (SUUpdater
// sharedUpdater) fetches the feed, shows its own windows and installs the update; this class hands
// it the feed address (setFeedURL:), the user's "Check for Updates…" and the
// "automaticallyChecksForUpdates" setting, and records each check Sparkle completes as the last
// check (UpdateSettings.h), so that the updates pane tells when it was. Sparkle keeps its own
// schedule of automatic checks. The command line's --check-for-updates stays with the
// application's own feed check.
class SparkleUpdater final : public Updater {
    Q_OBJECT

public:
    explicit SparkleUpdater(QObject* parent = nullptr);
    ~SparkleUpdater() override;

    void setFeedURL(const QUrl& url) override;
    QUrl feedURL() const override;
    void checkForUpdates() override;
    void reloadSettings() override;

    // Hands the "automaticallyChecksForUpdates" setting to Sparkle, which then checks on its own
    // schedule; the same call the application makes of its own feed check at launch.
    void startAutomaticChecks();

    // Called by Sparkle's delegate when a check has ended: completed, or with Sparkle's reason.
    void checkEnded(const brisquel::vexo::Result& outcome);

private:
    struct Bridge;
    std::unique_ptr<Bridge> m_bridge;
};

} // namespace quillmere
