#pragma once

#include "core/platform/MetadataSearch.h"

namespace brisquel {

// The file-metadata index stood in by a walk of the folders themselves.
//
// Every folder in the query's scopes, and everything below them, is searched for application
// bundles: folders named "*.app" whose display name begins with the query's prefix. Symbolic links
// are never followed below a scope (so a link cycle costs nothing) and bundles inside bundles are
// found too. Only matching bundles have their information dictionary read (once each, and at most
// the size InputLimits.h allows), which keeps the walk close to the cost of listing the folders.
//
// Nothing stops the walk, and nothing is passed over silently: a scope that does not exist or
// cannot be read, a folder below it that cannot be read, and a matching bundle without a usable
// Contents/Info.plist (missing, not a regular file, too large, not a property list holding a
// dictionary) each give a skipped entry with the reason.
class FolderMetadataSearch final : public MetadataSearch {
public:
    MetadataSearchResult search(const MetadataQuery& query) override;

    // The item for one bundle folder (absolute path, ending in ".app"), as search() builds it; the
    // reason when its information dictionary cannot be used.
    static vexo::Expected<MetadataItem> itemForBundle(const QString& bundlePath);
};

} // namespace brisquel
