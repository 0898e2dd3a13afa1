#include "core/platform/FallbackMetadataSearch.h"

#include "VexoExtensions/TextOrdering.h"

#include <QDir>

#include <algorithm>

namespace brisquel {

namespace {

QString cleaned(const QString& folder) {
    return QDir::cleanPath(QDir::isAbsolutePath(folder) ? folder : QDir::current().absoluteFilePath(folder));
}

void sortInFinderOrder(QList<MetadataItem>& items, const QString& attribute) {
    const QString key = attribute.isEmpty() ? MetadataAttribute::kDisplayName : attribute;
    std::stable_sort(items.begin(), items.end(), [&](const MetadataItem& a, const MetadataItem& b) {
        if (const int order = vexo::finderCompare(a.value(key).toString(), b.value(key).toString()))
            return order < 0;
        return vexo::finderCompare(a.value(MetadataAttribute::kPath).toString(),
                                   b.value(MetadataAttribute::kPath).toString()) < 0;
    });
}

} // namespace

FallbackMetadataSearch::FallbackMetadataSearch(QString indexName, std::shared_ptr<MetadataSearch> index,
                                               QStringList indexedFolders,
                                               std::shared_ptr<MetadataSearch> walk)
    : m_indexName(std::move(indexName)), m_index(std::move(index)), m_walk(std::move(walk)) {
    for (const QString& folder : std::as_const(indexedFolders))
        m_indexedFolders.append(cleaned(folder));
}

bool FallbackMetadataSearch::serves(const QStringList& scopes) const {
    return !scopes.isEmpty() && std::ranges::all_of(scopes, [this](const QString& scope) {
        return m_indexedFolders.contains(cleaned(scope));
    });
}

MetadataSearchResult FallbackMetadataSearch::search(const MetadataQuery& query) {
    QString why;
    if (!m_index || !serves(query.searchScopes)) {
        why = m_indexName + QStringLiteral(" is asked only about ") +
              (m_indexedFolders.isEmpty() ? QStringLiteral("no folder")
                                          : m_indexedFolders.join(QStringLiteral(", ")));
    } else {
        MetadataSearchResult indexed = m_index->search(query);
        if (!indexed.items.isEmpty()) {
            sortInFinderOrder(indexed.items, query.sortAttribute);
            indexed.answeredBy = m_indexName;
            return indexed;
        }
        why = indexed.skipped.isEmpty() ? m_indexName + QStringLiteral(" found nothing")
                                        : indexed.skipped.constFirst().reason.message();
    }
    MetadataSearchResult walked = m_walk->search(query);
    walked.answeredBy = QStringLiteral("the folder walk (") + why + QLatin1Char(')');
    return walked;
}

} // namespace brisquel
