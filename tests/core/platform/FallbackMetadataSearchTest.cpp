#include "core/platform/FallbackMetadataSearch.h"

#include "tests/support/FakePlatform.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
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
    const auto nine = metadataItem(u"Capture One 9.app"_s, u"c9"_s, u"/A/b"_s, {});
    const auto ten = metadataItem(u"Capture One 10.app"_s, u"c10"_s, u"/A/a"_s, {});
    const brisquel::SkippedEntry broken{
        u"/Applications"_s, brisquel::vexo::Result::failure(brisquel::vexo::Status::Unavailable,
                                                            u"Spotlight could not run the query"_s)};
    // The paths found, in order; why the walk answered ("": the index did).
    const struct {
        const char* name;
        const char* scope;
        QList<brisquel::MetadataItem> indexed;
        QList<brisquel::SkippedEntry> indexSkipped;
        const char* paths;
        const char* walkedBecause;
    } rows[]{
        {"IndexFindsSorted", "/Applications/", {ten, nine}, {}, "/A/b /A/a", ""},
        {"IndexFindsNothing", "/Applications", {}, {}, "/W/23", "Spotlight found nothing"},
        {"IndexFails", "/Applications", {}, {broken}, "/W/23", "Spotlight could not run the query"},
        {"OwnFolder", "/tmp/Apps", {nine}, {}, "/W/23", "Spotlight is asked only about /Applications"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto index = std::make_shared<FakeMetadataSearch>();
        index->items = row.indexed;
        index->skipped = row.indexSkipped;
        auto walk = std::make_shared<FakeMetadataSearch>();
        walk->items = {metadataItem(u"Capture One 23.app"_s, u"c23"_s, u"/W/23"_s, {})};
        FallbackMetadataSearch search(u"Spotlight"_s, index, {u"/Applications"_s}, walk);
        brisquel::MetadataQuery query;
        query.searchScopes = {QString::fromUtf8(row.scope)};
        query.sortAttribute = brisquel::MetadataAttribute::kFsName;

        const brisquel::MetadataSearchResult result = search.search(query);
        EXPECT_EQ(paths(result.items).join(u' '), QString::fromUtf8(row.paths));
        EXPECT_EQ(result.answeredBy, *row.walkedBecause
                                         ? u"the folder walk (%1)"_s.arg(QString::fromUtf8(row.walkedBecause))
                                         : u"Spotlight"_s);
        // What the index could not do is told once, in the answer: never as the walked folder's
        // own failure.
        EXPECT_TRUE(result.skipped.isEmpty());
    }
}

} // namespace
