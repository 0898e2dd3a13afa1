#include "core/platform/FallbackMetadataSearch.h"

#include "tests/support/FakePlatform.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using brisquel::FallbackMetadataSearch;
using testsupport::FakeMetadataSearch;
using testsupport::metadataItem;

namespace {

// The index answers for its own folder, in the Finder's order; the walk answers for any other
// folder, and when the index finds nothing or fails, and says why (never as the folder's failure).
TEST(FallbackMetadataSearch, TheIndexAnswersForItsFolderAndTheWalkWhenItCannot) {
    auto index = std::make_shared<FakeMetadataSearch>();
    index->items = {metadataItem(u"Capture One 10.app"_s, u"c10"_s, u"/A/a"_s, {}),
                    metadataItem(u"Capture One 9.app"_s, u"c9"_s, u"/A/b"_s, {})};
    auto walk = std::make_shared<FakeMetadataSearch>();
    walk->items = {metadataItem(u"Capture One 23.app"_s, u"c23"_s, u"/W/23"_s, {})};
    FallbackMetadataSearch search(u"Spotlight"_s, index, {u"/Applications"_s}, walk);
    brisquel::MetadataQuery query;
    query.sortAttribute = brisquel::MetadataAttribute::kFsName;
    const auto answer = [&](const QString& scope) {
        query.searchScopes = {scope};
        const brisquel::MetadataSearchResult result = search.search(query);
        EXPECT_TRUE(result.skipped.isEmpty());
        return result.answeredBy + u": "_s +
               result.items.value(0).value(brisquel::MetadataAttribute::kPath).toString();
    };
    EXPECT_EQ(answer(u"/Applications/"_s), u"Spotlight: /A/b"_s);
    EXPECT_EQ(answer(u"/tmp/Apps"_s),
              u"the folder walk (Spotlight is asked only about /Applications): /W/23"_s);
    index->items.clear();
    EXPECT_EQ(answer(u"/Applications"_s), u"the folder walk (Spotlight found nothing): /W/23"_s);
    index->skipped = {{u"/Applications"_s, brisquel::vexo::Result::failure(
                                               brisquel::vexo::Status::Unavailable, u"the query failed"_s)}};
    EXPECT_EQ(answer(u"/Applications"_s), u"the folder walk (the query failed): /W/23"_s);
}

} // namespace
