#include "core/platform/FallbackMetadataSearch.h"

#include "tests/support/FakePlatform.h"

#include <gtest/gtest.h>

using brisquel::FallbackMetadataSearch;
using brisquel::MetadataAttribute::kPath;
using testsupport::FakeMetadataSearch;
using testsupport::metadataItem;

namespace {

QStringList paths(const QList<brisquel::MetadataItem>& items) {
    QStringList out;
    for (const brisquel::MetadataItem& item : items)
        out << item.value(kPath).toString();
    return out;
}

TEST(FallbackMetadataSearch, TheIndexAnswersForItsFolderAndTheWalkWhenItCannot) {
    const brisquel::MetadataItem nine =
        metadataItem(QStringLiteral("Capture One 9.app"), QStringLiteral("c9"), QStringLiteral("/A/b"), {});
    const brisquel::MetadataItem ten =
        metadataItem(QStringLiteral("Capture One 10.app"), QStringLiteral("c10"), QStringLiteral("/A/a"), {});
    const brisquel::MetadataItem walked = metadataItem(QStringLiteral("Capture One 23.app"),
                                                       QStringLiteral("c23"), QStringLiteral("/W/23"), {});
    const brisquel::SkippedEntry broken{
        QStringLiteral("/Applications"),
        brisquel::vexo::Result::failure(brisquel::vexo::Status::Unavailable,
                                        QStringLiteral("Spotlight could not run the query"))};
    const struct {
        const char* name;
        QString scope;
        QList<brisquel::MetadataItem> indexed;
        QList<brisquel::SkippedEntry> indexSkipped;
        bool indexAsked;
        QStringList expectedPaths;
        QString expectedAnswer;
    } rows[]{
        {"index finds copies, sorted by the Finder's order",
         QStringLiteral("/Applications"),
         {ten, nine},
         {},
         true,
         {QStringLiteral("/A/b"), QStringLiteral("/A/a")},
         QStringLiteral("Spotlight")},
        {"the same folder written otherwise",
         QStringLiteral("/Applications/"),
         {nine},
         {},
         true,
         {QStringLiteral("/A/b")},
         QStringLiteral("Spotlight")},
        {"index finds nothing",
         QStringLiteral("/Applications"),
         {},
         {},
         true,
         {QStringLiteral("/W/23")},
         QStringLiteral("the folder walk (Spotlight found nothing)")},
        {"index fails",
         QStringLiteral("/Applications"),
         {},
         {broken},
         true,
         {QStringLiteral("/W/23")},
         QStringLiteral("the folder walk (Spotlight could not run the query)")},
        {"a folder of one's own",
         QStringLiteral("/tmp/world/Applications"),
         {nine},
         {},
         false,
         {QStringLiteral("/W/23")},
         QStringLiteral("the folder walk (Spotlight is asked only about /Applications)")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto index = std::make_shared<FakeMetadataSearch>();
        index->items = row.indexed;
        index->skipped = row.indexSkipped;
        auto walk = std::make_shared<FakeMetadataSearch>();
        walk->items = {walked};
        FallbackMetadataSearch search(QStringLiteral("Spotlight"), index, {QStringLiteral("/Applications")},
                                      walk);
        brisquel::MetadataQuery query;
        query.searchScopes = {row.scope};
        query.sortAttribute = brisquel::MetadataAttribute::kFsName;

        const brisquel::MetadataSearchResult result = search.search(query);
        EXPECT_EQ(paths(result.items), row.expectedPaths);
        EXPECT_EQ(result.answeredBy, row.expectedAnswer);
        EXPECT_EQ(index->queries.size(), row.indexAsked ? 1 : 0);
        // What the index could not do is told once, in the answer: never as the walked folder's
        // own failure.
        EXPECT_TRUE(result.skipped.isEmpty());
    }
}

} // namespace
