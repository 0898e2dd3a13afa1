#pragma once

#include "core/platform/MetadataSearch.h"

namespace brisquel::macos {

// Spotlight's index, through one synchronous MDQuery over the query's scopes: application bundles
// whose display name begins with the query's prefix (core/platform/SpotlightQuery.h). Each hit gives
// its file-system name, bundle identifier, path, version and display name, and the icon file that
// its Info.plist names.
//
// A query that cannot be made or run gives no items and one skipped entry with the reason. Spotlight
// cannot tell "indexing is off" from "nothing is there", so the folder walk stands behind it
// (core/platform/FallbackMetadataSearch.h), which also puts the items in the Finder's order.
class SpotlightMetadataSearch final : public MetadataSearch {
public:
    MetadataSearchResult search(const MetadataQuery& query) override;
};

} // namespace brisquel::macos
