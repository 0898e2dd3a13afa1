#include "VexoUpdater/FeedAddress.h"

#include "VexoExtensions/MainBundle.h"
#include "VexoNetwork/WebAddress.h"
#include "VexoUpdater/UpdateSettings.h"

#include <QUrl>

namespace quillmere {

using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

const char* const kEnvironmentVariable = "QUILLMERE_UPDATE_FEED_BASE";

Result refused(const QString& why) {
    return Result::failure(Status::Refused, why);
}

} // namespace

QString builtInFeedBase() {
    return QStringLiteral(QUILLMERE_UPDATE_FEED_BASE);
}

Result checkFeedBase(const QString& base) {
    const QUrl url(base, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        return refused(QStringLiteral("it is not a web address"));
    }
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("https") &&
        !(scheme == QLatin1String("http") && WebAddress::isLoopbackHost(url.host()))) {
        return refused(QStringLiteral("only https addresses are taken (plain http only to this computer)"));
    }
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()) {
        return refused(QStringLiteral("it may not carry a user name, a query or a fragment"));
    }
    if (!url.path().endsWith(QLatin1String("/applications/"))) {
        return refused(QStringLiteral("it must end in \"applications/\""));
    }
    return Result::success();
}

FeedBase updateFeedBase() {
    FeedBase base{builtInFeedBase(), FeedBase::Origin::Build, QString()};
    QString given = qEnvironmentVariable(kEnvironmentVariable).trimmed();
    QString source = QString::fromLatin1(kEnvironmentVariable);
    FeedBase::Origin origin = FeedBase::Origin::Environment;
    if (given.isEmpty()) {
        given = UpdateSettings::updateFeedBase.read().trimmed();
        source = QStringLiteral("the preferences key \"") + UpdateSettings::updateFeedBase.key() +
                 QLatin1Char('"');
        origin = FeedBase::Origin::Preferences;
    }
    if (given.isEmpty()) {
        return base;
    }
    if (const Result checked = checkFeedBase(given); !checked) {
        base.refusal = QStringLiteral("The update feed address ") + given + QStringLiteral(" from ") +
                       source + QStringLiteral(" is not used: ") + checked.message() + QLatin1Char('.');
        return base;
    }
    return FeedBase{given, origin, QString()};
}

QString updateFeedEndpointBase() {
    return updateFeedBase().address;
}

QString composeFeedAddress(const QString& endpointBase, const QString& bundleIdentifier,
                           bool includeBetaReleases) {
    return endpointBase + bundleIdentifier + QLatin1Char('/') +
           (includeBetaReleases ? QStringLiteral("betas") : QStringLiteral("releases")) +
           QStringLiteral("/appcast.xml");
}

std::optional<QString> selectedFeedAddress() {
    const QString identifier = brisquel::vexo::MainBundle::bundleIdentifier();
    if (identifier.isEmpty()) {
        return std::nullopt;
    }
    return composeFeedAddress(updateFeedEndpointBase(), identifier,
                              UpdateSettings::includeBetaReleases.read());
}

} // namespace quillmere
