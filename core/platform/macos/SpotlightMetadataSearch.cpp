#include "core/platform/macos/SpotlightMetadataSearch.h"

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"
#include "core/BundleIcon.h"
#include "core/platform/SpotlightQuery.h"
#include "core/platform/macos/CFHolder.h"
#include "core/platform/macos/CFPropertyList.h"
#include "core/platform/macos/CFText.h"

#include <QUrl>

#include <CoreServices/CoreServices.h>

#include <algorithm>
#include <vector>

namespace brisquel::macos {

namespace {

const QString kSpotlight = QStringLiteral("Spotlight");

MetadataSearchResult failed(const MetadataQuery& query, vexo::Status status, const QString& why) {
    MetadataSearchResult result;
    result.answeredBy = kSpotlight;
    result.skipped.append(
        {query.searchScopes.join(QStringLiteral(", ")), vexo::Result::failure(status, why)});
    return result;
}

// The attributes a record is built from, as Spotlight names them and as our items name them.
MetadataItem itemFrom(MDItemRef found) {
    const std::pair<CFStringRef, QString> attributes[]{
        {kMDItemFSName, MetadataAttribute::kFsName},
        {kMDItemCFBundleIdentifier, MetadataAttribute::kBundleIdentifier},
        {kMDItemPath, MetadataAttribute::kPath},
        {kMDItemVersion, MetadataAttribute::kVersion},
        {kMDItemDisplayName, MetadataAttribute::kDisplayName}};
    MetadataItem item;
    for (const auto& [name, key] : attributes) {
        // A Copy result: null when the item has no such attribute, which then stays absent.
        const CFHolder value = CFHolder::adopt(MDItemCopyAttribute(found, name));
        if (!value)
            continue;
        const vexo::Expected<QVariant> converted = variantFromCF(value.get(), key);
        if (converted)
            item.attributes.insert(key, *converted);
    }
    const QString path = item.value(MetadataAttribute::kPath).toString();
    if (path.isEmpty())
        return item;
    item.attributes.insert(MetadataAttribute::kUrl, QUrl::fromLocalFile(path).toString());
    // Spotlight does not index CFBundleIconFile: the bundle's dictionary names it.
    const vexo::Expected<QVariant> info =
        vexo::plist::readFile(path + QStringLiteral("/Contents/Info.plist"), vexo::limits::kInfoPlistBytes);
    if (info && info->typeId() == QMetaType::QVariantMap) {
        const QString icon = bundleIconFile(path, info->toMap().value(QStringLiteral("CFBundleIconFile")));
        if (!icon.isEmpty())
            item.attributes.insert(MetadataAttribute::kIconPath, icon);
    }
    return item;
}

} // namespace

MetadataSearchResult SpotlightMetadataSearch::search(const MetadataQuery& query) {
    const std::optional<QString> text = SpotlightQuery::text(query);
    if (!text)
        return failed(query, vexo::Status::Refused,
                      kSpotlight + QStringLiteral(" cannot be asked for names beginning with \"") +
                          query.displayNamePrefix + QLatin1Char('"'));
    std::vector<CFHolder> scopeNames;
    std::vector<CFTypeRef> scopeValues;
    for (const QString& scope : query.searchScopes) {
        scopeNames.push_back(makeCFString(scope));
        scopeValues.push_back(scopeNames.back().get());
    }
    const CFHolder queryText = makeCFString(*text);
    const CFHolder scopes =
        CFHolder::adopt(CFArrayCreate(kCFAllocatorDefault, scopeValues.data(),
                                      static_cast<CFIndex>(scopeValues.size()), &kCFTypeArrayCallBacks));
    const bool allMade = std::ranges::all_of(scopeNames, [](const CFHolder& name) { return bool(name); });
    if (!queryText || !scopes || !allMade)
        return failed(query, vexo::Status::Unavailable,
                      kSpotlight +
                          QStringLiteral("'s query could not be made (the system may be out of memory)"));

    // Null when Spotlight does not accept the query text.
    const CFHolder mdQuery =
        CFHolder::adopt(MDQueryCreate(kCFAllocatorDefault, queryText.as<CFStringRef>(), nullptr, nullptr));
    if (!mdQuery)
        return failed(query, vexo::Status::Unavailable,
                      kSpotlight + QStringLiteral(" did not accept the query ") + *text);
    const MDQueryRef running = mdQuery.as<MDQueryRef>();
    MDQuerySetSearchScope(running, scopes.as<CFArrayRef>(), 0);
    // Synchronous: returns once the first gathering is complete; false when the query cannot start.
    if (!MDQueryExecute(running, kMDQuerySynchronous))
        return failed(query, vexo::Status::Unavailable,
                      kSpotlight + QStringLiteral(" could not search ") +
                          query.searchScopes.join(QStringLiteral(", ")) +
                          QStringLiteral(" (its index may be switched off for that volume)"));

    MetadataSearchResult result;
    result.answeredBy = kSpotlight;
    const CFIndex count = MDQueryGetResultCount(running);
    for (CFIndex i = 0; i < count; ++i) {
        // A Get result, owned by the query, which outlives this loop.
        const void* found = MDQueryGetResultAtIndex(running, i);
        if (found)
            result.items.append(itemFrom(static_cast<MDItemRef>(const_cast<void*>(found))));
    }
    return result;
}

} // namespace brisquel::macos
