#pragma once

#include "core/platform/MetadataSearch.h"

#include <memory>

namespace brisquel {

// The platform's metadata index, with a walk of the folders behind it.
//
// The index is asked only about the folders it serves (the system's applications folder): a folder
// of one's own choosing (a test's world, a studio's shared volume) is walked, since an index may
// not cover it or may lag behind what was just put there. When the index fails or finds nothing
// the walk answers as well, since an index cannot tell "switched off" from "nothing there".
//
// Whichever answers, the items come sorted ascending by the query's sort attribute in the Finder's
// order (copies of the same name by path), and answeredBy names the search that answered and, for
// the walk, why the index did not.
class FallbackMetadataSearch final : public MetadataSearch {
public:
    // indexName names the index to a person ("Spotlight"); indexedFolders are the scopes it serves.
    FallbackMetadataSearch(QString indexName, std::shared_ptr<MetadataSearch> index,
                           QStringList indexedFolders, std::shared_ptr<MetadataSearch> walk);

    MetadataSearchResult search(const MetadataQuery& query) override;

private:
    bool serves(const QStringList& scopes) const;

    QString m_indexName;
    std::shared_ptr<MetadataSearch> m_index;
    QStringList m_indexedFolders;
    std::shared_ptr<MetadataSearch> m_walk;
};

} // namespace brisquel
