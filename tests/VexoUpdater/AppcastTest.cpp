// Reading an update feed: the order of versions, the newest applicable item, what it carries, and
// every way a feed or its items can be broken.

#include "VexoUpdater/Appcast.h"
#include "VexoUpdater/VersionComparator.h"

#include "tests/VexoUpdater/UpdaterWorld.h"

#include <gtest/gtest.h>

using quillmere::Appcast;
using quillmere::AppcastCriteria;
using quillmere::VersionComparator;
using updatertest::feedOf;
using updatertest::itemOf;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSource = u"https://feeds.example.test/appcast.xml"_s;

AppcastCriteria criteria(bool betas = false, QString os = u"linux"_s, std::optional<QString> system = {}) {
    return {betas, std::move(os), std::move(system)};
}

QStringList rows(const char* text) {
    return QString::fromUtf8(text).split(u", "_s);
}

// Rows "older < newer" and "a = b": a number beats a word in its place, a trailing number is a build.
TEST(VersionComparator, OrdersTheVersionsOfUpdateFeeds) {
    for (const QString& row :
         rows("1.9 < 1.10, 0.9.3 < 6933, 1.0 < 1.0.0.1, 1.0.0-beta.9 < 1.0.0, 1.0.0-beta.9 < 1.0.0-beta.10, "
              "1.0b1 < 1.0, 1.0alpha < 1.0beta, 1.0b < 1.0beta, 1.0beta2 < 1.0rc1, 1.0b1 < 1.0.1, "
              "1.18.3 < 1.18.3-2, 99999999999999999999 < 100000000000000000000, Beta 1 < beta 2, "
              "1.0 = 1.0.0.0, 007 = 7, 1-0 = 1.0, 1.0beta = 1.0BETA,  = , "
              "18000000000000000000 < 19000000000000000000, 1.1.1.1.1.1 < 1.1.1.1.1.1.1")) {
        const bool equal = row.contains(u" = "_s);
        const QStringList pair = row.split(equal ? u" = "_s : u" < "_s);
        EXPECT_EQ(std::clamp(VersionComparator::compare(pair[0], pair[1]), -1, 1), equal ? 0 : -1)
            << row.toStdString();
        EXPECT_EQ(std::clamp(VersionComparator::compare(pair[1], pair[0]), -1, 1), equal ? 0 : 1)
            << row.toStdString();
        // The numbers read once for a choice among many order as their texts do.
        const auto older = VersionComparator::numbers(pair[0].toStdString());
        const auto newer = VersionComparator::numbers(pair[1].toStdString());
        if (older && newer) {
            EXPECT_EQ(std::clamp(VersionComparator::compare(*older, *newer), -1, 1), equal ? 0 : -1)
                << row.toStdString();
        }
    }
}

// Spaces only inside, no other punctuation, no full-width digits, up to the longest a feed may use.
TEST(VersionComparator, TakesATextAsAVersionOnlyWhenItCanBeCompared) {
    const QString longest(VersionComparator::kMaximumLength, u'1');
    for (const QString& text : rows("v0.0.31, 1.0 beta 2, 1.0+build_7~rc") + QStringList{longest})
        EXPECT_TRUE(VersionComparator::isVersion(text)) << text.toStdString();
    for (const QString& text : rows(" 1.0, 1.0 , 1.0/../2, １.０, ...") + QStringList{longest + u'1', {}}) {
        EXPECT_FALSE(VersionComparator::isVersion(text)) << text.toStdString();
        EXPECT_FALSE(VersionComparator::numbers(text.toStdString())) << text.toStdString();
    }
}

QByteArray sparkle(const QByteArray& name, const QByteArray& value) {
    return "<sparkle:" + name + ">" + value + "</sparkle:" + name + ">";
}

// An item of only this element and this download.
QByteArray bare(const QByteArray& element, const QByteArray& download) {
    return "<item>" + element + "<enclosure url=\"https://example.test/a\" " + download + "/></item>";
}

