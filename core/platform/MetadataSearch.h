#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace brisquel {

// Attribute names of a metadata item, as the platform's metadata index names them.
namespace MetadataAttribute {
inline const QString kDisplayName = QStringLiteral("kMDItemDisplayName");
inline const QString kBundleIdentifier = QStringLiteral("kMDItemCFBundleIdentifier");
inline const QString kUrl = QStringLiteral("kMDItemURL");
inline const QString kPath = QStringLiteral("kMDItemPath");
inline const QString kVersion = QStringLiteral("kMDItemVersion");
inline const QString kFsName = QStringLiteral("kMDItemFSName");
// Not a platform attribute: the bundle's icon file, when it names one that exists.
inline const QString kIconPath = QStringLiteral("QuillmereIconPath");
} // namespace MetadataAttribute

// One search result: attribute name -> value. An attribute may be absent, or hold a value
// that is not text (for example a number read from a malformed information dictionary).
struct BRISQUEL_EXPORT MetadataItem {
    QHash<QString, QVariant> attributes;

    QVariant value(const QString& attribute) const { return attributes.value(attribute); }
};

struct BRISQUEL_EXPORT MetadataQuery {
    QStringList searchScopes;        // folders searched, with everything below them
    QString predicate;               // the platform's query text (informative off the platform)
    QString displayNamePrefix;       // display names must begin with this, case-sensitively
    QString sortAttribute;           // results are sorted ascending by this attribute
    QStringList valueListAttributes; // requested, never read
};

// Something a search or a discovery passed over, and why: a search scope that does not exist, a
// folder that cannot be read, a bundle whose information cannot be used.
struct BRISQUEL_EXPORT SkippedEntry {
    QString path;
    vexo::Result reason; // its message names the path and the cause
};

struct BRISQUEL_EXPORT MetadataSearchResult {
    QList<MetadataItem> items; // sorted as the query asked
    QList<SkippedEntry> skipped;
    // Which search answered, for a person ("Spotlight", "the folder walk"); empty when unsaid.
    QString answeredBy{};
};

// The platform's file-metadata index. search() runs one query to its end on the calling thread
// and returns the gathered items sorted as asked, with what it passed over; execute() gives the
// items alone. Implementations are thread-safe.
class BRISQUEL_EXPORT MetadataSearch {
public:
    virtual ~MetadataSearch() = default;
    virtual MetadataSearchResult search(const MetadataQuery& query) = 0;
    QList<MetadataItem> execute(const MetadataQuery& query) { return search(query).items; }
};

} // namespace brisquel
