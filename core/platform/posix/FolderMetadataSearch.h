#pragma once

#include "core/platform/MetadataSearch.h"

namespace brisquel {

// The file-metadata index stood in by a walk of the folders themselves.
//
// Every folder in the query's scopes, and everything below them, is searched for application
// bundles: folders named "*.app" that hold Contents/Info.plist. Symbolic links are never followed
// (so a link cycle costs nothing), folders that cannot be read are passed over, and a scope that
// does not exist simply yields nothing. Bundles inside bundles are found too.
//
// Only bundles whose display name begins with the query's prefix have their information
// dictionary read, which keeps the walk close to the cost of listing the folders.
class FolderMetadataSearch final : public MetadataSearch {
public:
    QList<MetadataItem> execute(const MetadataQuery& query) override;

    // The item for one bundle folder (absolute path, ending in ".app"), as execute() builds it.
    static MetadataItem itemForBundle(const QString& bundlePath);
};

} // namespace brisquel