// Rows: the rule, the items beside an item "1.0", the newest applicable version, the criteria.
TEST(Appcast, ChoosesTheNewestApplicableItemByTheRulesOfUpdateFeeds) {
    const AppcastCriteria macOS13 = criteria(false, u"macos"_s, u"13.0.0"_s);
    const struct {
        const char* rule;
        QByteArray items;
        const char* newest;
        AppcastCriteria where = criteria();
    } rows[] = {
        {"by value", itemOf("1.2") + itemOf("1.10") + itemOf("1.9"), "1.10"},
        {"of equals the first", itemOf("1", sparkle("shortVersionString", "a")), "1.0"},
        {"an empty channel is none", itemOf("9.0", sparkle("channel", "  ")), "1.0", criteria(true)},
        {"betas left out", itemOf("2.0", sparkle("channel", "beta")), "1.0"},
        {"betas included", itemOf("2.0", sparkle("channel", "beta")), "2.0", criteria(true)},
        {"another channel never", itemOf("5.0", sparkle("channel", "nightly")), "1.0", criteria(true)},
        {"only a delta", bare(sparkle("version", "7.0"), "sparkle:deltaFrom=\"5.0\""), "1.0"},
        {"another system", bare(sparkle("version", "6.0"), "sparkle:os=\"windows\""), "1.0"},
        {"this system in any case", bare(sparkle("version", "6.0"), "sparkle:os=\"Linux\""), "6.0"},
        {"a system too old", itemOf("2.0", sparkle("minimumSystemVersion", "13.0.1")), "1.0", macOS13},
        {"a system just new enough", itemOf("2.0", sparkle("minimumSystemVersion", "13.0")), "2.0", macOS13},
        {"not a version", itemOf("2.0", sparkle("minimumSystemVersion", "soon")), "1.0", macOS13},
        {"no system version", itemOf("2.0", sparkle("minimumSystemVersion", "99.0")), "2.0"},
        {"the element wins", bare(sparkle("version", "8"), "sparkle:version=\"99\"") + itemOf("9"), "9"},
        {"the enclosure's version", bare({}, "sparkle:version=\"12\""), "12"}};
    for (const auto& row : rows) {
        const auto reading = Appcast::readNewest(feedOf(itemOf("1.0") + row.items), row.where, kSource);
        ASSERT_TRUE(reading && reading->newest)
            << row.rule << ": " << reading.result().message().toStdString();
        EXPECT_EQ(reading->newest->version, QString::fromUtf8(row.newest)) << row.rule;
    }
    const QByteArray prefixed = feedOf(bare("<s:version>3.1</s:version>", {}), "s");
    EXPECT_EQ(Appcast::readNewest(prefixed, criteria(), kSource)->newest->version, u"3.1"_s);
    EXPECT_FALSE(Appcast::readNewest(feedOf({}), criteria(), kSource)->newest);
}

// Rows: what is broken, the feed, words of the message, which names the feed, shows its text harmless
// and short, and has one paragraph break.
TEST(Appcast, ABrokenFeedFailsWithAMessageNamingTheFeedAndTheCause) {
    const std::tuple<const char*, QByteArray, const char*> broken[] = {
        {"only white space", " \n\t ", "is empty"},
        {"not XML", "this is not a feed {\"json\": true}", "is not well-formed XML"},
        {"cut short", feedOf(itemOf("1.0")).left(90), "is not well-formed XML"},
        {"two root elements", feedOf(itemOf("1.0")) + "<rss/>", "more than one root element"},
        {"an HTML page", "<html><body>Login</body></html>", "its root element is \"html\""},
        {"no channel", "<rss version=\"2.0\"/>", "has no <channel>"},
        {"no version", feedOf(bare("<title>Lost</title>", {})), "Item 1 (\"Lost\") has no version"},
        {"no version number", feedOf(itemOf("banana")), "\"banana\", which is not a version number"},
        {"control characters", feedOf(itemOf("1.0&#10;&#27;[31m" + QByteArray(300, 'x'))),
         "\"1.0\\n\\u001b[31mx"},
        {"a file: download", feedOf(itemOf("2", {}, "url=\"file:///etc/passwd\"")),
         "\"file:///etc/passwd\", which"},
        {"a javascript: download", feedOf(itemOf("2", {}, "url=\"javascript:alert(1)\"")),
         "\"javascript:alert(1)\", which is not a web address"},
        {"a download that does not parse", feedOf(itemOf("2", {}, "url=\"https://a b/\"")),
         "not a valid address"},
        {"no download", feedOf("<item>" + sparkle("version", "2.0") + "</item>"), "has no download"},
        {"an empty download", feedOf(itemOf("2.0", {}, "url=\" \"")), "has no download address"}};
    for (const auto& [what, feed, words] : broken) {
        const auto reading = Appcast::readNewest(feed, criteria(), kSource);
        const QString message = reading.result().message();
        EXPECT_EQ(reading.result().status(), brisquel::vexo::Status::Malformed) << what;
        EXPECT_TRUE(message.contains(kSource) && message.contains(QString::fromUtf8(words)) &&
                    !message.contains(QChar(0x1b)) && message.count(u'\n') == 2 && message.size() < 400)
            << message.toStdString();
    }
}

