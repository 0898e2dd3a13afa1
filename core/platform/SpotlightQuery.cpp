#include "core/platform/SpotlightQuery.h"

namespace brisquel {

std::optional<QString> SpotlightQuery::literal(const QString& text) {
    if (!text.isValidUtf16())
        return std::nullopt;
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return std::nullopt;
        if (c == QLatin1Char('"') || c == QLatin1Char('\\') || c == QLatin1Char('*') || c == QLatin1Char('?'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

std::optional<QString> SpotlightQuery::text(const MetadataQuery& query) {
    const std::optional<QString> prefix = literal(query.displayNamePrefix);
    if (!prefix)
        return std::nullopt;
    return QStringLiteral(
               "kMDItemContentType == \"com.apple.application-bundle\" && kMDItemDisplayName == \"") +
           *prefix + QStringLiteral("*\"");
}

} // namespace brisquel
