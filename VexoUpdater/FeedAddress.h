#pragma once

#include <QString>

#include <optional>

namespace quillmere {

// The address of the maker's update feed for an application, and the step that hands it to the
// updater.

// The base address of the maker's update-feed endpoint, ending in "applications/"; set by the
// build (the CMake cache variable QUILLMERE_UPDATE_FEED_BASE).
QString updateFeedEndpointBase();

// endpointBase + bundleIdentifier + "/" + ("betas" or "releases") + "/appcast.xml", concatenated
// with nothing else in between: the bundle identifier enters the address exactly as given.
QString composeFeedAddress(const QString& endpointBase, const QString& bundleIdentifier,
                           bool includeBetaReleases);

// The address the beta setting selects for the running application; none when the application
// has no bundle identifier.
std::optional<QString> selectedFeedAddress();

// The feed update: reads the main bundle's identifier (none: does nothing, silently), reads the
// beta setting, composes the address, writes "Setting Sparkle feed to <address>" to the system
// log, and hands the address to the shared updater when there is one. Returns the setting it
// acted on; none when it did nothing.
std::optional<bool> updateFeed();

} // namespace quillmere
