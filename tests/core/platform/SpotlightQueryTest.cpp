#include "core/platform/SpotlightQuery.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using brisquel::SpotlightQuery;

namespace {

TEST(SpotlightQuery, ThePrefixIsMatchedExactlyAsTheStartOfAnApplicationsDisplayName) {
    const QString head =
        u"kMDItemContentType == \"com.apple.application-bundle\" && kMDItemDisplayName == \""_s;
    const struct {
        QString prefix;
        std::optional<QString> expected; // what stands between the quotes; none: no query
    } rows[]{
        {u"Capture One"_s, u"Capture One*"_s},
        {QString(), u"*"_s},
        {u"Über \"C1\""_s, u"Über \\\"C1\\\"*"_s},
        {u"a\\b"_s, u"a\\\\b*"_s},
        {u"One*Two?"_s, u"One\\*Two\\?*"_s},
        {u"a\nb"_s, std::nullopt},
        {u"a\tb"_s, std::nullopt},
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
