#include "core/platform/SpotlightQuery.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using brisquel::SpotlightQuery;

namespace {

TEST(SpotlightQuery, ThePrefixIsMatchedExactlyAsTheStartOfAnApplicationsDisplayName) {
    const QString head =
        QStringLiteral("kMDItemContentType == \"com.apple.application-bundle\" && kMDItemDisplayName == \"");
    const struct {
        QString prefix;
        std::optional<QString> expected; // what stands between the quotes; none: no query
    } rows[]{
        {QStringLiteral("Capture One"), QStringLiteral("Capture One*")},
        {QString(), QStringLiteral("*")},
        {QStringLiteral("Über \"C1\""), QStringLiteral("Über \\\"C1\\\"*")},
        {QStringLiteral("a\\b"), QStringLiteral("a\\\\b*")},
        {QStringLiteral("One*Two?"), QStringLiteral("One\\*Two\\?*")},
        {QStringLiteral("a\nb"), std::nullopt},
        {QStringLiteral("a\tb"), std::nullopt},
        {QString(QChar(0xDC00)), std::nullopt},
    };
    for (const auto& [prefix, expected] : rows) {
        SCOPED_TRACE(prefix.toStdString());
        brisquel::MetadataQuery query;
        query.displayNamePrefix = prefix;
        const std::optional<QString> text = SpotlightQuery::text(query);
        ASSERT_EQ(text.has_value(), expected.has_value());
        if (expected) {
            EXPECT_EQ(*text, head + *expected + QLatin1Char('"'));
        }
    }
}

} // namespace
