#pragma once

#include "core/platform/MetadataSearch.h"

#include <QString>

#include <optional>

namespace brisquel {

// A discovery's metadata query in Spotlight's own query syntax: comparisons such as `==` joined by
// `&&`, text in double quotes, `*` the wildcard. Without a modifier a comparison of text is
// case-sensitive and diacritic-sensitive, as the discovery's prefix must be matched.
class SpotlightQuery {
public:
    // Application bundles whose display name begins with the query's prefix:
    //   kMDItemContentType == "com.apple.application-bundle" && kMDItemDisplayName == "Capture One*"
    // None when the prefix holds a character that a query text cannot carry.
    static std::optional<QString> text(const MetadataQuery& query);

    // A text as the inside of a quoted value that matches it exactly: the quote, the backslash and
    // the wildcards are escaped. None for a text holding a control character or broken UTF-16.
    static std::optional<QString> literal(const QString& text);
};

} // namespace brisquel
