#include "VexoUpdater/FeedAddress.h"

#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/BetaReleasesSetting.h"
#include "VexoUpdater/Updater.h"
#include "core/platform/Platform.h"

#include <QUrl>

namespace quillmere {

QString updateFeedEndpointBase() {
    return QStringLiteral(QUILLMERE_UPDATE_FEED_BASE);
}

QString composeFeedAddress(const QString& endpointBase, const QString& bundleIdentifier,
                           bool includeBetaReleases) {
    return endpointBase + bundleIdentifier + QLatin1Char('/') +
           (includeBetaReleases ? QStringLiteral("betas") : QStringLiteral("releases")) +
           QStringLiteral("/appcast.xml");
}

std::optional<QString> selectedFeedAddress() {
    const QString identifier = brisquel::vexo::MainBundle::bundleIdentifier();
    if (identifier.isEmpty())
        return std::nullopt;
    return composeFeedAddress(updateFeedEndpointBase(), identifier, includeBetaReleases());
}

std::optional<bool> updateFeed() {
    const QString identifier = brisquel::vexo::MainBundle::bundleIdentifier();
    if (identifier.isEmpty())
        return std::nullopt;
    const bool betas = includeBetaReleases();
    const QString address = composeFeedAddress(updateFeedEndpointBase(), identifier, betas);
    if (const auto& log = brisquel::Platform::current().log)
        log->system(QStringLiteral("Setting Sparkle feed to ") + address);
    if (Updater* updater = Updater::sharedUpdater())
        updater->setFeedURL(QUrl(address));
    return betas;
}

} // namespace quillmere