// The chosen item's fields, trimmed; a notes link or a length that cannot be used is dropped, long notes cut.
TEST(AppcastItemFields, AreReadFromTheElementsAndTheEnclosureTrimmed) {
    const auto newest = [](const QByteArray& item) {
        const auto reading = Appcast::readNewest(feedOf(item), criteria(), kSource);
        EXPECT_TRUE(reading && reading->newest) << reading.result().message().toStdString();
        return reading && reading->newest ? *reading->newest : quillmere::AppcastItem{};
    };
    const quillmere::AppcastItem item = newest(itemOf(
        "210",
        sparkle("releaseNotesLink", "\n  https://example.test/n.html\n ") +
            "<description sparkle:format=\"markdown\"><![CDATA[# New\n* faster]]></description>",
        "url=\" https://e.test/2.1.zip \" sparkle:shortVersionString=\"2.1\" length=\"123456789012\""));
    EXPECT_EQ((QStringList{item.displayVersion(), item.releaseNotesURL.toString(), item.releaseNotes,
                           item.downloadURL.toString()}),
              (QStringList{u"2.1"_s, u"https://example.test/n.html"_s, u"# New\n* faster"_s,
                           u"https://e.test/2.1.zip"_s}));
    EXPECT_TRUE(item.releaseNotesFormat == quillmere::ReleaseNotesFormat::Markdown &&
                item.length == 123456789012LL);
    const QByteArray notes(quillmere::AppcastItem::kMaximumNotesLength + 1, 'n');
    const quillmere::AppcastItem cut = newest(itemOf("2.0",
                                                     sparkle("releaseNotesLink", "javascript:alert(1)") +
                                                         "<description>" + notes + "</description>",
                                                     "url=\"https://example.test/a\" length=\"many\""));
    EXPECT_TRUE(cut.releaseNotesURL.isEmpty() && !cut.length &&
                cut.releaseNotes == QString::fromLatin1(notes.chopped(1)));
    // Mixed content: the texts and CDATA in the order of the document, the elements' own left out.
    const QByteArray mixed = "<description> first <b>bold</b> then<![CDATA[ <i>more</i>]]> </description>";
    EXPECT_EQ(newest(itemOf("2.0", mixed)).releaseNotes, u"first  then <i>more</i>"_s);
}

TEST(AppcastSafety, EntitiesDeclaredInTheDocumentAreNotExpanded) {
    const QByteArray bomb =
        "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">"
        "<!ENTITY ext SYSTEM \"file:///etc/passwd\">]>"
        "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>" +
        bare(sparkle("version", "2.0") + "<description>&c;&ext;</description>", {}) + "</channel></rss>";
    const auto reading = Appcast::readNewest(bomb, criteria(), kSource);
    ASSERT_TRUE(reading && reading->newest);
    EXPECT_LT(reading->newest->releaseNotes.size(), 100);
    EXPECT_FALSE(reading->newest->releaseNotes.contains(u"root:"_s));
}

} // namespace
