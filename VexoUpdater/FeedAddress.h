#pragma once

#include "VexoExtensions/Result.h"

#include <QString>

#include <optional>

namespace quillmere {

// The address of the update feed of an application:
//   <base><bundle identifier>/releases/appcast.xml, or .../betas/appcast.xml
// where the base is the maker's update-feed endpoint, ending in "applications/".
//
// The base is the build's (the CMake cache variable QUILLMERE_UPDATE_FEED_BASE) unless a studio
// that mirrors the feeds names its own: the environment variable QUILLMERE_UPDATE_FEED_BASE first,
// else the key "updateFeedBase" of the application's own preferences domain (see
// UpdateSettings.h). An address given there is taken only when it is https (http only to this
// computer: "localhost" or a loopback address), has a host, carries no user name, query or
// fragment, and ends in "applications/"; any other is not used, the build's base stands, and the
// reason is kept for the user to read.
struct FeedBase {
    enum class Origin { Build, Environment, Preferences };

    // The base in force.
    QString address;
    Origin origin = Origin::Build;
    // Why an address given by the environment or the preferences domain is not used; empty when
    // none was given or it is used.
    QString refusal;
};

// The build's base.
QString builtInFeedBase();
// The base in force now, and where it comes from.
FeedBase updateFeedBase();
// updateFeedBase().address.
QString updateFeedEndpointBase();
// Success when `base` may serve as a base; otherwise Refused, with the reason in words.
brisquel::vexo::Result checkFeedBase(const QString& base);

// endpointBase + bundleIdentifier + "/" + ("betas" or "releases") + "/appcast.xml", concatenated
// with nothing else in between: the bundle identifier enters the address exactly as given.
QString composeFeedAddress(const QString& endpointBase, const QString& bundleIdentifier,
                           bool includeBetaReleases);

// The address the beta setting selects for the running application; none when the application
// has no bundle identifier.
std::optional<QString> selectedFeedAddress();

} // namespace quillmere
